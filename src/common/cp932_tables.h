// The code page 932 tables behind DecodeCp932 / EncodeCp932, for decoders that build
// Shift_JIS bytes themselves and need to know which pairs are whole.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pellucor {

struct Cp932Tables {
  static constexpr uint16_t kNoCode = 0xFFFF;  // no CP932 code for this character

  Cp932Tables();

  std::array<char16_t, 256> single;  // character of a byte that is not a lead byte
  std::vector<char16_t> pair;        // [lead << 8 | trail]; kCp932Default when undefined
  std::vector<uint16_t> encode;      // [UTF-16 unit]: byte (< 0x100), pair, or kNoCode
  std::array<bool, 256> is_lead;     // 0x81-0x9F, 0xE0-0xFC
  std::array<bool, 256> is_trail;    // 0x40-0x7E, 0x80-0xFC
};

// Built from glibc iconv "CP932" on first use.
const Cp932Tables& GetCp932Tables();

// Asks iconv for the tables: many codes per call, or (`one_code_per_call`) one code per call,
// the plain way that the batched one must agree with.
Cp932Tables BuildCp932Tables(bool one_code_per_call = false);

}  // namespace pellucor
