#include "common/search.h"

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/numeric.h"

namespace pellucor {
namespace {

// First index in [from, end) holding `c`, or npos.
size_t FindUnit(const char16_t* s, size_t from, size_t end, char16_t c) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi16(static_cast<short>(c));
  auto at = [&](size_t k) {
    return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k)), want);
  };
  // Thirty-two characters per test while nothing matches, then the block is looked into.
  for (; i + 32 <= end; i += 32) {
    const __m128i a = at(i), b = at(i + 8), d = at(i + 16), e = at(i + 24);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(d, e))) != 0) break;
  }
  for (; i + 8 <= end; i += 8) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, want)));
    if (mask) return i + (static_cast<unsigned>(__builtin_ctz(mask)) >> 1);
  }
#endif
  for (; i < end; ++i)
    if (s[i] == c) return i;
  return TextView::npos;
}

// The needle character to scan for: markup characters such as "<" are everywhere in a page,
// so the first character that is not one of them gives fewer false starts.
size_t AnchorOf(TextView needle) {
  // A template macro is told apart by the end of its name: every "<@SYS_..>" starts alike.
  if (needle.size() > 3 && needle[0] == u'<' && needle[1] == u'@' && needle.back() == u'>')
    return needle.size() - 2;
  const size_t limit = needle.size() < 4 ? needle.size() : 4;
  for (size_t k = 0; k < limit; ++k) {
    switch (needle[k]) {
      case u'<':
      case u'>':
      case u'/':
      case u' ':
      case u'"':
      case u'=':
        continue;
      default:
        return k;
    }
  }
  return 0;
}

}  // namespace

size_t FindText(TextView text, TextView needle, size_t pos) {
  const size_t n = text.size(), m = needle.size();
  if (m == 0) return pos <= n ? pos : TextView::npos;
  if (pos > n || m > n - pos) return TextView::npos;
  const char16_t* s = text.data();
  const size_t k = AnchorOf(needle);
  const size_t end = n - m + k + 1;  // the anchor of the last possible start, plus one
  for (size_t q = pos + k;; ++q) {
    q = FindUnit(s, q, end, needle[k]);
    if (q == TextView::npos) return TextView::npos;
    const size_t start = q - k;
    if (text.compare(start, m, needle) == 0) return start;
  }
}

int64_t FindFrom(TextView text, TextView needle, int64_t start) {
  if (start < 1) start = 1;
  const int64_t len = static_cast<int64_t>(text.size());
  if (start > len) return 0;
  size_t p = FindText(text, needle, static_cast<size_t>(start - 1));
  return p == TextView::npos ? 0 : static_cast<int64_t>(p) + 1;
}

// The last occurrence whose start lies in [start, last_start]. Repeated forward searches from
// one character past each occurrence visit every overlapping occurrence, so this is simply the
// rightmost one in the window; a reverse search finds it in one pass.
int64_t FindLast(TextView text, TextView needle, int64_t start, int64_t last_start) {
  const int64_t len = static_cast<int64_t>(text.size());
  if (last_start == -1) last_start = len;
  if (start < 1) start = 1;
  if (len == 0 || start > len || last_start < start) return 0;
  int64_t hi = last_start > len ? len : last_start;  // no occurrence begins past the end
  size_t p = text.rfind(needle, static_cast<size_t>(hi - 1));
  if (p == TextView::npos) return 0;
  int64_t pos = static_cast<int64_t>(p) + 1;
  return pos >= start ? pos : 0;
}

// An empty needle is found at every position 1..length; the count of length + 1 gives 0,
// like a forward search that starts past the end.
int64_t FindNth(TextView text, TextView needle, int64_t n) {
  if (n == 0 || n > 10000 || n < -10000) return 0;
  int64_t p = 0;
  if (n > 0) {
    int64_t from = 1;
    for (int64_t k = 0; k < n; ++k) {
      p = FindFrom(text, needle, from);
      if (p == 0) return 0;
      from = p + 1;
    }
  } else {
    int64_t last = static_cast<int64_t>(text.size());
    for (int64_t k = 0; k < -n; ++k) {
      p = FindLast(text, needle, 1, last);
      if (p == 0) return 0;
      last = p - 1;
    }
  }
  return p;
}

int64_t FindNth(TextView text, TextView needle, TextView n) {
  return FindNth(text, needle, WholeValue(n));
}

Text ReplaceAll(TextView text, TextView find, TextView replacement, bool ignore_case) {
  if (find.empty()) return Text(text);
  Text upper_text;
  Text upper_find;
  TextView hay = text;
  TextView pat = find;
  if (ignore_case) {
    upper_text = UpperCase(text);  // same length, so positions carry over
    upper_find = UpperCase(find);
    hay = upper_text;
    pat = upper_find;
  }
  Text out;
  out.reserve(text.size());
  size_t pos = 0;
  while (true) {
    size_t p = FindText(hay, pat, pos);
    if (p == TextView::npos) break;
    out.append(text.substr(pos, p - pos));
    out.append(replacement);
    pos = p + find.size();
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace pellucor
