#include "engine/extract.h"
#include "engine/template.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "common/numeric.h"
#include "common/search.h"

namespace pellucor {
namespace {

using Texts = std::vector<Text>;

TEST(ExtractItem, AnchorsCountsDirectionsAndRefinements) {
  const Text p = u"abc<td>Name</td>xyz<td>Two</td>";
  struct Case {
    Text page, bf_from, af_from, expected, cnt = u"1", priority = u"0", bf_to = u"", af_to = u"";
  };
  const Case cases[] = {
      {p, u"<td>", u"</td>", u"Name"},
      {p, u"<td>", u"</td>", u"Two", u"2"},
      {p, u"<td>", u"</td>", u"", u"3"},
      {p, u"<td>", u"</td>", u"Two", u"-1"},
      {p, u"<td>", u"</tr>", u""},
      {u"<td></td>", u"<td>", u"</td>", u""},
      // From the end marker: the last bf_from before the chosen af_from.
      {p, u"<td>", u"</td>", u"Name", u"1", u"1"},
      {u"<td>a<td>b</td>", u"<td>", u"</td>", u"b", u"1", u"1"},
      {p, u"<th>", u"</td>", u"", u"1", u"1"},
      // bf_to moves the start on when found; af_to pulls the end back to its last occurrence
      // inside the value, but not when that is at the start.
      {u"<p class=x>v</p>", u"<p", u"</p>", u"v", u"1", u"0", u">"},
      {u"<p>v</p>", u"<p>", u"</p>", u"v", u"1", u"0", u"#"},
      {u"[a;b;c]", u"[", u"]", u"a;b", u"1", u"0", u"", u";"},
      {u"[;abc]", u"[", u"]", u";abc", u"1", u"0", u"", u";"},
      {u"x[a;b]", u"[", u"]", u"a", u"1", u"1", u"", u";"},
      {u"x[=a]", u"[", u"]", u"a", u"1", u"1", u"="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.page + u" " + c.bf_from + u" cnt=" + c.cnt + u" pr=" + c.priority));
    ItemRule r{u"", c.bf_from, c.bf_to, c.af_from, c.af_to, u"", c.priority, c.cnt};
    EXPECT_EQ(ExtractItem(c.page, r), c.expected);
  }
}

TEST(PreparePage, CutAndWhiteSpace) {
  Text page;
  for (int i = 1; i <= 100; ++i) page += static_cast<char16_t>(u'0' + i % 10);
  const Text kept = page.substr(9, 72), ten = page.substr(0, 10), ws = u"a\r\nb\tc\u3000";
  // cut_bf, cut_af, cut_checkword, crlftab_neglect; the page in and out.
  const std::tuple<int64_t, int64_t, Text, Text, Text, Text> cases[] = {
      {10, 20, u"", u"", page, kept},  // characters 10 to 81
      {10, 20, u"0123", u"", page, kept},
      {10, 20, u"x", u"", page, page},  // the guard is not in the kept part
      {0, 1, u"", u"", page, page},     // af 1 keeps the last character
      {60, 40, u"", u"", page, page},   // not longer than bf + af
      {-5, 90, u"", u"", ten, ten},     // odd values never reach outside the page
      {0, -50, u"", u"", ten, ten},
      {INT64_MAX, INT64_MAX, u"", u"", ten, ten},  // 1e30 in a definition: no overflow
      {INT64_MIN, INT64_MAX, u"", u"", ten, u""},  // cuts everything away
      {1, INT64_MIN, u"", u"", ten, ten},
      {0, 0, u"", u"2", ws, u"abc\u3000"},  // TAB, CR and LF go unless the switch is 1
      {0, 0, u"", u"1", ws, ws},
  };
  for (const auto& [bf, af, checkword, neglect, in, out] : cases) {
    BoardDefinition d;
    std::tie(d.cut_bf, d.cut_af, d.cut_checkword, d.crlftab_neglect) =
        std::tie(bf, af, checkword, neglect);
    EXPECT_EQ(PreparePage(in, d), out) << bf << " " << af << " " << ToUtf8(in);
  }
}

// Title, subject, body and date, "|" between them.
Texts Items(const Text& joined) {
  Texts v(1);
  for (char16_t c : joined) c == u'|' ? void(v.emplace_back()) : v.back().push_back(c);
  return v;
}

// The topic title goes in and comes out.
TEST(CleanUpItems, BoardAndOutputSwitches) {
  // The board's and the output type's special switches, the topic title before, the items
  // before and after, the topic title after.
  const std::tuple<Text, Text, Text, Text, Text, Text> cases[] = {
      // The bold subject leaves the body; an empty title is filled from the subject.
      {u"11", u"", u"", u"|Hi|<b>Hi</b>text|", u"Hi|Hi|text|", u"Hi"},
      // Only that exact bold form; the topic title comes first and stays once set.
      {u"11", u"", u" T ", u"|Hi|<B>Hi</B>x|", u" T |Hi|<B>Hi</B>x|", u" T "},
      {u"0", u"", u"", u"  T  |Hi|<b>Hi</b>|", u"  T  |Hi|<b>Hi</b>|", u"T"},
      {u"", u"11", u"t", u"||a<A HREF=x>l</a>|2001/5/12 13:45", u"||al|2001/05/12(土) 13:45", u"t"},
      {u"", u"1", u"t", u"|||2001/5/12", u"|||2001/05/12(土) 00:00", u"t"},
      {u"", u"1", u"t", u"|||later", u"|||0000/00/00(00) later", u"t"},
      {u"", u"", u"t", u"||<a>x</a>|later", u"||<a>x</a>|later", u"t"},
  };
  for (auto [special, output_special, topic, in, out, topic_out] : cases) {
    BoardDefinition d;
    d.items.resize(4);
    std::tie(d.title_item, d.subject_item, d.body_item, d.date_item) = std::tuple(0, 1, 2, 3);
    d.special = special;
    Texts v = Items(in);
    CleanUpItems(v, d, output_special, topic);
    EXPECT_EQ(std::pair(v, topic), std::pair(Items(out), topic_out)) << ToUtf8(in);
  }
}

TEST(TextHelpers, StripTagsWeekdaySubstringMacrosPercentEncoding) {
  EXPECT_EQ(StripTags(u"<p>a b</p><!-- c -->x\u3000<br>\r\ny"), u"ab->x\u3000y");
  EXPECT_EQ(RemoveUnresolvedMacros(u"<<@x>@y>"), u"<@y>");
  EXPECT_EQ(PercentEncode(u"% !#$&'()+;=ab漢"), u"%25%20%21%23%24%26%27%28%29%2b%3b%3dab漢");
  // RemoveLinks is compared with its round-by-round form in the fast-path tests.
  EXPECT_EQ(WeekdayName(u"2001/05/13") + WeekdayName(u"no"), u"日\u3000");

  EXPECT_EQ(SubstringByWidth(u"ab漢c", 3, 1), u"");    // a double-byte character does not fit
  EXPECT_EQ(SubstringByWidth(u"ab漢c", 4, 2), u"漢");  // its second column starts it: taken whole
  EXPECT_EQ(SubstringByWidth(u"ab漢c", 3, 3), u"漢c");
}

struct Expansion {
  std::vector<ItemRule> items = {{u"題名", u"", u"", u"", u"", u"<@SUB>", u"", u""},
                                 {u"返信先", u"", u"", u"", u"", u"<@RE>", u"", u""},
                                 {u"本文", u"", u"", u"", u"", u"<@BODY>", u"", u""}};
  std::vector<Text> values = {u"Subj", u"12", u"Body"};
  std::vector<ChangeWord> words;
  BoardEntry board{u"b.bbs", u"板", u"http://b/", u"", u"mid", u"7"};
  MacroContext ctx{u"http://h/t?mid=", u"&x=1", &board, u"1.00"};

  Text operator()(TextView t, std::optional<MessageNumber> n = MessageNumber{42, 5},
                  std::optional<TextView> path = std::nullopt) {
    return ExpandTemplate(t, values, items, words, ctx, n, path);
  }
};

TEST(ExpandTemplate, SystemMacrosItemsAndChangeWords) {
  Expansion x;
  EXPECT_EQ(
      x(u"<@SYS_URL1>|<@SYS_URL2>|<@SYS_APP_NAME> <@SYS_APP_VER>|<@SYS_BBS_NAME>,"
        u"<@SYS_BBS_URL>,<@SYS_BBS_FIRST_MSGNO>|a<@SYS_TAB>b<@SYS_CR><@SYS_LF>|<@SYS_MSG_NUM>|"
        u"<@SYS_SITE_URL>"),
      u"http://h/t?mid=|&x=1|Pellucor 1.00|板,http://b/,7|a\tb\r\n|00042|" + Text(kSiteUrl));
  EXPECT_EQ(
      x(u"<@SYS_MSG_NUM>|", MessageNumber{123456, 5}) + x(u"<@SYS_MSG_NUM>", MessageNumber{0, 0}),
      u"123456|0");
  EXPECT_EQ(
      x(u"<@SYS_OUT_FILENAME>|<@SYS_OUT_FILENAME_ORIGIN>", std::nullopt, u"/log/a b&c(1).html"),
      u"a%20b%26c%281%29.html|a b&c(1).html");
  // Without a path or a number those macros are unresolved and disappear.
  EXPECT_EQ(x(u"[<@SYS_OUT_FILENAME>][<@SYS_MSG_NUM>][<@SUB>]", std::nullopt), u"[][][]");
  x.ctx.board = nullptr;
  EXPECT_EQ(x(u"<@SYS_BBS_NAME>."), u".");
  EXPECT_EQ(x(u"<@SUB>/<@RE>/<@BODY>"), u"Subj/00012/Body");
  // Change words fold case, full-width letters too. A reply that is not a number, values that
  // hold macros, the effect on stored values and the order of macros and values are compared
  // with the step-by-step form in the fast-path tests.
  x.values = {u"Ｘｙ", u"", u"ｘＹ"};
  x.words = {{u"ｘｙ", u"z"}, {u"", u"never"}};
  EXPECT_EQ(x(u"<@SUB>|<@BODY>"), u"z|z");
  EXPECT_EQ(x(u"<@sys_tab>|<@FOO>|a<@b"), u"||a<@b");  // a macro's case matters
  // A page's values go in as text; a macro the item step forms is not expanded.
  x.values = {u"<@BODY><@SYS_CR><@X>", u"", u"B"};
  EXPECT_EQ(x(u"<@SUB>|<@BODY>|<@SUB<@RE>>"), u"<@BODY><@SYS_CR><@X>|B|");
}

// The fast paths of the per-message work against their straightforward forms, on seeded random
// input made of the pieces that matter (macro brackets, letters in both cases, line breaks,
// kanji): the search, the page preparation, link removal and the template expansion.
Text RandomText(std::mt19937& rng, size_t max_pieces) {
  static const Text kPieces[] = {u"<@",     u">",         u"<",           u"@",
                                 u"a",      u"A",         u"ｂ",          u"Ｂ",
                                 u"&nbsp;", u"&NBSP;",    u"<@BODY>",     u"<@TITLE>",
                                 u"<@R>",   u"<@SYS_CR>", u"\r\n",        u"\t",
                                 u"漢字",   u"12",        u"<@SYS_URL1>", u"<@SYS_MSG_NUM>"};
  Text t;
  for (size_t k = rng() % (max_pieces + 1); k > 0; --k) t += kPieces[rng() % std::size(kPieces)];
  return t;
}

// ReplaceAll by std::u16string::find on upper-cased copies.
Text RefReplaceAll(const Text& text, const Text& find, const Text& with, bool ignore_case) {
  if (find.empty()) return text;
  const Text hay = ignore_case ? UpperCase(text) : text, pat = ignore_case ? UpperCase(find) : find;
  Text out;
  size_t pos = 0;
  for (size_t p; (p = hay.find(pat, pos)) != Text::npos; pos = p + find.size())
    out += text.substr(pos, p - pos) + with;
  return out + text.substr(pos);
}

TEST(FastPaths, SearchAgreesWithFind) {
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    const Text hay = RandomText(rng, 30);
    const Text needle = round % 5 == 0 ? Text() : RandomText(rng, 2).substr(0, 1 + rng() % 8);
    const size_t pos = rng() % (hay.size() + 3);
    ASSERT_EQ(FindText(hay, needle, pos), hay.find(needle, pos)) << round;
    ASSERT_EQ(ReplaceAll(hay, needle, u"-", round % 2),
              RefReplaceAll(hay, needle, u"-", round % 2));
  }
}

TEST(FastPaths, PageInPlaceAgreesWithTheCopy) {
  std::mt19937 rng(13);
  for (int round = 0; round < 2000; ++round) {
    BoardDefinition def;
    def.cut_bf = round % 3 == 0 ? 0 : rng() % 6;
    def.cut_af = round % 3 == 0 ? 0 : rng() % 6;
    def.crlftab_neglect = round % 7 == 0 ? u"1" : u"0";
    Text page = RandomText(rng, 40);
    const Text expected = PreparePage(page, def);
    PreparePageInPlace(page, def);
    ASSERT_EQ(page, expected) << round;
  }
}

// RemoveLinks as the rule reads: rebuild the text round after round from its first link start.
Text RefRemoveLinks(Text t) {
  for (;;) {
    const Text up = UpperCase(t);
    const size_t a = up.find(u"<A"), b = up.find(u'>', a), c = up.find(u"</A>", b);
    if (a == Text::npos || b == Text::npos || c == Text::npos) return t;
    t = t.substr(0, a) + t.substr(b + 1, c - b - 1) + t.substr(c + 4);
  }
}

TEST(FastPaths, RemoveLinksAgreesWithTheRoundByRoundForm) {
  std::mt19937 rng(19);
  static const Text kPieces[] = {u"<", u"a", u"A", u"/", u">", u"<a>", u"</a>", u"<A x>", u"漢"};
  for (int round = 0; round < 20000; ++round) {
    Text t;
    for (size_t k = rng() % 24; k > 0; --k) t += kPieces[rng() % std::size(kPieces)];
    ASSERT_EQ(RemoveLinks(t), RefRemoveLinks(t)) << ToUtf8(t);
  }
}

// The item step by plain replacement: a non-empty value stands in as one private-use character
// no macro holds, so a macro matches only the template's own characters and no value is searched
// again; unresolved macros go from each run of template characters between the values.
Text RefItemStep(Text text, const std::vector<ItemRule>& items, const std::vector<Text>& values) {
  constexpr char16_t kValue = 0xE000;
  for (size_t i = 0; i < items.size(); ++i) {
    const Text stand_in = values[i].empty() ? Text() : Text(1, char16_t(kValue + i));
    text = RefReplaceAll(text, items[i].attr, stand_in, false);
  }
  const char16_t end = char16_t(kValue + values.size());
  Text out, run;
  for (char16_t c : text + end) {
    if (c < kValue || c > end) {
      run += c;
      continue;
    }
    out += RemoveUnresolvedMacros(run);
    run.clear();
    if (c != end) out += values[c - kValue];
  }
  return out;
}

// Step by step, for the macros the pieces hold. The system macros see what earlier steps put
// in (the address holds <@R>); values that hold macros, change words that write macros, a reply
// number and an empty macro name go through the item step as text.
TEST(FastPaths, TemplateExpansionAgreesWithTheStepByStepForm) {
  std::mt19937 rng(17);
  const MacroContext ctx{u"http://x/?<@R>", u"", nullptr, u"1.0"};
  std::vector<ItemRule> items(4);  // the last has no macro name
  items[0].attr = u"<@TITLE>";
  items[1].attr = u"<@BODY>";
  items[2].attr = u"<@R>";
  items[2].name = u"返信先";
  const std::vector<ChangeWord> cws = {{u"&nbsp;", u" "}, {u"b", u"<@R>"}, {u"", u"x"}};
  for (int round = 0; round < 2000; ++round) {
    std::vector<Text> values;
    for (int i = 0; i < 4; ++i) values.push_back(RandomText(rng, i == 1 ? 20 : 3));
    if (round % 2) values[2] = u"12";
    const Text tmpl = RandomText(rng, 12);
    const MessageNumber n{double(round), 3};
    std::vector<Text> ref_values = values;
    Text want = RefReplaceAll(tmpl, u"<@SYS_URL1>", ctx.url1, false);
    want = RefReplaceAll(want, u"<@SYS_CR>", u"\r", false);
    want = RefReplaceAll(want, u"<@SYS_MSG_NUM>", FormatMessageNumber(n.number, 3), false);
    for (const ChangeWord& cw : cws)
      for (Text& v : ref_values) v = RefReplaceAll(v, cw.bf, cw.af, true);
    std::vector<Text> inserted;
    for (size_t i = 0; i < items.size(); ++i) {
      const bool reply = items[i].name == u"返信先" && IsNumericText(ref_values[i]);
      inserted.push_back(reply ? FormatMessageNumber(NumericValue(ref_values[i]), 3)
                               : ref_values[i]);
    }
    ASSERT_EQ(ExpandTemplate(tmpl, values, items, cws, ctx, n, u"/o/a.html"),
              RefItemStep(want, items, inserted))
        << round;
    ASSERT_EQ(values, ref_values) << round;
  }
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLUCOR_OWN_ALLOCATOR 0
#endif
#endif
#if !defined(PELLUCOR_OWN_ALLOCATOR) && !defined(__SANITIZE_ADDRESS__)
#define PELLUCOR_OWN_ALLOCATOR 1
#endif

#if PELLUCOR_OWN_ALLOCATOR
// Allocations above this size fail, to stand for a machine out of memory.
thread_local size_t g_allocation_limit = SIZE_MAX;

// Out of memory is an error of the run, never a short or blank message.
TEST(ExpandTemplate, AnAllocationFailureIsNotSwallowed) {
  Expansion x;
  x.values = {u"", u"", Text(100000, u'b')};
  Text tmpl;
  for (int i = 0; i < 1000; ++i) tmpl += u"<@BODY>";
  g_allocation_limit = 32u << 20;
  EXPECT_THROW(x(tmpl), std::bad_alloc);
  g_allocation_limit = SIZE_MAX;
}
#endif

}  // namespace
}  // namespace pellucor

#if PELLUCOR_OWN_ALLOCATOR
void* operator new(size_t n) {
  if (n > pellucor::g_allocation_limit) throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
#endif
