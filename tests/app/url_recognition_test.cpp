#include "app/url_recognition.h"

#include <gtest/gtest.h>

#include "support/scripted_ui.h"

namespace pellucor {
namespace {

TEST(RecognizeBoardUrl, SplitsSwitchesOrRefuses) {
  const Text kNoNumber =
      u"掲示板は認識できましたが、発言番号の取得に失敗しました。\r\n掲示板名：Yahoo!掲示板\r\n"
      u"メッセージ番号の名前：mid\r\n個別のメッセージを開いてからURLをドラッグ＆ドロップしてくださ"
      u"い。";
  const Text kNotUrl = u"ドラッグされたデータはURLではありません";
  struct Case {
    const char16_t *dropped, *url1, *url2, *from;
    int board;
    Text message;  // empty: none
  };
  const Case cases[] = {
      // The "&" form keeps later parameters and wins over the "?" form; same board: no message.
      {u"http://y.jp/bbs?a=1&mid=123&x=1?y", u"http://y.jp/bbs?a=1&mid=", u"&x=1?y", u"1", 0, u""},
      {u"http://y.jp/bbs?mid=5&a=b&mid=9", u"http://y.jp/bbs?mid=5&a=b&mid=", u"", u"1", 0, u""},
      {u"http://y.jp/bbs?mid=77?s=2", u"http://y.jp/bbs?mid=", u"?s=2", u"1", 0, u""},
      {u"https://y.jp/bbs?x=1&mid=", u"https://y.jp/bbs?x=1&mid=", u"", u"1", 0, u""},
      {u"http://o.jp/t/5?no=12", u"http://o.jp/t/5?no=", u"", u"0", 1,
       u"掲示板を別の掲示板に切り替えます"},
      {u"http://y.jp/bbs?board=1", u"http://y.jp/bbs?board=1", u"", u"1", 0, kNoNumber},
      // Unknown boards, https in any case: taken whole, silently.
      {u"hTTpS://e.jp/x?mid=3", u"hTTpS://e.jp/x?mid=3", u"", u"55", 0, u""},
      {u"hello", u"keep1", u"keep2", u"55", 0, kNotUrl},
      {u"http:/x", u"keep1", u"keep2", u"55", 0, kNotUrl},
  };
  DefinitionCatalog catalog;
  catalog.boards.push_back(
      {u"_yahoo.bbs", u"Yahoo!掲示板", u"http://y.jp/", u"http://y.jp/bbs?", u"mid", u"1"});
  catalog.boards.push_back({u"other.bbs", u"別の掲示板", u"http://o.jp/", u"", u"no", u"0"});
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.dropped));
    MemoryForm form;
    testing::ScriptedUi ui;
    form.Combo_bbs().SetIndex(0);
    form.Text_url1().SetValue(u"keep1");
    form.Text_url2().SetValue(u"keep2");
    form.Text_from().SetValue(u"55");
    RecognizeBoardUrl(form, catalog, ui, c.dropped);
    EXPECT_EQ(std::tuple(form.Text_url1().Value(), form.Text_url2().Value(),
                         form.Text_from().Value(), form.Combo_bbs().Index()),
              std::tuple(Text(c.url1), Text(c.url2), Text(c.from), c.board));
    ASSERT_LE(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages.empty() ? Text() : ui.messages[0].text, c.message);
  }
}

TEST(FindBoardForUrl, EarlierEntryWinsAndEmptyPatternsMatchNothing) {
  DefinitionCatalog c;
  c.boards.push_back({u"a.bbs", u"A", u"", u"", u"m", u"1"});
  c.boards.push_back({u"b.bbs", u"B", u"http://x/", u"", u"m", u"1"});
  c.boards.push_back({u"c.bbs", u"C", u"http://x/y", u"", u"m", u"1"});
  EXPECT_EQ(FindBoardForUrl(c, u"http://x/y/z"), 1);
  EXPECT_EQ(FindBoardForUrl(c, u"http://q/"), -1);
  EXPECT_EQ(FindBoardForUrl(c, u"HTTP://X/Y"), -1);  // case-sensitive
  // msgurl, when present, is the pattern; url is then not consulted.
  c.boards[1].msgurl = u"http://x/msg";
  EXPECT_EQ(FindBoardForUrl(c, u"http://x/y/z"), 2);
  // A board that moved to https is still recognised by its http pattern, and the other way round.
  EXPECT_EQ(FindBoardForUrl(c, u"https://x/y/z"), 2);
  c.boards[2].url = u"https://x/y";
  EXPECT_EQ(FindBoardForUrl(c, u"http://x/y/z"), 2);
}

}  // namespace
}  // namespace pellucor
