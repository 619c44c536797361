#include "app/journal_format.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace pellucor::journal {
namespace {

std::string Escape(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (char c : v) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string Hex(std::string_view bytes) {
  static const char* d = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += d[b >> 4];
    out += d[b & 15];
  }
  return out;
}

std::string Unhex(std::string_view hex) {
  auto v = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(v(hex[i]) * 16 + v(hex[i + 1]));
  return out;
}

void Body::Add(std::string_view key, std::string_view value) {
  text_.append(key);
  text_ += '=';
  text_ += Escape(value);
  text_ += '\n';
}

void Body::AddPlain(std::string_view key, std::string_view value) {
  text_.append(key);
  text_ += '=';
  text_.append(value);
  text_ += '\n';
}

uint32_t Crc32(std::string_view data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void PwriteAll(int fd, std::string_view bytes, uint64_t at) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

Fields Parse(std::string_view body) {
  Fields f;
  size_t at = 0;
  while (at < body.size()) {
    size_t nl = body.find('\n', at);
    if (nl == std::string_view::npos) nl = body.size();
    std::string_view line = body.substr(at, nl - at);
    at = nl + 1;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string value;
    for (size_t i = eq + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        char c = line[++i];
        value += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
      } else {
        value += line[i];
      }
    }
    f[std::string(line.substr(0, eq))] = std::move(value);
  }
  return f;
}

std::string Get(const Fields& f, const std::string& key) {
  auto it = f.find(key);
  return it == f.end() ? std::string() : it->second;
}

int64_t GetInt(const Fields& f, const std::string& key, int64_t fallback) {
  std::string v = Get(f, key);
  if (v.empty()) return fallback;
  return std::strtoll(v.c_str(), nullptr, 10);
}

std::string Tail(const std::string& before, std::string_view added) {
  std::string t = before;
  t.append(added.substr(added.size() > kTailBytes ? added.size() - kTailBytes : 0));
  if (t.size() > kTailBytes) t.erase(0, t.size() - kTailBytes);
  return t;
}

// The last bytes of a file before `length`, read back.
std::optional<std::string> TailOf(const std::string& native, int64_t length) {
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat sb;
  std::optional<std::string> out;
  if (::fstat(fd, &sb) == 0 && S_ISREG(sb.st_mode) && sb.st_size >= length) {
    int64_t from = std::max<int64_t>(0, length - static_cast<int64_t>(kTailBytes));
    std::string t(static_cast<size_t>(length - from), '\0');
    if (t.empty() || ::pread(fd, t.data(), t.size(), from) == static_cast<ssize_t>(t.size()))
      out = t;
  }
  ::close(fd);
  return out;
}

}  // namespace pellucor::journal
