// Small file-system helpers over Text paths (UTF-8 on disk).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/format.h"
#include "common/text.h"

namespace pellucor {

// UTF-8 for the OS; "" (which names no file) for a path with a NUL, which the OS would cut.
std::string NativePath(TextView path);

bool FileExists(TextView path);    // a regular file (or a link to one)
bool FolderExists(TextView path);  // a directory
std::optional<int64_t> FileSize(TextView path);
std::optional<DateTime> FileModified(TextView path);  // local time

// Whole file as bytes; nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(TextView path);

// Writes a temporary file beside `path`, flushes it and renames it into place, so a crash or
// a full disk never leaves less than before. Returns false (and leaves `path` as it was) on
// any failure; `error` gets the OS's text. A replaced file keeps its permissions.
bool WriteFileAtomic(TextView path, std::string_view bytes, std::string* error = nullptr);

// Opens, appends, closes. Returns false on failure; `error` gets the OS's text.
bool AppendToFile(TextView path, std::string_view bytes, std::string* error = nullptr);

// On failure `error` (when given) gets the OS's text.
bool CreateFolder(TextView path, std::string* error = nullptr);  // one level; true if it exists
bool DeleteFile(TextView path, std::string* error = nullptr);
bool RenameFile(TextView from, TextView to, std::string* error = nullptr);  // replaces `to`

// The folder part of a path including its trailing separator ("" when none), and the rest.
Text FolderPart(TextView path);
Text NamePart(TextView path);

}  // namespace pellucor
