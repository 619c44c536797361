#include "common/text.h"

#include <iconv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/cp932_tables.h"

namespace pellucor {

// ---------------------------------------------------------------------------------------------
// UTF-8

Text FromUtf8(std::string_view s) {
  Text out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2, cp = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4, cp = b & 0x07, min = 0x10000;
    }
    if (len == 0 || i + len > n) {
      // Invalid lead, or cut short: one replacement, then resync on the next lead byte.
      out.push_back(u'\uFFFD');
      ++i;
      while (len && i < n && (p[i] & 0xC0) == 0x80) ++i;
      continue;
    }
    int k = 1;
    for (; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) break;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      i += k;
      continue;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Code page 932. glibc's "CP932" converter is the authority; it is asked once for every code
// and the answers are kept in tables, so decoding a page is a table walk.

namespace {

// Converts one short byte sequence; nothing when iconv rejects it.
bool IconvOne(iconv_t cd, const char* in, size_t in_len, char* out, size_t* out_len) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* ip = const_cast<char*>(in);
  char* op = out;
  size_t il = in_len;
  size_t ol = *out_len;
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return false;
  *out_len = *out_len - ol;
  return true;
}

// The pairs and the UTF-16 units one iconv call each: the plain way, and what the batched way
// falls back to.
void FillOneByOne(Cp932Tables& t, iconv_t dec, iconv_t enc) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!t.is_lead[lead]) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!t.is_trail[trail]) continue;
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char out[8];
      size_t ol = sizeof out;
      if (IconvOne(dec, in, 2, out, &ol) && ol == 2)
        t.pair[(lead << 8) | trail] = static_cast<char16_t>(
            static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
    }
  }
  for (int c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    char out[8];
    size_t ol = sizeof out;
    if (!IconvOne(enc, in, 2, out, &ol)) continue;
    if (ol == 1)
      t.encode[c] = static_cast<unsigned char>(out[0]);
    else if (ol == 2)
      t.encode[c] = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                          static_cast<unsigned char>(out[1]));
  }
}

// Converts `in`, codes of `unit` bytes that each end in a NUL, in few iconv calls. No character
// but NUL has a NUL in its output, so the output splits into one piece per code at the NULs
// (`nul` bytes wide, at multiples of it); `got(index, piece)` gets the piece without its NUL. A
// code iconv rejects gets no call; with `skips` (a converter opened with //IGNORE, which goes on
// past a character it cannot write) its piece is empty. False when the output does not split
// that way.
template <class Got>
bool ConvertEach(iconv_t cd, bool skips, std::string& in, size_t unit, size_t nul, Got got) {
  std::string out(in.size() * 4, '\0');
  size_t pos = 0;
  while (pos < in.size()) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* ip = in.data() + pos;
    char* op = out.data();
    size_t il = in.size() - pos, ol = out.size();
    const bool rejected = iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1);
    const size_t done = static_cast<size_t>(ip - in.data());
    if ((rejected && errno != EILSEQ) || done % unit != 0) return false;
    const size_t len = static_cast<size_t>(op - out.data());
    size_t index = pos / unit, piece = 0;
    for (size_t k = 0; k + nul <= len; k += nul) {
      if (out[k] != '\0' || out[k + nul - 1] != '\0') continue;
      if (index >= done / unit) return false;
      got(index++, std::string_view(out).substr(piece, k - piece));
      piece = k + nul;
    }
    if (index != done / unit || piece != len) return false;
    if (rejected && skips && done == pos) return false;  // no headway
    pos = rejected && !skips ? done + unit : done;
  }
  return true;
}

// Every pair, and every UTF-16 unit, in one buffer each.
bool FillBatched(Cp932Tables& t, iconv_t dec, iconv_t enc) {
  std::vector<uint16_t> codes;
  std::string in;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC && t.is_lead[lead]; ++trail) {
      if (!t.is_trail[trail]) continue;
      codes.push_back(static_cast<uint16_t>(lead << 8 | trail));
      in += {static_cast<char>(lead), static_cast<char>(trail), '\0'};
    }
  }
  bool ok = ConvertEach(dec, false, in, 3, 2, [&](size_t i, std::string_view piece) {
    if (piece.size() == 2)
      t.pair[codes[i]] = static_cast<char16_t>(static_cast<unsigned char>(piece[0]) |
                                               (static_cast<unsigned char>(piece[1]) << 8));
  });
  if (!ok) return false;
  // NUL is the separator: it goes alone.
  char nul_in[2] = {0, 0}, out[8];
  size_t ol = sizeof out;
  if (IconvOne(enc, nul_in, 2, out, &ol) && ol == 1)
    t.encode[0] = static_cast<unsigned char>(out[0]);
  codes.clear();
  in.clear();
  for (int c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    codes.push_back(static_cast<uint16_t>(c));
    in += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8), '\0', '\0'};
  }
  // Most units have no code: each rejection would cost a call, so the converter skips them.
  iconv_t skipping = iconv_open("CP932//IGNORE", "UTF-16LE");
  if (skipping == reinterpret_cast<iconv_t>(-1)) return false;
  ok = ConvertEach(skipping, true, in, 4, 1, [&](size_t i, std::string_view piece) {
    if (piece.size() == 1)
      t.encode[codes[i]] = static_cast<unsigned char>(piece[0]);
    else if (piece.size() == 2)
      t.encode[codes[i]] = static_cast<uint16_t>((static_cast<unsigned char>(piece[0]) << 8) |
                                                 static_cast<unsigned char>(piece[1]));
  });
  iconv_close(skipping);
  return ok;
}

}  // namespace

Cp932Tables BuildCp932Tables(bool one_code_per_call) {
  Cp932Tables t;
  iconv_t dec = iconv_open("UTF-16LE", "CP932");
  iconv_t enc = iconv_open("CP932", "UTF-16LE");
  if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
    // Without the converter only ASCII is known; everything else stands in as the default.
    if (dec != reinterpret_cast<iconv_t>(-1)) iconv_close(dec);
    if (enc != reinterpret_cast<iconv_t>(-1)) iconv_close(enc);
    for (int b = 0; b < 0x80; ++b) {
      t.single[b] = static_cast<char16_t>(b);
      t.encode[b] = static_cast<uint16_t>(b);
    }
    return t;
  }
  for (int b = 0; b < 256; ++b) {
    t.is_lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    t.is_trail[b] = (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
    if (t.is_lead[b]) continue;
    char in = static_cast<char>(b);
    char out[8];
    size_t ol = sizeof out;
    if (IconvOne(dec, &in, 1, out, &ol) && ol == 2)
      t.single[b] = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                          (static_cast<unsigned char>(out[1]) << 8));
  }
  // Asking code by code costs some 75,000 iconv calls, a noticeable part of every start.
  if (one_code_per_call || !FillBatched(t, dec, enc)) {
    const Cp932Tables blank;
    t.pair = blank.pair;
    t.encode = blank.encode;
    FillOneByOne(t, dec, enc);
  }
  iconv_close(dec);
  iconv_close(enc);
  return t;
}

Cp932Tables::Cp932Tables() {
  single.fill(kCp932Default);
  pair.assign(0x10000, kCp932Default);
  encode.assign(0x10000, kNoCode);
  is_lead.fill(false);
  is_trail.fill(false);
}

const Cp932Tables& GetCp932Tables() {
  static const Cp932Tables* tables = new Cp932Tables(BuildCp932Tables());  // once, thread-safe
  return *tables;
}

Text DecodeCp932(std::string_view bytes) {
  const Cp932Tables& t = GetCp932Tables();
  Text out;
  out.resize(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  char16_t* o = out.data();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (!t.is_lead[b]) {
      *o++ = t.single[b];
      ++i;
    } else if (i + 1 < n && t.is_trail[p[i + 1]]) {
      // Lead and trail: one character, the default one when the code is undefined.
      *o++ = t.pair[(b << 8) | p[i + 1]];
      i += 2;
    } else {
      // A lead byte without a trail byte: the next byte is read on its own.
      *o++ = kCp932Default;
      ++i;
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

namespace {

// The bytes of each character as they lie in memory (lead byte first), "?" for a character
// without a code: a value above 0xFF is a pair, since a trail byte is never 0.
const std::vector<uint16_t>& EncodedBytes() {
  static const std::vector<uint16_t> table = [] {
    const Cp932Tables& t = GetCp932Tables();
    std::vector<uint16_t> v(0x10000);
    for (size_t c = 0; c < v.size(); ++c) {
      const uint16_t code = t.encode[c] == Cp932Tables::kNoCode ? uint16_t{'?'} : t.encode[c];
      v[c] = code > 0xFF ? static_cast<uint16_t>((code >> 8) | (code << 8)) : code;
    }
    return v;
  }();
  return table;
}

}  // namespace

std::string EncodeCp932(TextView text) {
  const uint16_t* bytes_of = EncodedBytes().data();
  // Written through a pointer into a buffer of the largest size, two bytes for every
  // character; the pointer moves by one or two, so there is no branch per character (one- and
  // two-byte characters alternate often in Japanese text). The buffer has room for the second
  // byte even after the last character.
  std::string out(text.size() * 2, '\0');
  char* p = out.data();
  auto put = [&p, bytes_of](char16_t c) {
    const uint16_t b = bytes_of[c];
    std::memcpy(p, &b, 2);
    p += b > 0xFF ? 2 : 1;
  };
  const char16_t* s = text.data();
  const size_t n = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  static const bool ascii_is_itself = [bytes_of] {
    for (uint16_t c = 0; c < 0x80; ++c)
      if (bytes_of[c] != c) return false;
    return true;
  }();
  // Eight characters at a time: markup comes in long runs of ASCII.
  for (; i + 8 <= n; i += 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i high = _mm_andnot_si128(_mm_set1_epi16(0x7F), block);
    if (ascii_is_itself &&
        _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(block, block));
      p += 8;
      continue;
    }
    for (size_t k = 0; k < 8; ++k) put(s[i + k]);
  }
#endif
  for (; i < n; ++i) put(s[i]);
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

int Cp932Width(char16_t c) {
  const uint16_t code = GetCp932Tables().encode[c];
  return code != Cp932Tables::kNoCode && code >= 0x100 ? 2 : 1;
}

size_t Cp932Length(TextView text) {
  const Cp932Tables& t = GetCp932Tables();
  size_t n = 0;
  for (char16_t c : text) {
    const uint16_t code = t.encode[c];
    n += code != Cp932Tables::kNoCode && code >= 0x100 ? 2 : 1;
  }
  return n;
}

// ---------------------------------------------------------------------------------------------

Text ReplaceLineBreaks(TextView text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      out.push_back(u'\n');
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

Text TrimSpaces(TextView text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  return Text(text.substr(b, e - b));
}

Text UpperCase(TextView text) {
  Text out(text);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - 0x20);
    else if (c >= u'\uFF41' && c <= u'\uFF5A')
      c = static_cast<char16_t>(c - 0x20);
  }
  return out;
}

}  // namespace pellucor
