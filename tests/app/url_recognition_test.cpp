#include "app/url_recognition.h"

#include <gtest/gtest.h>

#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::ScriptedUi;

DefinitionCatalog TwoBoards() {
  DefinitionCatalog c;
  c.boards.push_back({u"_yahoo.bbs", u"Yahoo!掲示板", u"http://messages.example.jp/",
                      u"http://messages.example.jp/bbs?", u"mid", u"1"});
  c.boards.push_back({u"other.bbs", u"別の掲示板", u"http://other.example.jp/", u"", u"no", u"0"});
  return c;
}

class RecognizeTest : public ::testing::Test {
 protected:
  MemoryForm form;
  ScriptedUi ui;
  DefinitionCatalog catalog = TwoBoards();

  void SetUp() override {
    form.Combo_bbs().SetIndex(0);
    form.Text_url1().SetValue(u"keep1");
    form.Text_url2().SetValue(u"keep2");
    form.Text_from().SetValue(u"55");
  }
};

TEST_F(RecognizeTest, AmpersandFormSplitsAroundTheNumberAndKeepsLaterParameters) {
  RecognizeBoardUrl(form, catalog, ui,
                    u"http://messages.example.jp/bbs?action=m&board=1&tid=a&sid=1&mid=123&x=1");
  EXPECT_EQ(form.Text_url1().Value(),
            u"http://messages.example.jp/bbs?action=m&board=1&tid=a&sid=1&mid=");
  EXPECT_EQ(form.Text_url2().Value(), u"&x=1");
  EXPECT_EQ(form.Text_from().Value(), u"1");
  EXPECT_TRUE(ui.messages.empty());  // same board: no switching message
}

TEST_F(RecognizeTest, QuestionFormIsUsedWhenNoAmpersandFormExists) {
  RecognizeBoardUrl(form, catalog, ui, u"http://messages.example.jp/bbs?mid=77?s=2");
  EXPECT_EQ(form.Text_url1().Value(), u"http://messages.example.jp/bbs?mid=");
  EXPECT_EQ(form.Text_url2().Value(), u"?s=2");
}

TEST_F(RecognizeTest, AmpersandFormWinsOverQuestionForm) {
  RecognizeBoardUrl(form, catalog, ui, u"http://messages.example.jp/bbs?mid=5&a=b&mid=9");
  EXPECT_EQ(form.Text_url1().Value(), u"http://messages.example.jp/bbs?mid=5&a=b&mid=");
  EXPECT_EQ(form.Text_url2().Value(), u"");
}

TEST_F(RecognizeTest, AddressEndingAfterEqualsGivesEmptySecondHalf) {
  RecognizeBoardUrl(form, catalog, ui, u"http://messages.example.jp/bbs?x=1&mid=");
  EXPECT_EQ(form.Text_url1().Value(), u"http://messages.example.jp/bbs?x=1&mid=");
  EXPECT_EQ(form.Text_url2().Value(), u"");
}

TEST_F(RecognizeTest, OtherBoardIsSwitchedToWithAMessage) {
  RecognizeBoardUrl(form, catalog, ui, u"http://other.example.jp/t/5?no=12");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"掲示板を別の掲示板に切り替えます");
  EXPECT_EQ(ui.messages[0].icon, Icon::Information);
  EXPECT_EQ(form.Combo_bbs().Index(), 1);
  EXPECT_EQ(form.Text_from().Value(), u"0");
  EXPECT_EQ(form.Text_url1().Value(), u"http://other.example.jp/t/5?no=");
}

TEST_F(RecognizeTest, RecognisedBoardWithoutNumberParameterExplains) {
  RecognizeBoardUrl(form, catalog, ui, u"http://messages.example.jp/bbs?board=1");
  EXPECT_EQ(form.Text_url1().Value(), u"http://messages.example.jp/bbs?board=1");
  EXPECT_EQ(form.Text_url2().Value(), u"");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            u"掲示板は認識できましたが、発言番号の取得に失敗しました。\r\n"
            u"掲示板名：Yahoo!掲示板\r\nメッセージ番号の名前：mid\r\n"
            u"個別のメッセージを開いてからURLをドラッグ＆ドロップしてください。");
}

TEST_F(RecognizeTest, UnknownWebAddressTakesTheWholeAddressSilently) {
  RecognizeBoardUrl(form, catalog, ui, u"HTTP://elsewhere.example/x?mid=3");
  EXPECT_EQ(form.Text_url1().Value(), u"HTTP://elsewhere.example/x?mid=3");
  EXPECT_EQ(form.Text_url2().Value(), u"");
  EXPECT_EQ(form.Text_from().Value(), u"55");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RecognizeTest, HttpsAddressOfAKnownBoardIsSplitToo) {
  RecognizeBoardUrl(form, catalog, ui, u"https://messages.example.jp/bbs?x=1&mid=5&y=2");
  EXPECT_EQ(form.Text_url1().Value(), u"https://messages.example.jp/bbs?x=1&mid=");
  EXPECT_EQ(form.Text_url2().Value(), u"&y=2");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RecognizeTest, HttpsInAnyCaseIsAcceptedLikeHttp) {
  RecognizeBoardUrl(form, catalog, ui, u"hTTpS://elsewhere.example/");
  EXPECT_EQ(form.Text_url1().Value(), u"hTTpS://elsewhere.example/");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(RecognizeTest, PlainTextIsRefusedAndChangesNothing) {
  for (const char16_t* text : {u"hello", u"ftp://x/", u"http:/x", u"file:///tmp/a"}) {
    RecognizeBoardUrl(form, catalog, ui, text);
  }
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].text, u"ドラッグされたデータはURLではありません");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_EQ(form.Text_url1().Value(), u"keep1");
  EXPECT_EQ(form.Text_url2().Value(), u"keep2");
}

TEST(FindBoardForUrl, EarlierEntryWinsAndEmptyPatternsMatchNothing) {
  DefinitionCatalog c;
  c.boards.push_back({u"a.bbs", u"A", u"", u"", u"m", u"1"});
  c.boards.push_back({u"b.bbs", u"B", u"http://x/", u"", u"m", u"1"});
  c.boards.push_back({u"c.bbs", u"C", u"http://x/y", u"", u"m", u"1"});
  EXPECT_EQ(FindBoardForUrl(c, u"http://x/y/z"), 1);
  EXPECT_EQ(FindBoardForUrl(c, u"http://q/"), -1);
  EXPECT_EQ(FindBoardForUrl(DefinitionCatalog{}, u"http://x/"), -1);
  // msgurl, when present, is the pattern; url is then not consulted.
  c.boards[1].msgurl = u"http://x/msg";
  EXPECT_EQ(FindBoardForUrl(c, u"http://x/y/z"), 2);
  // The comparison is case-sensitive.
  EXPECT_EQ(FindBoardForUrl(c, u"HTTP://X/Y"), -1);
  // A board that moved to https is still recognised by its http pattern, and the other way round.
  EXPECT_EQ(FindBoardForUrl(c, u"https://x/y/z"), 2);
  c.boards[2].url = u"https://x/y";
  EXPECT_EQ(FindBoardForUrl(c, u"http://x/y/z"), 2);
}

}  // namespace
}  // namespace pellucor
