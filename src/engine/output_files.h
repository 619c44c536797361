// The writer's file operations: each opens, seeks, writes and closes, and reports the OS's
// error on failure. A folder, FIFO or device where an output file belongs is never opened for
// writing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/text.h"

namespace pellucor {

// The error code of something other than a regular file (a folder, FIFO or device) where an
// output file belongs.
constexpr int kNotAFile = -1;

enum class OpenFor { Append, Update };

// Opens `path` (creating it when missing), then `body(fd, size)`: its result, or the error of
// opening or closing (code kNotAFile for what is not a regular file).
Result<> WithFile(TextView path, OpenFor mode,
                  const std::function<Result<>(int fd, int64_t size)>& body);

// Writes all of `bytes` at the end (at < 0) or at `at`.
Result<> WriteAll(int fd, std::string_view bytes, int64_t at = -1);

// Reads `out.size()` bytes at `at`; a short file leaves `out` cut to what was read.
Result<> ReadAt(int fd, std::string& out, int64_t at);

// `seen_as_file`: a look just before found a regular file at `path`, so the look after
// opening it is saved (writing is most of a message's system calls).
Result<> AppendBytes(TextView path, std::string_view bytes, bool seen_as_file = false);

// Appends the text and CR LF in CP932.
Result<> AppendLine(TextView path, TextView text, bool seen_as_file = false);

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
