// The section/key reader on any file content agrees with its line-by-line form; a write is
// read back exactly.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/deffile.h"
#include "common/files.h"

namespace {

using pellucor::Text;
using pellucor::TextView;

// The reader as the rule reads: decode every line, trim it, compare (for small files only).
Text LineByLineValue(const std::string& bytes, TextView section, TextView key, TextView def) {
  std::vector<Text> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t cr = bytes.find('\r', start);
    if (cr == std::string::npos) {
      lines.push_back(pellucor::DecodeCp932(std::string_view(bytes).substr(start)));
      break;
    }
    lines.push_back(pellucor::DecodeCp932(std::string_view(bytes).substr(start, cr - start)));
    start = cr + (cr + 1 < bytes.size() && bytes[cr + 1] == '\n' ? 2 : 1);
  }
  auto header = [](const Text& t) {
    return t.size() >= 2 && t.front() == u'[' && t.back() == u']';
  };
  bool in = false;
  for (const Text& line : lines) {
    const Text trimmed = pellucor::TrimSpaces(line);
    if (!in) {
      in = trimmed == u"[" + Text(section) + u"]";
      continue;
    }
    if (header(trimmed)) break;
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
        line[key.size()] == u'=')
      return line.substr(key.size() + 1);
  }
  return Text(def);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  // A name of one length whatever the process id, so that runs are alike.
  static const std::string native = [] {
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/pellucor-fuzz-deffile-%010d",
                  static_cast<int>(getpid()));
    return std::string(name);
  }();
  static const Text path = FromUtf8(native);
  static const int cleanup = std::atexit([] { std::remove(native.c_str()); });
  (void)cleanup;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  FILE* f = std::fopen(native.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  // Names from the first line of the content, so the fuzzer can match what it writes.
  Text first = DecodeCp932(bytes.substr(0, bytes.find('\r')));
  Text section = first.substr(0, first.size() / 2);
  Text key = first.substr(first.size() / 2);
  ReadDefinitionSection(section, u"D", path);
  if (ReadDefinitionValue(section, key, u"D", path) != LineByLineValue(bytes, section, key, u"D") &&
      size <= 4096)
    std::abort();
  // Values that code page 932 holds come back as written.
  const Text value = u"v=1 \n値";
  if (WriteDefinitionValue(section, key, value, path) &&
      ReadDefinitionValue(section, key, u"D", path) != value)
    std::abort();
  return 0;
}
