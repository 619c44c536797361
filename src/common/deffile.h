// Section/key text files: board definitions, output types, pellu.ini, the version list.
// Every call opens, scans and closes the file, so edits made meanwhile are always seen.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"

namespace pellucor {

// The value of the first `key=` line of the first section of that name; `def` when the file
// cannot be read or the key is absent. Values are untrimmed.
Text ReadDefinitionValue(TextView section, TextView key, TextView def, TextView path);

// The same over a file's bytes already read.
Text ReadDefinitionValueIn(std::string_view bytes, TextView section, TextView key, TextView def);

// ReadDefinitionValue for pellu.ini, which a user may have edited on Linux: a file without any
// CR is read with LF as its line end.
Text ReadSettingsValue(TextView section, TextView key, TextView def, TextView path);

// A file whose lines all end in a lone LF (edited on Linux: no CR anywhere) with CR LF line
// ends; any other file unchanged.
std::string LfLinesToCrLf(std::string_view bytes);

// The section's non-empty lines joined with nothing between them; "" when the section is
// absent, `def` when the file cannot be read.
Text ReadDefinitionSection(TextView section, TextView def, TextView path);

// Replaces the key's line in its section or adds it; creates the section at the end, and the
// file, when missing. Every other line is kept byte for byte. CP932, CR LF. The file is
// replaced atomically. Returns false when the file could not be written.
bool WriteDefinitionValue(TextView section, TextView key, TextView value, TextView path);

// Several keys of one section written in one replacement of the file, each as above. A file
// without any CR (LF line ends) gets CR LF line ends, its lines kept. Returns false when the
// file could not be written or a pair could not be stored.
bool WriteDefinitionValues(TextView section, const std::vector<std::pair<Text, Text>>& pairs,
                           TextView path);

// The file's bytes with the key's line replaced or added, as WriteDefinitionValue does it;
// nothing for a key or value that cannot be stored.
std::optional<std::string> SetDefinitionValue(std::string_view bytes, TextView section,
                                              TextView key, TextView value);

}  // namespace pellucor
