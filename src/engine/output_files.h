// The writer's file operations: each opens, seeks, writes and closes, and reports 0 or an
// errno. A folder, FIFO or device where an output file belongs is never opened for writing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"

namespace pellucor {

// Something other than a regular file (a folder, FIFO or device) where an output file belongs.
constexpr int kNotAFile = -1;

enum class OpenFor { Append, Update };

// Opens `path` (creating it when missing), then `body(fd, size)`; 0, kNotAFile or an errno.
int WithFile(TextView path, OpenFor mode, const std::function<int(int fd, int64_t size)>& body);

// Writes all of `bytes` at the end (at < 0) or at `at`.
int WriteAll(int fd, std::string_view bytes, int64_t at = -1);

// Reads `out.size()` bytes at `at`; a short file leaves `out` cut to what was read.
int ReadAt(int fd, std::string& out, int64_t at);

int AppendBytes(TextView path, std::string_view bytes);

// Appends the text and CR LF in CP932.
int AppendLine(TextView path, TextView text);

// A file's length before a write, so that a failed write can be cut back: nothing when the
// file did not exist (it is removed again).
struct FileMark {
  Text path;
  std::optional<int64_t> size;
};
FileMark MarkOf(const Text& path);
void CutBack(const FileMark& mark);

// A folder, FIFO or device stands at `path`.
bool ExistsButNotAFile(TextView path);

// For tests: the output bytes the disk can still take in this process; past them every write
// fails with ENOSPC, as on a full disk (after writing what fits). Negative: no limit.
void SetOutputSpaceForTesting(int64_t bytes);

}  // namespace pellucor
