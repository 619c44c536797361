// Small file-system helpers over Text paths (UTF-8 on disk).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/format.h"
#include "common/text.h"

namespace pellucor {

std::string NativePath(TextView path);  // UTF-8 for the OS

bool FileExists(TextView path);    // a regular file (or a link to one)
bool FolderExists(TextView path);  // a directory
std::optional<int64_t> FileSize(TextView path);
std::optional<DateTime> FileModified(TextView path);  // local time

// Whole file as bytes; nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(TextView path);

// Writes a temporary file beside `path`, flushes it and renames it into place, so a crash or
// a full disk never leaves less than before. Returns false (and leaves `path` as it was) on
// any failure.
bool WriteFileAtomic(TextView path, std::string_view bytes);

// Opens, appends, closes. Returns false on failure; `error` gets the OS's text.
bool AppendToFile(TextView path, std::string_view bytes, std::string* error = nullptr);

bool CreateFolder(TextView path);
bool DeleteFile(TextView path);
bool RenameFile(TextView from, TextView to);

// The folder part of a path including its trailing separator ("" when none), and the rest.
Text FolderPart(TextView path);
Text NamePart(TextView path);

}  // namespace pellucor
