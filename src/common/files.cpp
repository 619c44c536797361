#include "common/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace pellucor {

Error SystemError(int code) {
  return Error{code, FromUtf8(std::strerror(code))};
}

namespace {

// The failure errno stands for now; errno itself is left as it is.
Error LastError() {
  const int code = errno;
  Error e = SystemError(code);
  errno = code;
  return e;
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// A path with a NUL character would be cut short by the OS and name another file; every
// operation refuses it.
bool Native(TextView path, std::string& out) {
  if (path.find(u'\0') != TextView::npos) {
    errno = EINVAL;
    return false;
  }
  out = ToUtf8(path);
  return true;
}

}  // namespace

std::string NativePath(TextView path) {
  std::string native;
  return Native(path, native) ? native : std::string();  // "" names no file
}

namespace {

bool Stat(TextView path, struct stat& st) {
  std::string native;
  return Native(path, native) && ::stat(native.c_str(), &st) == 0;
}

}  // namespace

bool FileExists(TextView path) {
  struct stat st;
  return Stat(path, st) && S_ISREG(st.st_mode);
}

bool FolderExists(TextView path) {
  struct stat st;
  return Stat(path, st) && S_ISDIR(st.st_mode);
}

std::optional<int64_t> FileSize(TextView path) {
  struct stat st;
  if (!Stat(path, st) || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<int64_t>(st.st_size);
}

std::optional<DateTime> FileModified(TextView path) {
  struct stat st;
  if (!Stat(path, st)) return std::nullopt;
  std::tm local{};
  time_t t = st.st_mtime;
  if (!localtime_r(&t, &local)) return std::nullopt;
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::optional<std::string> ReadFileBytes(TextView path) {
  std::string native;
  if (!Native(path, native)) return std::nullopt;
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

Result<> WriteFileAtomic(TextView path, std::string_view bytes) {
  std::string target;
  if (!Native(path, target)) return LastError();
  // Writing through a symbolic link replaces the file it points to, not the link.
  struct stat lst;
  if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  std::string tmp = target + ".tmpXXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return LastError();
  // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st;
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  std::optional<Error> failure;
  if (!(WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0)) failure = LastError();
  if (::close(fd) != 0 && !failure) failure = LastError();
  if (!failure && ::rename(tmp.c_str(), target.c_str()) != 0) failure = LastError();
  if (failure) {
    ::unlink(tmp.c_str());
    return *failure;
  }
  // Make the rename itself durable.
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

Result<> AppendToFile(TextView path, std::string_view bytes) {
  std::string native;
  int fd = Native(path, native)
               ? ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666)
               : -1;
  if (fd < 0) return LastError();
  std::optional<Error> failure;
  if (!WriteAll(fd, bytes)) failure = LastError();
  if (::close(fd) != 0 && !failure) failure = LastError();
  if (failure) return *failure;
  return {};
}

Result<> CreateFolder(TextView path) {
  std::string native;
  if (Native(path, native) && ::mkdir(native.c_str(), 0777) == 0) return {};
  if (errno == EEXIST && FolderExists(path)) return {};
  return LastError();
}

Result<> DeleteFile(TextView path) {
  std::string native;
  if (Native(path, native) && ::unlink(native.c_str()) == 0) return {};
  return LastError();
}

Result<> RenameFile(TextView from, TextView to) {
  std::string a, b;
  if (Native(from, a) && Native(to, b) && ::rename(a.c_str(), b.c_str()) == 0) return {};
  return LastError();
}

Text FolderPart(TextView path) {
  size_t p = path.rfind(kSep);
  return p == TextView::npos ? Text() : Text(path.substr(0, p + 1));
}

Text NamePart(TextView path) {
  size_t p = path.rfind(kSep);
  return p == TextView::npos ? Text(path) : Text(path.substr(p + 1));
}

}  // namespace pellucor
