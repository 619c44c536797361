#include "engine/output_files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/files.h"

namespace pellucor {
namespace {

int64_t g_space_left = -1;  // SetOutputSpaceForTesting

Error NotAFile() {
  return Error{kNotAFile, u"not a regular file"};
}

// The first failure stands: that of `done`, else that of closing.
Result<> CloseChecked(int fd, Result<> done) {
  if (::close(fd) != 0 && done) return SystemError(errno);
  return done;
}

// Opens `path` for `mode`, creating it when missing. Never blocks on a FIFO or device.
Result<int> OpenOutput(TextView path, OpenFor mode) {
  const int flags = mode == OpenFor::Append ? O_WRONLY | O_APPEND : O_RDWR;
  int fd = ::open(NativePath(path).c_str(), flags | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return errno == EISDIR || errno == ENXIO ? NotAFile() : SystemError(errno);
  return fd;
}

}  // namespace

Result<> WriteAll(int fd, std::string_view bytes, int64_t at) {
  Result<> full;
  if (g_space_left >= 0 && static_cast<int64_t>(bytes.size()) > g_space_left) {
    bytes = bytes.substr(0, static_cast<size_t>(g_space_left));
    full = SystemError(ENOSPC);
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = at < 0 ? ::write(fd, bytes.data() + done, bytes.size() - done)
                       : ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(at) + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError(errno);
    }
    done += static_cast<size_t>(n);
    if (g_space_left >= 0) g_space_left -= n;
  }
  return full;
}

Result<> ReadAt(int fd, std::string& out, int64_t at) {
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd, out.data() + done, out.size() - done,
                        static_cast<off_t>(at) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SystemError(errno);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  out.resize(done);
  return {};
}

// Never writes into a FIFO or device.
Result<> WithFile(TextView path, OpenFor mode,
                  const std::function<Result<>(int fd, int64_t size)>& body) {
  Result<int> fd = OpenOutput(path, mode);
  if (!fd) return fd.error();
  struct stat sb;
  if (::fstat(*fd, &sb) != 0) return CloseChecked(*fd, SystemError(errno));
  if (!S_ISREG(sb.st_mode)) return CloseChecked(*fd, NotAFile());
  return CloseChecked(*fd, body(*fd, static_cast<int64_t>(sb.st_size)));
}

Result<> AppendBytes(TextView path, std::string_view bytes, bool seen_as_file) {
  if (!seen_as_file)
    return WithFile(path, OpenFor::Append, [&](int fd, int64_t) { return WriteAll(fd, bytes); });
  Result<int> fd = OpenOutput(path, OpenFor::Append);
  if (!fd) return fd.error();
  return CloseChecked(*fd, WriteAll(*fd, bytes));
}

Result<> AppendLine(TextView path, TextView text, bool seen_as_file) {
  std::string bytes = EncodeCp932(text);
  bytes += "\r\n";
  return AppendBytes(path, bytes, seen_as_file);
}

FileMark MarkOf(const Text& path) {
  return {path, FileSize(path)};
}

void CutBack(const FileMark& m) {
  if (m.path.empty()) return;
  std::string native = NativePath(m.path);
  struct stat sb;
  if (::stat(native.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) return;
  if (!m.size) {
    ::unlink(native.c_str());
  } else if (sb.st_size > *m.size) {
    [[maybe_unused]] int ignored = ::truncate(native.c_str(), static_cast<off_t>(*m.size));
  }
}

bool ExistsButNotAFile(TextView path) {
  struct stat sb;
  return path.find(u'\0') == TextView::npos && ::stat(NativePath(path).c_str(), &sb) == 0 &&
         !S_ISREG(sb.st_mode);
}

void SetOutputSpaceForTesting(int64_t bytes) {
  g_space_left = bytes;
}

}  // namespace pellucor
