// The fast paths of the per-message work against their straightforward forms, on random input
// made of the pieces that matter (macro brackets, letters in both cases, line breaks, kanji):
// the search, the page decoding and encoding, the page preparation and the template expansion.
#include <gtest/gtest.h>

#include <random>

#include "common/cp932_tables.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "engine/template.h"

namespace pellucor {
namespace {

const std::vector<Text> kPieces = {
    u"<@",        u">",      u"<",      u"@",       u"a",        u"A",          u"ｂ",
    u"Ｂ",        u"&nbsp;", u"&NBSP;", u"<@BODY>", u"<@TITLE>", u"<@R>",       u"<@SYS_MSG_NUM>",
    u"<@SYS_CR>", u"\r\n",   u"\t",     u"漢字",    u"12",       u"<@SYS_URL1>"};

Text RandomText(std::mt19937& rng, size_t max_pieces) {
  Text t;
  for (size_t k = rng() % (max_pieces + 1); k > 0; --k) t += kPieces[rng() % kPieces.size()];
  return t;
}

// ---- The straightforward forms ----

Text RefReplaceAll(TextView text, TextView find, TextView with, bool ignore_case) {
  if (find.empty()) return Text(text);
  const Text hay = ignore_case ? UpperCase(text) : Text(text);
  const Text pat = ignore_case ? UpperCase(find) : Text(find);
  Text out;
  size_t pos = 0;
  for (size_t p; (p = hay.find(pat, pos)) != Text::npos; pos = p + find.size())
    out += Text(text.substr(pos, p - pos)) + Text(with);
  return out + Text(text.substr(pos));
}

void RefReplace(Text& t, TextView find, TextView with) {
  t = RefReplaceAll(t, find, with, false);
}

Text RefRemoveMacros(const Text& text) {
  Text out;
  size_t i = 0;
  for (size_t s, e; (s = text.find(u"<@", i)) != Text::npos; i = e + 1) {
    if ((e = text.find(u'>', s)) == Text::npos) break;
    out += text.substr(i, s - i);
  }
  return out + text.substr(i);
}

Text RefExpand(TextView tmpl, std::vector<Text>& values, const std::vector<ItemRule>& items,
               const std::vector<ChangeWord>& cws, const MacroContext& ctx, MessageNumber number,
               TextView path) {
  Text t(tmpl);
  RefReplace(t, u"<@SYS_URL1>", ctx.url1);
  RefReplace(t, u"<@SYS_URL2>", ctx.url2);
  RefReplace(t, u"<@SYS_SITE_URL>", kSiteUrl);
  RefReplace(t, u"<@SYS_APP_NAME>", kAppName);
  RefReplace(t, u"<@SYS_APP_VER>", ctx.version);
  RefReplace(t, u"<@SYS_BBS_NAME>", ctx.board->name);
  RefReplace(t, u"<@SYS_BBS_URL>", ctx.board->url);
  RefReplace(t, u"<@SYS_BBS_FIRST_MSGNO>", ctx.board->first_msgno);
  RefReplace(t, u"<@SYS_TAB>", u"\t");
  RefReplace(t, u"<@SYS_CR>", u"\r");
  RefReplace(t, u"<@SYS_LF>", u"\n");
  TextView name = path.substr(path.rfind(kSep) + 1);
  RefReplace(t, u"<@SYS_OUT_FILENAME>", PercentEncode(name));
  RefReplace(t, u"<@SYS_OUT_FILENAME_ORIGIN>", name);
  RefReplace(t, u"<@SYS_MSG_NUM>", FormatMessageNumber(number.number, number.digits));
  for (const ChangeWord& cw : cws)
    for (Text& v : values) v = RefReplaceAll(v, cw.bf, cw.af, true);
  for (size_t i = 0; i < std::min(items.size(), values.size()); ++i) {
    if (items[i].attr.empty()) continue;
    bool reply = items[i].name == u"返信先" && IsNumericText(values[i]);
    RefReplace(t, items[i].attr,
               reply ? FormatMessageNumber(NumericValue(values[i]), number.digits) : values[i]);
  }
  return RefRemoveMacros(t);
}

// ---- The checks ----

TEST(FastPaths, FindTextAgreesWithFind) {
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    Text hay = RandomText(rng, 30);
    Text needle = round % 5 == 0 ? Text() : RandomText(rng, 2).substr(0, 1 + rng() % 8);
    size_t pos = rng() % (hay.size() + 3);
    ASSERT_EQ(FindText(hay, needle, pos), hay.find(needle, pos)) << round;
  }
}

TEST(FastPaths, EucPageDecodingAgreesWithTheTwoSteps) {
  std::mt19937 rng(11);
  const unsigned char kBytes[] = {0x8E, 0x8F, 0xA1, 0xA4, 0xB0, 0xDF, 0xFE, 0xFF, 0x80, 0xA0};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const unsigned ascii_share = round % 2 ? 16 : 4;  // long ASCII runs in every other round
    for (size_t k = rng() % 60; k > 0; --k) {
      unsigned r = rng() % ascii_share;
      r = r > 3 ? 3 : r;
      bytes += static_cast<char>(r == 0   ? rng() % 256
                                 : r == 1 ? kBytes[rng() % sizeof kBytes]
                                 : r == 2 ? 0xA1 + rng() % 94
                                          : 'a' + rng() % 3);
    }
    ASSERT_EQ(ConvertEucPage(bytes), DecodeCp932(EucToShiftJis(bytes))) << round;
  }
}

TEST(FastPaths, Cp932EncodingAgreesWithTheTable) {
  const Cp932Tables& t = GetCp932Tables();
  std::mt19937 rng(19);
  const char16_t kChars[] = {u'a', u'\r', u'漢', u'ｱ', u'\u00e9', u'\uffff', u'\u3000', u'~'};
  for (int round = 0; round < 2000; ++round) {
    Text text;
    for (size_t k = rng() % 40; k > 0; --k) {
      if (round % 2 && rng() % 8)  // long ASCII runs in every other round
        text += static_cast<char16_t>(rng() % 0x80);
      else
        text += rng() % 3 ? kChars[rng() % 8] : static_cast<char16_t>(rng() % 0x10000);
    }
    std::string expected;
    for (char16_t c : text) {
      uint16_t code = t.encode[c];
      if (code == Cp932Tables::kNoCode) code = '?';
      if (code >= 0x100) expected += static_cast<char>(code >> 8);
      expected += static_cast<char>(code & 0xFF);
    }
    ASSERT_EQ(EncodeCp932(text), expected) << round;
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
    Text expected = PreparePage(page, def);
    PreparePageInPlace(page, def);
    ASSERT_EQ(page, expected) << round;
  }
}

// Later steps see what earlier steps put in: values that hold macros, change words that write
// macros, a reply number, an empty macro name.
TEST(FastPaths, TemplateExpansionAgreesWithTheStepByStepForm) {
  std::mt19937 rng(17);
  BoardEntry board{u"b.bbs", u"<@TITLE>板", u"http://b/", u"", u"", u"1"};
  MacroContext ctx{u"http://x/?<@R>", u"", &board, u"1.0"};
  std::vector<ItemRule> items(4);
  items[0].attr = u"<@TITLE>";
  items[1].attr = u"<@BODY>";
  items[2].name = u"返信先";
  items[2].attr = u"<@R>";
  const std::vector<ChangeWord> cws = {{u"&nbsp;", u" "}, {u"b", u"<@R>"}, {u"", u"x"}};
  for (int round = 0; round < 2000; ++round) {
    std::vector<Text> values;
    for (int i = 0; i < 4; ++i) values.push_back(RandomText(rng, i == 1 ? 20 : 3));
    if (round % 2) values[2] = u"12";
    std::vector<Text> ref_values = values;
    const Text tmpl = RandomText(rng, 12);
    MessageNumber n{static_cast<double>(round), 3};
    Text got = ExpandTemplate(tmpl, values, items, cws, ctx, n, TextView(u"/o/a b.html"));
    ASSERT_EQ(got, RefExpand(tmpl, ref_values, items, cws, ctx, n, u"/o/a b.html")) << round;
    ASSERT_EQ(values, ref_values) << round;
  }
}

}  // namespace
}  // namespace pellucor
