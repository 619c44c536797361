// The section/key reader on any file content; a write is read back exactly.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/deffile.h"
#include "common/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  static const std::string native = "/tmp/pellucor-fuzz-deffile-" + std::to_string(getpid());
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
  ReadDefinitionValue(section, key, u"D", path);
  // Values that code page 932 holds come back as written.
  const Text value = u"v=1 \n値";
  if (WriteDefinitionValue(section, key, value, path) &&
      ReadDefinitionValue(section, key, u"D", path) != value)
    std::abort();
  return 0;
}
