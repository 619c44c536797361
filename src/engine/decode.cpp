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

// Code page 932 decoding fed one byte at a time, as DecodeCp932 reads a whole string: a lead
// byte waits for its trail byte; a lead byte without one stands as the default character and
// the byte after it is read on its own.
class Cp932Reader {
 public:
  Cp932Reader(const Cp932Tables& t, char16_t* out) : t_(t), o_(out) {}
  Cp932Reader(const Cp932Reader&) = delete;

  // A byte below 0x80, never a lead byte.
  void PutAscii(unsigned b) {
    if (lead_ == kNone)
      *o_++ = t_.single[b];
    else
      Put(b);
  }

#if defined(__SSE2__)
  // Sixteen bytes below 0x80 that decode to themselves, with no lead byte waiting.
  void PutAsciiBlock(__m128i bytes) {
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o_), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o_ + 8), _mm_unpackhi_epi8(bytes, zero));
    o_ += 16;
  }
#endif

  // No lead byte waiting: the bytes of a whole character may be replaced by the character.
  bool Idle() const {
    return lead_ == kNone;
  }
  void PutChar(char16_t c) {
    *o_++ = c;
  }

  void Put(unsigned b) {
    if (lead_ != kNone) {
      if (t_.is_trail[b]) {
        *o_++ = t_.pair[(lead_ << 8) | b];
        lead_ = kNone;
        return;
      }
      *o_++ = kCp932Default;
      lead_ = kNone;
    }
    if (t_.is_lead[b])
      lead_ = b;
    else
      *o_++ = t_.single[b];
  }

  char16_t* Finish() {
    if (lead_ != kNone) *o_++ = kCp932Default;
    lead_ = kNone;
    return o_;
  }

 private:
  static constexpr unsigned kNone = 0x100;
  const Cp932Tables& t_;
  char16_t* o_;
  unsigned lead_ = kNone;
};

// The character an EUC-JP pair (both bytes >= 0x80, not 0x8E) decodes to on its own, by its
// two low 7-bit halves: what the pair arithmetic and the code page 932 table give, or "?".
const std::vector<char16_t>& EucPairText() {
  static const std::vector<char16_t> table = [] {
    const Cp932Tables& t = GetCp932Tables();
    std::vector<char16_t> v(128 * 128);
    for (unsigned hi = 0; hi < 128; ++hi) {
      for (unsigned lo = 0; lo < 128; ++lo) {
        unsigned c1 = hi, c2 = lo;
        PairArithmetic(c1, c2);
        v[hi << 7 | lo] = c1 < 256 && c2 < 256 && t.is_lead[c1] && t.is_trail[c2]
                              ? t.pair[(c1 << 8) | c2]
                              : t.single[static_cast<unsigned char>('?')];
      }
    }
    return v;
  }();
  return table;
}

}  // namespace

// EucToShiftJis and DecodeCp932 in one pass, without the Shift_JIS copy of the page: the
// bytes EucToShiftJis would write go straight into the decoder, so the text is the same.
Text ConvertEucPage(std::string_view bytes) {
  const Tables& tables = GetTables();
  const Cp932Tables& t = tables.cp932;
  const std::vector<char16_t>& pairs = EucPairText();
  static const bool ascii_is_itself = [&t] {
    for (unsigned b = 0; b < 0x80; ++b)
      if (t.single[b] != b) return false;
    return true;
  }();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  // At most one byte out per byte in, and at most one character per byte decoded.
  Text out(n, u'\0');
  Cp932Reader r(t, out.data());
  size_t i = 0;
  while (i + 1 < n) {
    unsigned c1 = p[i];
    if (c1 <= 0x7F) {
#if defined(__SSE2__)
      // Markup comes in long runs of ASCII: sixteen bytes at a time where they all are.
      if (ascii_is_itself && i + 16 <= n && r.Idle()) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(block) == 0) {
          r.PutAsciiBlock(block);
          i += 16;
          continue;
        }
      }
#endif
      r.PutAscii(c1);
      ++i;
      continue;
    }
    unsigned c2 = p[i + 1];
    if (c1 == 0x8E) {
      uint16_t code = tables.wide[c2];
      if (code >= 0x100) r.Put(code >> 8);
      r.Put(code & 0xFF);
    } else if (r.Idle()) {
      r.PutChar(pairs[(c1 & 0x7F) << 7 | (c2 & 0x7F)]);
    } else {
      c1 &= 0x7F;
      c2 &= 0x7F;
      PairArithmetic(c1, c2);
      if (c1 < 256 && c2 < 256 && t.is_lead[c1] && t.is_trail[c2]) {
        r.Put(c1);
        r.Put(c2);
      } else {
        r.Put('?');
      }
    }
    i += 2;
  }
  if (i + 1 == n) r.Put(p[i]);
  out.resize(static_cast<size_t>(r.Finish() - out.data()));
  return out;
}

Text ConvertJisPage(std::string_view bytes) {
  return DecodeCp932(JisToShiftJis(bytes));
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
