// The run journal's record format: "key=value" lines (UTF-8, with \, CR and LF escaped), a
// checksum, and the small file operations the journal and its recovery share.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"

namespace pellucor::journal {

inline constexpr uint64_t kAlign = 4096;
inline constexpr char kMagic[] = "PELLUCOR-RUN ";
inline constexpr size_t kTailBytes = 16;

uint32_t Crc32(std::string_view data);
std::string Hex(std::string_view bytes);
std::string Unhex(std::string_view hex);

class Body {
 public:
  void Add(std::string_view key, std::string_view value);
  void Add(std::string_view key, const Text& value) { Add(key, ToUtf8(value)); }
  void Add(std::string_view key, int64_t value) { Add(key, std::to_string(value)); }
  // A value that needs no escaping (hex digits).
  void AddPlain(std::string_view key, std::string_view value);
  std::string& text() { return text_; }

 private:
  std::string text_;
};

using Fields = std::map<std::string, std::string>;
Fields Parse(std::string_view body);
std::string Get(const Fields& f, const std::string& key);
int64_t GetInt(const Fields& f, const std::string& key, int64_t fallback = -1);

// The last kTailBytes of `before` + `added`.
std::string Tail(const std::string& before, std::string_view added);
// The last bytes of a file before `length`, read back.
std::optional<std::string> TailOf(const std::string& native, int64_t length);

void PwriteAll(int fd, std::string_view bytes, uint64_t at);

}  // namespace pellucor::journal
