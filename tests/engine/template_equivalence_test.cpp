// The fast paths of the per-message work against their straightforward forms, on seeded random
// input made of the pieces that matter (macro brackets, letters in both cases, line breaks,
// kanji): the search, the page preparation, link removal and the template expansion.
#include <gtest/gtest.h>

#include <random>

#include "common/numeric.h"
#include "common/search.h"
#include "engine/extract.h"
#include "engine/template.h"

namespace pellucor {
namespace {

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

}  // namespace
}  // namespace pellucor
