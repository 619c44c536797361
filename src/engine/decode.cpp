#include "engine/decode.h"

#include <array>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/cp932_tables.h"

namespace pellucor {

namespace {

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

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

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

}  // namespace

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

namespace {

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
  }

  char16_t Pair(unsigned c1, unsigned c2) const {
    return text[0x80 + ((c1 & 0x7F) << 7 | (c2 & 0x7F))];
  }
};

const StepText& GetStepText() {
  static const StepText step(GetTables());
  return step;
}

// The last byte, left over after the pairs: a lead byte alone is the default character.
inline char16_t LastByte(const Cp932Tables& t, unsigned b) {
  return t.is_lead[b] ? kCp932Default : t.single[b];
}

#if defined(__SSE2__)
// Sixteen bytes below 0x80 as sixteen characters.
inline char16_t* WidenAscii(char16_t* o, __m128i bytes) {
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(bytes, zero));
  return o + 16;
}
#endif

}  // namespace

// One step per character, as EucToShiftJis and DecodeCp932 would go; where a block of sixteen
// bytes holds only ASCII and whole pairs of high bytes, the characters are found from the
// block's masks without a branch per character.
Text ConvertEucPage(std::string_view bytes) {
  const Tables& tables = GetTables();
  const StepText& st = GetStepText();
  const char16_t* text = st.text.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  Text out(n, u'\0');  // at most one character per byte
  char16_t* o = out.data();
  size_t i = 0;
  while (i + 1 < n) {
#if defined(__SSE2__)
    // Sixteen bytes and the byte after them, which a pair begun at the last one takes.
    if (i + 17 <= n) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(block));
      if (high == 0 && st.ascii_is_itself) {
        o = WidenAscii(o, block);
        i += 16;
        continue;
      }
      // Within a run of high bytes that begins at a character, the pairs begin at even
      // distances from the run's start: split the runs by the parity of their start (the
      // addition clears the runs that begin at even positions).
      const unsigned run_starts = high & ~(high << 1);
      const unsigned even_runs = high & ~(high + (run_starts & 0x5555u));
      const unsigned leads = (even_runs & 0x5555u) | (high & ~even_runs & 0xAAAAu);
      const unsigned trails = leads << 1;  // bit 16: the byte after the block
      const unsigned kana =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\x8E'))));
      // Every pair whole and of two high bytes, and no 0x8E: the masks hold the parse. Each of
      // the sixteen positions is looked up as if a character began there (a high byte as a
      // pair with the byte after it), and the output moves on only where one does: no branch
      // per character.
      if ((trails & ~high & 0xFFFFu) == 0 && (leads & kana) == 0 &&
          (!(trails & 0x10000u) || p[i + 16] >= 0x80)) {
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i zero = _mm_setzero_si128(), low7 = _mm_set1_epi16(0x7F);
        alignas(16) uint16_t index[16];
        for (int half = 0; half < 2; ++half) {
          const __m128i c1 = half ? _mm_unpackhi_epi8(block, zero) : _mm_unpacklo_epi8(block, zero);
          const __m128i c2 = half ? _mm_unpackhi_epi8(next, zero) : _mm_unpacklo_epi8(next, zero);
          const __m128i pair = _mm_add_epi16(
              _mm_set1_epi16(0x80),
              _mm_or_si128(_mm_slli_epi16(_mm_and_si128(c1, low7), 7), _mm_and_si128(c2, low7)));
          const __m128i is_high = _mm_cmpgt_epi16(c1, low7);
          const __m128i ix =
              _mm_or_si128(_mm_and_si128(is_high, pair), _mm_andnot_si128(is_high, c1));
          _mm_store_si128(reinterpret_cast<__m128i*>(index + 8 * half), ix);
        }
        const unsigned starts = ~trails;
        for (unsigned j = 0; j < 16; ++j) {
          *o = text[index[j]];
          o += (starts >> j) & 1u;
        }
        i += 16 + (trails >> 16);
        continue;
      }
      // Otherwise the block goes one step at a time; the next block starts where it ends.
      const size_t stop = i + 16;
      while (i < stop) {
        const unsigned c1 = p[i];
        if (c1 <= 0x7F) {
          *o++ = text[c1];
          ++i;
        } else {
          const unsigned c2 = p[i + 1];
          *o++ = c1 == 0x8E ? st.wide_text[c2] : st.Pair(c1, c2);
          i += 2;
        }
      }
      continue;
    }
#endif
    const unsigned c1 = p[i];
    if (c1 <= 0x7F) {
      *o++ = text[c1];
      ++i;
      continue;
    }
    const unsigned c2 = p[i + 1];
    // 0x8F (JIS X 0212) has no meaning of its own: it pairs like any other byte.
    *o++ = c1 == 0x8E ? st.wide_text[c2] : st.Pair(c1, c2);
    i += 2;
  }
  if (i + 1 == n) *o++ = LastByte(tables.cp932, p[i]);
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

// JisToShiftJis and DecodeCp932 in one pass.
Text ConvertJisPage(std::string_view bytes) {
  const Tables& tables = GetTables();
  const Cp932Tables& t = tables.cp932;
  const StepText& st = GetStepText();
  const char16_t* text = st.text.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  Text out(n, u'\0');
  char16_t* o = out.data();
  bool two_byte = false, after_escape = false;
  size_t i = 0;
  while (i + 1 < n) {
#if defined(__SSE2__)
    // Sixteen bytes at a time: the characters of the run of ordinary bytes at their start (pair
    // bytes 0x1E-0x7F inside a two-byte run, ASCII other than ESC outside) are written for the
    // whole block and the output moves on by as many as the run holds. The blocks hold no
    // escape byte, so they may follow an escape at once.
    if (i + 16 <= n) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      if (two_byte) {
        const unsigned ordinary = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpgt_epi8(block, _mm_set1_epi8(0x1D))));  // 0x80+ are < 0
        const unsigned pairs = static_cast<unsigned>(__builtin_ctz(~ordinary)) / 2;
        if (pairs) {
          const __m128i c1 = _mm_and_si128(block, _mm_set1_epi16(0xFF));
          const __m128i c2 = _mm_srli_epi16(block, 8);
          alignas(16) uint16_t index[8];
          _mm_store_si128(
              reinterpret_cast<__m128i*>(index),
              _mm_add_epi16(_mm_set1_epi16(0x80), _mm_or_si128(_mm_slli_epi16(c1, 7), c2)));
          for (int k = 0; k < 8; ++k) o[k] = text[index[k]];
          o += pairs;
          i += 2 * pairs;
          after_escape = false;
          continue;
        }
      } else if (st.ascii_is_itself) {
        const unsigned stop = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(block, _mm_cmpeq_epi8(block, _mm_set1_epi8(0x1B)))));
        const unsigned run = static_cast<unsigned>(__builtin_ctz(stop | 0x10000u));
        if (run) {
          WidenAscii(o, block);
          o += run;
          i += run;
          after_escape = false;
          continue;
        }
      }
    }
#endif
    // The byte right after a recognised escape is not tested for another one.
    if (p[i] == 0x1B && i + 2 < n && !after_escape) {
      const bool to_two = p[i + 1] == '$' && p[i + 2] == 'B';
      if (to_two || (p[i + 1] == '(' && (p[i + 2] == 'J' || p[i + 2] == 'B'))) {
        two_byte = to_two;
        i += 3;
        if (i + 1 >= n) break;
        after_escape = true;
        continue;
      }
    }
    after_escape = false;
    unsigned c1 = p[i];
    unsigned c2 = p[i + 1];
    if (two_byte) {
      if (c1 >= 0x1E && c1 < 0x80 && c2 < 0x80) {
        *o++ = text[0x80 + (c1 << 7 | c2)];
        i += 2;
        continue;
      }
      PairArithmetic(c1, c2);
    }
    if (c1 <= 0x7F) {
      *o++ = t.single[p[i]];  // as received: CR and LF survive inside kanji runs
      ++i;
    } else if (c1 >= 0xA0 && c1 <= 0xDF) {
      *o++ = t.single[c1];
      ++i;
    } else {
      *o++ = c1 < 256 && c2 < 256 && t.is_lead[c1] && t.is_trail[c2] ? t.pair[(c1 << 8) | c2]
                                                                     : t.single['?'];
      i += 2;
    }
  }
  if (i + 1 == n) *o++ = LastByte(t, p[i]);
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

Text DecodePage(std::string_view bytes, int charchange) {
  switch (charchange) {
    case 0:
      return ConvertEucPage(bytes);
    case 1:
      return DecodeCp932(bytes);
    default:
      return ConvertJisPage(bytes);
  }
}

}  // namespace pellucor
