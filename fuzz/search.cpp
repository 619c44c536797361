// The search routines against the literal step-by-step rules they stand for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/search.h"

namespace {

using pellucor::Text;
using pellucor::TextView;

// Repeated forward search, one character past each occurrence.
int64_t LiteralFindLast(TextView text, TextView needle, int64_t s, int64_t e) {
  int64_t result = 0;
  const int64_t len = static_cast<int64_t>(text.size());
  if (s < 1) s = 1;
  while (true) {
    int64_t f = 0;
    if (s <= len) {
      size_t p = text.substr(static_cast<size_t>(s - 1)).find(needle);
      if (p != TextView::npos && !(needle.empty() && s > len)) f = static_cast<int64_t>(p) + 1;
    }
    if (f == 0 || s + f - 1 > e) return result;
    result = s + f - 1;
    s = s + f;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int64_t n = static_cast<int8_t>(data[0]);
  const int64_t start = static_cast<int8_t>(data[1]);
  const int64_t last = static_cast<int8_t>(data[2]);
  // A small alphabet (with both cases and a full-width letter) makes occurrences common.
  static const char16_t kAlphabet[] = u"abAB\uFF41\uFF21-";
  Text text, needle;
  bool in_needle = false;
  for (size_t k = 3; k < size; ++k) {
    if (data[k] == 0xFF && !in_needle) {
      in_needle = true;
      continue;
    }
    (in_needle ? needle : text).push_back(kAlphabet[data[k] % 7]);
  }
  const int64_t e = last < 0 ? static_cast<int64_t>(text.size()) : last;
  if (pellucor::FindLast(text, needle, start, e) != LiteralFindLast(text, needle, start, e))
    std::abort();
  int64_t p = pellucor::FindNth(text, needle, n);
  if (p != 0 && text.substr(static_cast<size_t>(p - 1)).substr(0, needle.size()) != needle)
    std::abort();
  if (pellucor::ReplaceAll(text, needle, needle, false) != text) std::abort();
  Text replaced = pellucor::ReplaceAll(text, needle, u"", true);
  if (replaced.size() > text.size()) std::abort();
  return 0;
}
