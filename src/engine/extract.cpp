#include "engine/extract.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/format.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/decode.h"

namespace pellucor {
namespace {

// Switch strings: a switch is on when the character at its (1-based) position is "1".
bool SwitchOn(TextView special, size_t position) {
  return special.size() >= position && special[position - 1] == u'1';
}

Text Sub(TextView text, int64_t p, int64_t e) {  // characters p..e, 1-based, inclusive
  if (p < 1 || e < p || p > static_cast<int64_t>(text.size())) return {};
  return Text(text.substr(p - 1, e - p + 1));
}

bool Contains(TextView text, TextView needle) {
  return FindText(text, needle) != TextView::npos;
}

// Copies `in` to `out` without TAB, LF and CR; the count written. `out` may be `in` itself.
size_t DropLineBreaksAndTabs(TextView in, char16_t* out) {
  constexpr uint32_t kDropped = (1u << u'\t') | (1u << u'\n') | (1u << u'\r');
  const char16_t* s = in.data();
  const size_t n = in.size();
  size_t w = 0, i = 0;
  while (i < n) {
#if defined(__SSE2__)
    // Eight characters at once when none is at or below CR. A block is loaded before it is
    // stored at w <= i, so the copy may run within one buffer.
    if (i + 8 <= n) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i low = _mm_cmpeq_epi16(
          _mm_subs_epu16(block, _mm_set1_epi16(static_cast<short>(u'\r'))), _mm_setzero_si128());
      if (_mm_movemask_epi8(low) == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), block);
        w += 8;
        i += 8;
        continue;
      }
    }
#endif
    // One test per character for everything above CR.
    for (const size_t stop = i + 8 < n ? i + 8 : n; i < stop; ++i) {
      const char16_t c = s[i];
      out[w] = c;
      w += (c > u'\r' || !((kDropped >> c) & 1u)) ? 1 : 0;
    }
  }
  return w;
}

}  // namespace

Text PreparePage(TextView page, const BoardDefinition& def) {
  TextView kept = page;
  // Cut values are any whole numbers a definition gives (1e30 saturates): sums of two of them
  // are taken in a wider type.
  __extension__ typedef __int128 Wide;
  const Wide bf = def.cut_bf, af = def.cut_af;
  const Wide len = static_cast<Wide>(page.size());
  if ((bf > 0 || af > 0) && len > bf + af) {
    const Wide start = bf > 0 ? bf : 1;
    const Wide length = len - start - af + 2;
    TextView part;
    if (start <= len && length > 0)
      part = page.substr(static_cast<size_t>(start - 1),
                         static_cast<size_t>(std::min<Wide>(length, len)));
    if (def.cut_checkword.empty() || part.find(def.cut_checkword) != TextView::npos) kept = part;
  }
  if (NumericValue(def.crlftab_neglect) == 1) return Text(kept);
  Text out;
  out.resize(kept.size());
  out.resize(DropLineBreaksAndTabs(kept, out.data()));
  return out;
}

void PreparePageInPlace(Text& page, const BoardDefinition& def) {
  __extension__ typedef __int128 Wide;
  const Wide bf = def.cut_bf, af = def.cut_af;
  if ((bf > 0 || af > 0) && static_cast<Wide>(page.size()) > bf + af) {
    page = PreparePage(page, def);
    return;
  }
  if (NumericValue(def.crlftab_neglect) == 1) return;
  page.resize(DropLineBreaksAndTabs(page, page.data()));  // writes never pass the reads
}

Text DecodePreparedPage(std::string_view bytes, const BoardDefinition& def) {
  if (def.cut_bf <= 0 && def.cut_af <= 0 && NumericValue(def.crlftab_neglect) != 1)
    return DecodePageWithoutBreaks(bytes, def.charchange);
  Text page = DecodePage(bytes, def.charchange);
  PreparePageInPlace(page, def);
  return page;
}

Text ExtractItem(TextView page, const ItemRule& rule) {
  const int64_t bf_len = static_cast<int64_t>(rule.bf_from.size());
  int64_t p, e;
  if (NumericValue(rule.priority) == 0) {
    p = FindNth(page, rule.bf_from, TextView(rule.cnt));
    if (p <= 0) return {};
    p += bf_len;
    if (!rule.bf_to.empty()) {
      int64_t q = FindFrom(page, rule.bf_to, p);
      if (q > 0) p = q + static_cast<int64_t>(rule.bf_to.size());
    }
    e = FindFrom(page, rule.af_from, p);
    if (e <= 0) return {};
    e -= 1;
    if (!rule.af_to.empty()) {
      int64_t r = FindLast(page, rule.af_to, p, e);
      if (r > p) e = r - 1;
    }
  } else {
    e = FindNth(page, rule.af_from, TextView(rule.cnt));
    if (e <= 0) return {};
    e -= 1;
    if (!rule.af_to.empty()) {
      int64_t r = FindLast(page, rule.af_to, 1, e);
      if (r > 0) e = r - 1;
    }
    p = FindLast(page, rule.bf_from, 1, e);
    if (p <= 0) return {};
    p += bf_len;
    if (!rule.bf_to.empty()) {
      int64_t q = FindFrom(page, rule.bf_to, p);
      if (q > 0) p = q + static_cast<int64_t>(rule.bf_to.size());
    }
  }
  return Sub(page, p, e);
}

std::vector<Text> ExtractItems(TextView page, const BoardDefinition& def) {
  std::vector<Text> values;
  values.reserve(def.items.size());
  for (const ItemRule& r : def.items) values.push_back(ExtractItem(page, r));
  return values;
}

bool AllItemsEmpty(const std::vector<Text>& values) {
  for (const Text& v : values)
    if (!v.empty()) return false;
  return true;
}

void CleanUpItems(std::vector<Text>& values, const BoardDefinition& def, TextView output_special,
                  Text& topic_title) {
  auto at = [&](int pos) -> Text* {
    return pos >= 0 && pos < static_cast<int>(values.size()) ? &values[pos] : nullptr;
  };
  Text* title = at(def.title_item);
  Text* subject = at(def.subject_item);
  Text* body = at(def.body_item);
  Text* date = at(def.date_item);

  if (SwitchOn(def.special, 1) && subject && body) {
    Text bold = u"<b>" + *subject + u"</b>";
    if (Contains(*body, bold)) *body = ReplaceAll(*body, bold, u"", false);
  }
  if (SwitchOn(def.special, 2) && title && subject && title->empty())
    *title = !topic_title.empty() ? topic_title : *subject;

  if (SwitchOn(output_special, 1) && date) {
    const Text D = *date;
    std::optional<DateTime> dt = ParseDateTime(D);
    Text d = dt ? FormatYmd(*dt) : D;
    if (ParseDateTime(d)) {
      const Text day = WeekdayName(d);
      d += u'(';
      d += day;
      d += u')';
    }
    Text t = dt ? FormatHm(*dt) : D;
    if (t.size() == 5 && t[2] == u':') d += u" " + t;
    if (SubstringByWidth(d, 5, 1) == u"/" && SubstringByWidth(d, 8, 1) == u"/" &&
        SubstringByWidth(d, 11, 1) == u"(" && SubstringByWidth(d, 14, 1) == u")")
      *date = d;
    else
      *date = u"0000/00/00(00) " + D;
  }
  if (SwitchOn(output_special, 2) && body) *body = RemoveLinks(*body);

  if (topic_title.empty() && title) topic_title = TrimSpaces(*title);
}

Text StripTags(TextView text) {
  Text out;
  out.reserve(text.size());
  int comment = 0, tag = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (c == u'<' && i + 2 < n && text[i + 1] == u'!' && text[i + 2] == u'-')
      ++comment;
    else if (c == u'-' && i + 1 < n && text[i + 1] == u'>' && comment >= 1)
      --comment;
    if (comment == 0) {
      if (c == u'<') ++tag;
      if (tag == 0 && c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') out += c;
      if (c == u'>') tag = 0;
    }
  }
  return out;
}

namespace {

// RemoveLinks works on the text as a list of characters that loses the deleted ones, so a
// splice costs nothing and every search goes on from where the last one stood. `kEnd` is the
// position after the last character (and before the first).
class LinkList {
 public:
  explicit LinkList(TextView text) : text_(text), next_(text.size()), prev_(text.size()) {
    const uint32_t n = static_cast<uint32_t>(text.size());
    for (uint32_t i = 0; i < n; ++i) {
      next_[i] = i + 1 < n ? i + 1 : kEnd;
      prev_[i] = i > 0 ? i - 1 : kEnd;
    }
    head_ = n > 0 ? 0 : kEnd;
  }
  static constexpr uint32_t kEnd = UINT32_MAX;

  uint32_t head() const { return head_; }
  uint32_t Next(uint32_t p) const { return next_[p]; }
  uint32_t Prev(uint32_t p) const { return prev_[p]; }
  char16_t At(uint32_t p) const { return text_[p]; }

  // The characters from p match `pattern` (an "A" also matches "a").
  bool Starts(uint32_t p, std::u16string_view pattern) const {
    for (char16_t want : pattern) {
      if (p == kEnd) return false;
      char16_t c = text_[p];
      if (c != want && !(want == u'A' && c == u'a')) return false;
      p = next_[p];
    }
    return true;
  }

  // Drops the characters from `first` to `last` (both present, `first` not after `last`).
  void Unlink(uint32_t first, uint32_t last) {
    const uint32_t before = prev_[first], after = next_[last];
    (before == kEnd ? head_ : next_[before]) = after;
    if (after != kEnd) prev_[after] = before;
  }

  Text Collect() const {
    Text out;
    for (uint32_t p = head_; p != kEnd; p = next_[p]) out += text_[p];
    return out;
  }

 private:
  TextView text_;
  std::vector<uint32_t> next_, prev_;
  uint32_t head_;
};

}  // namespace

// Each round removes the first link start up to its ">" and the first "</A>" after that, and
// the next round looks again from the character before the splice, so a link that the splice
// itself forms (<<a href=1>A</a> href=2>L</a>) goes too. Searches never step back more than a
// few characters: a "</A>" search skips what an earlier one has already seen to be free of it.
Text RemoveLinks(TextView input) {
  size_t first = 0;
  for (;; ++first) {
    first = input.find(u'<', first);
    if (first == TextView::npos || first + 1 >= input.size()) return Text(input);
    if (input[first + 1] == u'A' || input[first + 1] == u'a') break;
  }
  if (input.size() >= LinkList::kEnd) return Text(input);  // beyond any page

  constexpr uint32_t kEnd = LinkList::kEnd;
  LinkList list(input);
  uint32_t from = static_cast<uint32_t>(first);  // no link start before this
  uint32_t free_until = 0;                       // no "</A>" starts in [b, free_until)
  for (;;) {
    uint32_t a = from;
    while (a != kEnd && !list.Starts(a, u"<A")) a = list.Next(a);
    if (a == kEnd) break;
    uint32_t b = a;
    while (b != kEnd && list.At(b) != u'>') b = list.Next(b);
    if (b == kEnd) break;  // no end of the start tag: keep the rest as it is
    uint32_t c = list.Next(b);
    // A node at or past free_until is still present: everything dropped since it was set lay
    // before the current start tag's end.
    if (c != kEnd && free_until > c) c = free_until;
    while (c != kEnd && !list.Starts(c, u"</A>")) c = list.Next(c);
    if (c == kEnd) break;  // no end of the link: keep the rest as it is

    const uint32_t before = list.Prev(a);
    uint32_t c_last = c;
    for (int k = 0; k < 3; ++k) c_last = list.Next(c_last);
    list.Unlink(a, b);
    list.Unlink(c, c_last);
    // The three characters before the dropped "</A>" may now begin one with what follows it;
    // those before them were searched and stay free of it.
    uint32_t seen = list.Prev(c);
    for (int k = 0; k < 2 && seen != kEnd; ++k) seen = list.Prev(seen);
    free_until = seen == kEnd ? 0 : seen;
    from = before == kEnd ? list.head() : before;
    if (from == kEnd) break;
  }
  return list.Collect();
}

Text WeekdayName(TextView date) {
  static const char16_t kNames[] = u"日月火水木金土";
  std::optional<DateTime> dt = ParseDateTime(date);
  if (!dt) return Text(1, u'\u3000');
  int w = Weekday(*dt);
  if (w < 1 || w > 7) return Text(1, u'\u3000');
  return Text(1, kNames[w - 1]);
}

Text SubstringByWidth(TextView text, int64_t start, int64_t width) {
  Text t = TrimSpaces(text);
  Text out;
  int64_t pos = 0, taken = 0;
  for (char16_t c : t) {
    int w = Cp932Width(c);
    pos += w;
    if (start <= pos) {
      if (taken + w > width) break;
      out += c;
      taken += w;
    }
  }
  return out;
}

}  // namespace pellucor
