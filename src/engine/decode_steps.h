// The tables and small steps the page decoders share: the JIS X 0208 pair arithmetic, the
// text of each converter step, and the sixteen-byte block helpers. Only the decoders include it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/cp932_tables.h"
#include "common/text.h"

namespace pellucor::decode_detail {

// Full-width forms of the half-width katakana 0xA1-0xDF, in code order.
constexpr char16_t kWideKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソ"
    u"タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof kWideKana / sizeof(char16_t) == 0xDF - 0xA1 + 2);

struct Tables {
  const Cp932Tables& cp932 = GetCp932Tables();
  // Shift_JIS code of the full-width form of a single byte (for EUC's 0x8E marker): a pair
  // (>= 0x100) or one byte. Control bytes stand for themselves; bytes that are no single-byte
  // character (lead bytes, 0x80, 0xA0, 0xFD-0xFF) give "?".
  std::array<uint16_t, 256> wide{};

  Tables() {
    for (int b = 0; b < 256; ++b) {
      char16_t u = 0;
      if (b == 0x20)
        u = u'\u3000';
      else if (b > 0x20 && b < 0x7F)
        u = static_cast<char16_t>(0xFF01 + (b - 0x21));
      else if (b >= 0xA1 && b <= 0xDF)
        u = kWideKana[b - 0xA1];
      if (u == 0) {
        wide[b] = b < 0x20 || b == 0x7F ? static_cast<uint16_t>(b) : uint16_t{'?'};
        continue;
      }
      uint16_t code = cp932.encode[u];
      wide[b] = code == Cp932Tables::kNoCode ? uint16_t{'?'} : code;
    }
  }
};

const Tables& GetTables();

// JIS X 0208 row/cell bytes to a Shift_JIS pair. The results may leave the byte range for
// input that is not JIS X 0208; the caller checks.
inline void PairArithmetic(unsigned& c1, unsigned& c2) {
  c2 += (c1 & 1) ? 0x1F : 0x7D;
  if (c2 >= 0x7F) ++c2;
  c1 = static_cast<unsigned>((static_cast<int>(c1) - 0x21) / 2 + 0x81);  // truncates to zero
  if (c1 > 0x9F) c1 += 0x40;
}

inline char* PutPair(char* o, unsigned c1, unsigned c2, const Cp932Tables& t) {
  if (c1 < 256 && c2 < 256 && t.is_lead[c1] && t.is_trail[c2]) {
    *o++ = static_cast<char>(c1);
    *o++ = static_cast<char>(c2);
  } else {
    *o++ = '?';
  }
  return o;
}

// The text of one step of the converters, looked up by its bytes. Every step of EucToShiftJis
// and JisToShiftJis writes a whole code page 932 character (a byte that is no lead byte, a pair
// checked by PutPair, or "?"), so reading their output through code page 932 is the same as
// decoding step by step; only the byte left over at the end can be a lone lead byte.
struct StepText {
  // [0, 0x80): the character of a single byte below 0x80. [0x80, 0x80 + 0x4000): the character
  // of a pair by its two 7-bit halves after the pair arithmetic: an EUC-JP pair (both bytes
  // >= 0x80, lead not 0x8E) by the halves of its bytes, a JIS pair (lead 0x1E-0x7F, trail
  // below 0x80) by its bytes.
  std::vector<char16_t> text;
  // Character of the full-width form after EUC-JP's 0x8E, by the byte after it.
  std::array<char16_t, 256> wide_text{};
  // Code page 932 by lead << 8 | trail, and by the byte itself below 0x100 (where no pair lies).
  std::vector<char16_t> sjis;
  bool ascii_is_itself = true;  // bytes below 0x80 decode to themselves

  explicit StepText(const Tables& tables) : text(0x80 + 0x4000) {
    const Cp932Tables& t = tables.cp932;
    for (unsigned b = 0; b < 0x80; ++b) {
      text[b] = t.single[b];
      ascii_is_itself = ascii_is_itself && t.single[b] == b;
    }
    for (unsigned hi = 0; hi < 128; ++hi) {
      for (unsigned lo = 0; lo < 128; ++lo) {
        unsigned c1 = hi, c2 = lo;
        PairArithmetic(c1, c2);
        text[0x80 + (hi << 7 | lo)] = c1 < 256 && c2 < 256 && t.is_lead[c1] && t.is_trail[c2]
                                          ? t.pair[(c1 << 8) | c2]
                                          : t.single[static_cast<unsigned char>('?')];
      }
    }
    // The full-width forms are pairs, control bytes or "?": never a lone lead byte.
    for (unsigned b = 0; b < 256; ++b) {
      const uint16_t code = tables.wide[b];
      wide_text[b] = code >= 0x100 ? t.pair[code] : t.single[code];
    }
    sjis = t.pair;
    for (unsigned b = 0; b < 0x100; ++b) sjis[b] = t.single[b];
  }

  char16_t Pair(unsigned c1, unsigned c2) const {
    return text[0x80 + ((c1 & 0x7F) << 7 | (c2 & 0x7F))];
  }
};

const StepText& GetStepText();

// The last byte, left over after the pairs: a lead byte alone is the default character.
inline char16_t LastByte(const Cp932Tables& t, unsigned b) {
  return t.is_lead[b] ? kCp932Default : t.single[b];
}

// TAB, LF and CR, which a prepared page goes without.
inline bool IsBreak(char16_t c) {
  return c <= u'\r' && ((1u << c) & ((1u << u'\t') | (1u << u'\n') | (1u << u'\r')));
}

// Writes one character; kDrop leaves out TAB, LF and CR.
template <bool kDrop>
inline void Put(char16_t*& o, char16_t c) {
  *o = c;
  o += kDrop ? !IsBreak(c) : 1;
}

#if defined(__SSE2__)
// Sixteen bytes below 0x80 as sixteen characters.
inline void WidenAscii(char16_t* o, __m128i bytes) {
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(bytes, zero));
}

inline unsigned Mask(__m128i bytes) {
  return static_cast<unsigned>(_mm_movemask_epi8(bytes));
}

// Bytes that are TAB, LF or CR.
inline unsigned BreakMask(__m128i block) {
  return Mask(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\t')),
                                        _mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))),
                           _mm_cmpeq_epi8(block, _mm_set1_epi8('\r'))));
}

// The lead bits of a block whose characters begin where each run of `lead_capable` bits
// begins (true at the block's start and after a byte that is no lead byte): in every run the
// pairs begin at even distances from its start. The addition clears the runs that begin at even
// positions, which splits the runs by the parity of their start.
inline unsigned Leads(unsigned lead_capable) {
  const unsigned run_starts = lead_capable & ~(lead_capable << 1);
  const unsigned even_runs = lead_capable & ~(lead_capable + (run_starts & 0x5555u));
  return (even_runs & 0x5555u) | (lead_capable & ~even_runs & 0xAAAAu);
}

// Writes the character found at each of the sixteen positions of `index` into the table, and
// moves on only at the positions in `starts`: no branch per character.
inline void PutStarts(char16_t*& o, const char16_t* table, const uint16_t* index, unsigned starts) {
  for (unsigned j = 0; j < 16; ++j) {
    *o = table[index[j]];
    o += (starts >> j) & 1u;
  }
}
#endif

}  // namespace pellucor::decode_detail
