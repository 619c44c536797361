#include "engine/decode.h"

#include <cstring>

#include "engine/decode_steps.h"

namespace pellucor {
namespace {

using namespace decode_detail;

// ---- EUC-JP ----

// One step per character, as EucToShiftJis and DecodeCp932 would go; where a block of sixteen
// bytes holds only ASCII and whole pairs of high bytes, the characters are found from the
// block's masks.
template <bool kDrop>
Text EucPage(std::string_view bytes) {
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
    if (i + 17 <= n && st.ascii_is_itself) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const unsigned high = Mask(block);
      const unsigned breaks = kDrop ? BreakMask(block) : 0;
      if (high == 0 && breaks == 0) {
        WidenAscii(o, block);
        o += 16;
        i += 16;
        continue;
      }
      const unsigned leads = Leads(high);
      const unsigned trails = leads << 1;  // bit 16: the byte after the block
      const unsigned kana = Mask(_mm_cmpeq_epi8(block, _mm_set1_epi8('\x8E')));
      // Every pair whole and of two high bytes, and no 0x8E: the masks hold the parse. Each
      // position is looked up as if a character began there (a high byte as a pair with the
      // byte after it), and the output moves on only where one does.
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
        PutStarts(o, text, index, ~trails & ~breaks);
        i += 16 + (trails >> 16);
        continue;
      }
      // Otherwise the block goes one step at a time; the next block starts where it ends.
      const size_t stop = i + 16;
      while (i < stop) {
        const unsigned c1 = p[i];
        if (c1 <= 0x7F) {
          Put<kDrop>(o, text[c1]);
          ++i;
        } else {
          const unsigned c2 = p[i + 1];
          Put<kDrop>(o, c1 == 0x8E ? st.wide_text[c2] : st.Pair(c1, c2));
          i += 2;
        }
      }
      continue;
    }
#endif
    const unsigned c1 = p[i];
    if (c1 <= 0x7F) {
      Put<kDrop>(o, text[c1]);
      ++i;
      continue;
    }
    const unsigned c2 = p[i + 1];
    // 0x8F (JIS X 0212) has no meaning of its own: it pairs like any other byte.
    Put<kDrop>(o, c1 == 0x8E ? st.wide_text[c2] : st.Pair(c1, c2));
    i += 2;
  }
  if (i + 1 == n) Put<kDrop>(o, LastByte(tables.cp932, p[i]));
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

// ---- JIS ----

#if defined(__SSE2__)
// Sixteen bytes at a time: the characters of the run of ordinary bytes at their start (pair
// bytes 0x1E-0x7F inside a two-byte run, ASCII other than ESC outside) are written for the
// whole block and the output moves on by as many as the run holds. The blocks hold no escape
// byte, so they may follow an escape at once. True when the run fills the block: otherwise the
// byte after the run needs a step of its own.
template <bool kDrop>
inline bool JisBlock(const unsigned char* p, size_t left, bool two_byte, const char16_t* text,
                     char16_t*& o, size_t& i) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  if (two_byte) {
    const unsigned ordinary =
        Mask(_mm_cmpgt_epi8(block, _mm_set1_epi8(0x1D)));  // bytes from 0x80 are < 0
    const unsigned pairs = static_cast<unsigned>(__builtin_ctz(~ordinary)) / 2;
    // Only the run's bytes are below 0x80; the rest are cut to 7 bits so that the look-ups
    // whose characters are not kept stay inside the table.
    const __m128i c1 = _mm_and_si128(block, _mm_set1_epi16(0x7F));
    const __m128i c2 = _mm_and_si128(_mm_srli_epi16(block, 8), _mm_set1_epi16(0x7F));
    alignas(16) uint16_t index[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_add_epi16(_mm_set1_epi16(0x80), _mm_or_si128(_mm_slli_epi16(c1, 7), c2)));
    for (int k = 0; k < 8; ++k) o[k] = text[index[k]];
    o += pairs;
    i += 2 * pairs;
    return pairs == 8;
  }
  const unsigned stop = Mask(_mm_or_si128(block, _mm_cmpeq_epi8(block, _mm_set1_epi8(0x1B))));
  const unsigned run = static_cast<unsigned>(__builtin_ctz(stop | 0x10000u));
  // Line breaks inside the run are dropped here rather than ending it: each would otherwise
  // cost a step of its own, and text lines are short.
  const unsigned breaks = kDrop ? BreakMask(block) & ((1u << run) - 1) : 0;
  if (breaks == 0) {
    WidenAscii(o, block);
    o += run;
  } else if (left >= 32) {
    // Each stretch between breaks is widened from a load at its start; the sixteen bytes read
    // and written there stay inside the page and the output, which has a character per byte.
    for (unsigned kept = ~breaks & ((1u << run) - 1); kept != 0;) {
      const unsigned at = static_cast<unsigned>(__builtin_ctz(kept));
      const unsigned len = static_cast<unsigned>(__builtin_ctz(~(kept >> at)));
      WidenAscii(o, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)));
      o += len;
      kept &= ~0u << (at + len);
    }
  } else {
    for (unsigned j = 0; j < run; ++j) {
      *o = p[j];
      o += !((breaks >> j) & 1u);
    }
  }
  i += run;
  return run == 16;
}
#endif

// JisToShiftJis and DecodeCp932 in one pass.
template <bool kDrop>
Text JisPage(std::string_view bytes) {
  const Tables& tables = GetTables();
  const Cp932Tables& t = tables.cp932;
  const StepText& st = GetStepText();
  const char16_t* text = st.text.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  Text out(n, u'\0');  // at most one character per byte
  char16_t* o = out.data();
  bool two_byte = false, after_escape = false;
  size_t i = 0;
  while (i + 1 < n) {
#if defined(__SSE2__)
    // Whole blocks go on to the next block; a run that ends inside one is followed by one step
    // here (an escape, a break, a byte outside the run), without a second look at the block.
    if (i + 16 <= n && st.ascii_is_itself) {
      const size_t before = i;
      if (JisBlock<kDrop>(p + i, n - i, two_byte, text, o, i)) {
        after_escape = false;
        continue;
      }
      if (i != before) after_escape = false;
      // Most runs end at an escape: it is taken here, from one load of its bytes.
      if (!after_escape && i + 4 <= n && p[i] == 0x1B) {
        uint32_t w;
        std::memcpy(&w, p + i, 4);
        w &= 0xFFFFFFu;  // little-endian: ESC, then the two bytes after it
        const bool to_two = w == (0x1Bu | '$' << 8 | 'B' << 16);
        if (to_two || w == (0x1Bu | '(' << 8 | 'B' << 16) || w == (0x1Bu | '(' << 8 | 'J' << 16)) {
          two_byte = to_two;
          i += 3;
          after_escape = true;
          continue;  // at least one byte is left
        }
      }
      if (i + 1 >= n) break;
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
        Put<kDrop>(o, text[0x80 + (c1 << 7 | c2)]);
        i += 2;
        continue;
      }
      PairArithmetic(c1, c2);
    }
    if (c1 <= 0x7F) {
      Put<kDrop>(o, t.single[p[i]]);  // as received: CR and LF survive inside kanji runs
      ++i;
    } else if (c1 >= 0xA0 && c1 <= 0xDF) {
      Put<kDrop>(o, t.single[c1]);
      ++i;
    } else {
      Put<kDrop>(o, c1 < 256 && c2 < 256 && t.is_lead[c1] && t.is_trail[c2] ? t.pair[(c1 << 8) | c2]
                                                                            : t.single['?']);
      i += 2;
    }
  }
  if (i + 1 == n) Put<kDrop>(o, LastByte(t, p[i]));
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

// ---- Shift_JIS ----

// DecodeCp932, with blocks of sixteen bytes parsed from their masks: a lead byte takes the
// byte after it when that is a trail byte, else it stands alone as the default character.
template <bool kDrop>
Text SjisPage(std::string_view bytes) {
  const Cp932Tables& t = GetTables().cp932;
  const StepText& st = GetStepText();
  const char16_t* sjis = st.sjis.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  Text out(n, u'\0');  // at most one character per byte
  char16_t* o = out.data();
  size_t i = 0;
  while (i < n) {
#if defined(__SSE2__)
    if (i + 17 <= n && st.ascii_is_itself) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const unsigned high = Mask(block);
      const unsigned breaks = kDrop ? BreakMask(block) : 0;
      if (high == 0 && breaks == 0) {
        WidenAscii(o, block);
        o += 16;
        i += 16;
        continue;
      }
      // With the top bit flipped the ranges compare as signed bytes: leads 0x81-0x9F and
      // 0xE0-0xFC, trails 0x40-0x7E and 0x80-0xFC.
      const __m128i x = _mm_xor_si128(block, _mm_set1_epi8(static_cast<char>(0x80)));
      auto within = [&x](int lo, int hi) {  // lo <= x <= hi, as signed bytes
        return _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(static_cast<char>(lo - 1))),
                             _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(hi + 1)), x));
      };
      const __m128i lead = _mm_or_si128(within(0x01, 0x1F), within(0x60, 0x7C));
      const unsigned lead_capable = Mask(lead);
      const unsigned trail_ok = Mask(_mm_or_si128(within(-0x40, -0x02), within(0x00, 0x7C)));
      const unsigned leads = Leads(lead_capable);
      const unsigned trails = leads << 1;
      if ((trails & ~trail_ok & 0xFFFFu) == 0 && (!(trails & 0x10000u) || t.is_trail[p[i + 16]])) {
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i zero = _mm_setzero_si128();
        alignas(16) uint16_t index[16];
        for (int half = 0; half < 2; ++half) {
          const __m128i c1 = half ? _mm_unpackhi_epi8(block, zero) : _mm_unpacklo_epi8(block, zero);
          const __m128i c2 = half ? _mm_unpackhi_epi8(next, zero) : _mm_unpacklo_epi8(next, zero);
          const __m128i is_lead =
              half ? _mm_unpackhi_epi8(lead, lead) : _mm_unpacklo_epi8(lead, lead);
          const __m128i pair = _mm_or_si128(_mm_slli_epi16(c1, 8), c2);
          _mm_store_si128(
              reinterpret_cast<__m128i*>(index + 8 * half),
              _mm_or_si128(_mm_and_si128(is_lead, pair), _mm_andnot_si128(is_lead, c1)));
        }
        PutStarts(o, sjis, index, ~trails & ~breaks);
        i += 16 + (trails >> 16);
        continue;
      }
    }
#endif
    const unsigned b = p[i];
    if (!t.is_lead[b]) {
      Put<kDrop>(o, t.single[b]);
      ++i;
    } else if (i + 1 < n && t.is_trail[p[i + 1]]) {
      Put<kDrop>(o, t.pair[(b << 8) | p[i + 1]]);
      i += 2;
    } else {
      Put<kDrop>(o, kCp932Default);  // a lead byte without a trail byte
      ++i;
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

template <bool kDrop>
Text Decode(std::string_view bytes, int charchange) {
  switch (charchange) {
    case 0:
      return EucPage<kDrop>(bytes);
    case 1:
      return SjisPage<kDrop>(bytes);
    default:
      return JisPage<kDrop>(bytes);
  }
}

}  // namespace

Text ConvertEucPage(std::string_view bytes) {
  return EucPage<false>(bytes);
}

Text ConvertJisPage(std::string_view bytes) {
  return JisPage<false>(bytes);
}

Text DecodePage(std::string_view bytes, int charchange) {
  return Decode<false>(bytes, charchange);
}

Text DecodePageWithoutBreaks(std::string_view bytes, int charchange) {
  return Decode<true>(bytes, charchange);
}

}  // namespace pellucor
