#include "engine/template.h"

#include <gtest/gtest.h>

namespace pellucor {
namespace {

struct Expansion {
  std::vector<ItemRule> items;
  std::vector<Text> values;
  std::vector<ChangeWord> words;
  BoardEntry board{u"b.bbs", u"板", u"http://b/", u"", u"mid", u"7"};
  MacroContext ctx{u"http://h/t?mid=", u"&x=1", &board, u"1.00"};

  Expansion() {
    for (auto [name, attr] : {std::pair{u"題名", u"<@SUB>"}, std::pair{u"返信先", u"<@RE>"},
                              std::pair{u"本文", u"<@BODY>"}}) {
      ItemRule r;
      r.name = name;
      r.attr = attr;
      items.push_back(r);
    }
    values = {u"Subj", u"12", u"Body"};
  }
  Text operator()(TextView t, std::optional<MessageNumber> n = MessageNumber{42, 5},
                  std::optional<TextView> path = std::nullopt) {
    return ExpandTemplate(t, values, items, words, ctx, n, path);
  }
};

TEST(ExpandTemplate, SystemMacros) {
  Expansion x;
  EXPECT_EQ(x(u"<@SYS_URL1>|<@SYS_URL2>|<@SYS_APP_NAME> <@SYS_APP_VER>|<@SYS_SITE_URL>"),
            u"http://h/t?mid=|&x=1|Pellucor 1.00|" + Text(kSiteUrl));
  EXPECT_EQ(x(u"<@SYS_BBS_NAME>,<@SYS_BBS_URL>,<@SYS_BBS_FIRST_MSGNO>"), u"板,http://b/,7");
  EXPECT_EQ(x(u"a<@SYS_TAB>b<@SYS_CR><@SYS_LF>"), u"a\tb\r\n");
  EXPECT_EQ(x(u"<@SYS_MSG_NUM>"), u"00042");
  EXPECT_EQ(x(u"<@SYS_MSG_NUM>", MessageNumber{42, 0}), u"42");
  EXPECT_EQ(x(u"<@SYS_MSG_NUM>", MessageNumber{123456, 5}), u"123456");
  EXPECT_EQ(x(u"<@SYS_MSG_NUM>", MessageNumber{0, 0}), u"0");
  EXPECT_EQ(
      x(u"<@SYS_OUT_FILENAME>|<@SYS_OUT_FILENAME_ORIGIN>", std::nullopt, u"/log/a b&c(1).html"),
      u"a%20b%26c%281%29.html|a b&c(1).html");
  // Without a path or a number those macros are unresolved and disappear.
  EXPECT_EQ(x(u"[<@SYS_OUT_FILENAME>][<@SYS_MSG_NUM>][<@SUB>]", std::nullopt), u"[][][]");
  x.ctx.board = nullptr;
  EXPECT_EQ(x(u"<@SYS_BBS_NAME>."), u".");
}

TEST(ExpandTemplate, ItemsChangeWordsAndOrder) {
  Expansion x;
  EXPECT_EQ(x(u"<@SUB>/<@RE>/<@BODY>"), u"Subj/00012/Body");
  x.values[1] = u"abc";
  EXPECT_EQ(x(u"<@RE>"), u"abc");
  x.values[1] = u"";
  EXPECT_EQ(x(u"<@RE>", MessageNumber{1, 3}), u"");

  x.values = {u"ABC aBc", u"", u"abcd"};
  x.words = {{u"abc", u"X"}};
  EXPECT_EQ(x(u"<@SUB>|<@BODY>"), u"X X|Xd");
  EXPECT_EQ(x.values[0], u"X X");  // stored back for later expansions
  x.values = {u"Ｘｙ", u"", u"ｘＹ"};
  x.words = {{u"ｘｙ", u"z"}, {u"", u"never"}};
  EXPECT_EQ(x(u"<@SUB>|<@BODY>"), u"z|z");

  // Item values are inserted after the system macros: a macro inside a value is not expanded
  // but removed as unresolved.
  Expansion y;
  y.values[0] = u"<@SYS_APP_NAME>!";
  EXPECT_EQ(y(u"<@SUB>"), u"!");
  // A macro's case matters.
  EXPECT_EQ(y(u"<@sys_tab>|<@FOO>|a<@b"), u"||a<@b");
}

TEST(MacroHelpers, RemoveUnresolvedAndPercentEncode) {
  EXPECT_EQ(RemoveUnresolvedMacros(u""), u"");
  EXPECT_EQ(RemoveUnresolvedMacros(u"x<@a>y<@b>z<@c"), u"xyz<@c");
  EXPECT_EQ(RemoveUnresolvedMacros(u"<<@x>@y>"), u"<@y>");
  EXPECT_EQ(PercentEncode(u"% !#$&'()+;=ab漢"), u"%25%20%21%23%24%26%27%28%29%2b%3b%3dab漢");
  EXPECT_EQ(FormatMessageNumber(7, 3), u"007");
  EXPECT_EQ(FormatMessageNumber(1234, 3), u"1234");
}

}  // namespace
}  // namespace pellucor
