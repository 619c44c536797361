// Page decoding must take any bytes: no crash, and never more characters than bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int charchange = 0; charchange <= 2; ++charchange) {
    pellucor::Text text = pellucor::DecodePage(bytes, charchange);
    if (text.size() > size) std::abort();
  }
  // Converting the Shift_JIS bytes again as a Shift_JIS page changes nothing.
  std::string sjis = pellucor::EucToShiftJis(bytes);
  if (pellucor::DecodePage(sjis, 1) != pellucor::ConvertEucPage(bytes)) std::abort();
  return 0;
}
