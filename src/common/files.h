// Small file-system helpers over Text paths (UTF-8 on disk).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
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

// The operations that change the disk report the OS's error number and text on failure, and
// leave errno at that number.

// Writes a temporary file beside `path`, flushes it and renames it into place, so a crash or
// a full disk never leaves less than before. On failure `path` is as it was. A replaced file
// keeps its permissions.
Result<> WriteFileAtomic(TextView path, std::string_view bytes);

// Opens, appends, closes.
Result<> AppendToFile(TextView path, std::string_view bytes);

Result<> CreateFolder(TextView path);  // one level; fine when it exists
Result<> DeleteFile(TextView path);
Result<> RenameFile(TextView from, TextView to);  // replaces `to`

// The folder part of a path including its trailing separator ("" when none), and the rest.
Text FolderPart(TextView path);
Text NamePart(TextView path);

}  // namespace pellucor
