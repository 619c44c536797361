// The byte-level converters EUC-JP -> Shift_JIS and JIS -> Shift_JIS, and the tables the
// decoders build once.
#include "engine/decode.h"
#include "engine/decode_steps.h"

namespace pellucor {
namespace decode_detail {

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

const StepText& GetStepText() {
  static const StepText step(GetTables());
  return step;
}

}  // namespace decode_detail

using namespace decode_detail;

// Output never outgrows the input: every step writes at most as many bytes as it reads.
std::string EucToShiftJis(std::string_view bytes) {
  const Tables& tables = GetTables();
  const Cp932Tables& t = tables.cp932;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  std::string out(n, '\0');
  char* o = out.data();
  size_t i = 0;
  while (i + 1 < n) {
    unsigned c1 = p[i];
    if (c1 <= 0x7F) {
      *o++ = static_cast<char>(c1);
      ++i;
      continue;
    }
    unsigned c2 = p[i + 1];
    if (c1 == 0x8E) {
      uint16_t code = tables.wide[c2];
      if (code >= 0x100) *o++ = static_cast<char>(code >> 8);
      *o++ = static_cast<char>(code & 0xFF);
    } else {
      // 0x8F (JIS X 0212) has no meaning of its own: it pairs like any other byte.
      c1 &= 0x7F;
      c2 &= 0x7F;
      PairArithmetic(c1, c2);
      o = PutPair(o, c1, c2, t);
    }
    i += 2;
  }
  if (i + 1 == n) *o++ = static_cast<char>(p[i]);  // the last byte was not used by a pair
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

// An escape sequence that leaves at most one byte after it ends the loop, for ESC $ B as for
// ESC ( B: a byte left alone is kept by the end rule.
std::string JisToShiftJis(std::string_view bytes) {
  const Cp932Tables& t = GetTables().cp932;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  std::string out(n, '\0');
  char* o = out.data();
  bool two_byte = false;
  size_t i = 0;
  while (i + 1 < n) {
    if (p[i] == 0x1B && i + 2 < n) {
      if (p[i + 1] == '$' && p[i + 2] == 'B') {
        two_byte = true;
        i += 3;
        if (i + 1 >= n) break;
      } else if (p[i + 1] == '(' && (p[i + 2] == 'J' || p[i + 2] == 'B')) {
        two_byte = false;
        i += 3;
        if (i + 1 >= n) break;
      }
    }
    unsigned c1 = p[i];
    unsigned c2 = p[i + 1];
    if (two_byte) PairArithmetic(c1, c2);
    if (c1 <= 0x7F) {
      *o++ = static_cast<char>(p[i]);  // as received: CR and LF survive inside kanji runs
      ++i;
    } else if (c1 >= 0xA0 && c1 <= 0xDF) {
      *o++ = static_cast<char>(c1);
      ++i;
    } else {
      o = PutPair(o, c1, c2, t);
      i += 2;
    }
  }
  if (i + 1 == n) *o++ = static_cast<char>(p[i]);
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

}  // namespace pellucor
