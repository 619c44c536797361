#include "engine/definitions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "engine_fixture.h"
#include "support/run_fixture.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using testing::RunFixture;
using ::testing::StartsWith;
using Texts = std::vector<std::string>;

class Definitions : public testing::ScratchDir {
 protected:
  // Loads as a run does: a failure is shown through the loaders' one box.
  template <class T>
  Result<T> Shown(Result<T> loaded) {
    if (!loaded) ShowDefinitionError(ui_, loaded.error());
    return loaded;
  }
  Result<BoardDefinition> Board(const BoardEntry& e) { return Shown(LoadBoardDefinition(e, dir_)); }
  testing::ScriptedUi ui_;
};

// Every check of a board definition in its order, with its exact text. A case gives the lines
// after "[basic]" ("|" between lines; "-": no file) and the message ("" when it loads).
TEST_F(Definitions, BoardMessagesInOrder) {
  const Text missing = u"掲示板設定ファイルが存在しません\r\nファイル名：" + dir_ + u"b.bbs" +
                       u"\r\nファイルがあるのにエラーになる場合はアプリケーションを再起動して"
                       u"ください。";
  const Text range = u"の範囲で指定してください", bad = u" が不正です。 設定値=";
  const Text pr = u"\r\n0か1を指定してください",
             cnt = u"\r\n-10000～10000の範囲(0を除く)で指定してください";
  const std::pair<Text, Text> cases[] = {
      {u"-", missing},
      {u"msg_keta=21|charchange=3",
       u"メッセージ番号の桁数が不正です[basic] msg_keta=21\r\n0～20" + range},
      {u"msg_keta=abc|charchange=3|item_cnt=1",
       u"文字コード変換が不正です[basic] charchange=3\r\n文字コード変換(0:ECU->SJIS, 1:無変換("
       u"最初からSJISの時), 2:JIS->SJISのいずれかを指定してください"},
      {u"item_cnt=0.5", u"取得アイテム数が不正です[basic] item_cnt=0.5\r\n1～10" + range},
      {u"msg_keta=0", u"取得アイテム数が不正です[basic] item_cnt=0\r\n1～10" + range},
      {u"item_cnt=3|[item2]|priority=1.0|[item3]|priority=2",
       u"[item3] priority" + bad + u"2" + pr},
      {u"item_cnt=1|[item1]|cnt=0|priority=0.5", u"[item1] priority" + bad + u"0.5" + pr},
      {u"item_cnt=1|[item1]|cnt=0", u"[item1] cnt" + bad + u"0" + cnt},
      {u"item_cnt=1|[item1]|cnt=10001", u"[item1] cnt" + bad + u"10001" + cnt},
      {u"item_cnt=1|[item1]|cnt=abc", u"[item1] cnt" + bad + u"abc" + cnt},
      {u"item_cnt=2|[item1]|cnt=-10000|priority=yes|[item2]|cnt=10000", u""},
      {u"item_cnt=1|changeword_cnt=12abc",
       u"置き換え文字列数が不正です[basic] changeword_cnt=12\r\n0～10" + range},
  };
  for (const auto& [content, message] : cases) {
    if (content != u"-") WriteLines(u"b.bbs", u"[basic]|" + content);
    ui_.messages.clear();
    EXPECT_EQ(Board(BoardEntry{u"b.bbs", {}, {}, {}, {}, {}}).ok(), message.empty())
        << ToUtf8(content);
    EXPECT_EQ(ui_.Texts(), message.empty() ? Texts() : Texts{ToUtf8(message)});
  }
  const auto& m = ui_.messages.at(0);
  EXPECT_EQ(std::tuple(m.caption, m.icon, m.buttons),
            std::tuple(Text(u"Pellucor"), Icon::Critical, Buttons::Ok));
  EXPECT_FALSE(Board(BoardEntry()));  // no file named at all
  EXPECT_EQ(ui_.messages.back().text, ReplaceAll(missing, u"b.bbs", u"", false));
}

TEST_F(Definitions, BoardFieldsAndWellKnownItems) {
  WriteLines(u"b.bbs",
             u"[basic]|msg_keta=6|charchange=2|item_cnt=2.5|special=01|changeword_cnt=1|"
             u"crlftab_neglect=1.0|[item1]|name=本文|bf_from= <b>|cnt=-2|[item2]|name=本文|[item3]|"
             u"name=タイトル|[changeword1]|bf=ABC|af=x|[cut]|bf=10|af=20.5|checkword=ok");
  auto d = Board(BoardEntry{u"b.bbs", {}, {}, {}, {}, {}});
  ASSERT_TRUE(d && d->items.size() == 2 && d->changewords.size() == 1);
  // Values untrimmed, then the defaults; the last of two items of a name wins; item3 lies
  // beyond item_cnt.
  EXPECT_EQ(d->items[0].bf_from + d->items[0].cnt + u"|" + d->items[1].cnt + d->items[1].priority +
                u"|" + d->changewords[0].bf + d->changewords[0].af + u"|" + d->crlftab_neglect +
                d->cut_checkword + d->special,
            u" <b>-2|10|ABCx|1ok01");
  EXPECT_EQ(std::tuple(d->msg_keta, d->charchange, d->item_cnt, d->body_item, d->title_item,
                       d->date_item, d->cut_bf, d->cut_af),
            std::tuple(6, 2, 2, 1, -1, -1, int64_t{10}, int64_t{20}));
}

TEST_F(Definitions, Catalogues) {
  const Text ini = Path(u"pellu.ini");
  BoardCatalog none = RefreshBoardCatalog(dir_, ini);
  EXPECT_EQ(std::tuple(none.names, none.entries.at(0).file, RefreshOutputCatalog(dir_, ini).names),
            std::tuple(std::vector<Text>{u"掲示板設定ファイル(*.bbs)無し"}, Text(),
                       std::vector<Text>{u"出力タイプ指定ファイル(*.out)無し"}));
  for (const char16_t* f :
       {u"b.bbs|name=B", u"A.bbs|name=A|msgstr=mid", u"x.BBS|name=X", u"b.out|name=B|mark=txt",
        u"A.out|name=A", u"_yahoo.bbs|", u".hidden.bbs|", u"abbs|", u"y.bbs/z|"}) {
    Text t = f;
    WriteLines(t.substr(0, t.find(u'|')), u"[basic]" + t.substr(t.find(u'|')));
  }
  BoardCatalog c = RefreshBoardCatalog(dir_, ini);
  ASSERT_EQ(c.names, (std::vector<Text>{u"A", u"？？？", u"B", u"X"}));
  OutputCatalog o = RefreshOutputCatalog(dir_, ini);
  // _yahoo.bbs is chosen when nothing is remembered.
  EXPECT_EQ(c.entries[0].msgstr + c.entries[1].first_msgno + Text(1, u'0' + c.selected) +
                o.entries[0].mark + o.entries[1].mark + Text(1, u'0' + o.selected),
            u"mid11htmltxt0");
  EXPECT_EQ(o.names, (std::vector<Text>{u"A", u"B"}));
  WriteLines(u"pellu.ini", u"[main]|bbs_file=b.bbs|out_file=b.out");
  EXPECT_EQ(
      std::pair(RefreshBoardCatalog(dir_, ini).selected, RefreshOutputCatalog(dir_, ini).selected),
      std::pair(2, 1));
  WriteLines(u"pellu.ini", u"[main]|bbs_file=gone.bbs");
  EXPECT_EQ(RefreshBoardCatalog(dir_, ini).selected, 0);
}

TEST_F(Definitions, OutputType) {
  const OutputEntry entry{u"t.out", u"T", u"html"};
  EXPECT_FALSE(Shown(LoadOutputType(entry, dir_)));
  EXPECT_EQ(ui_.Texts(),
            Texts{ToUtf8(u"出力HTMLタイプ設定ファイルが存在しません\r\nファイル名：" + dir_ +
                         u"t.out\r\nファイルがあるのにエラーになる場合はアプリケーションを"
                         u"再起動してください。")});
  WriteLines(u"t.out",
             u"[basic]|special=1|[html1]|<html>|| <body> |[html2]|a=b|[html3]|x| [stop] |y");
  auto t = Shown(LoadOutputType(entry, dir_));
  ASSERT_TRUE(t);
  // Lines joined without an empty one; a bracketed line ends a template.
  EXPECT_EQ(t->html1 + u"|" + t->html2 + u"|" + t->html3 + u"|" + t->html1_idx + u"|" + t->special +
                t->mark,
            u"<html> <body> |a=b|x||1html");
}

// The shipped definitions, end to end: a topic fetched from the fake board with the shipped
// board definition into each shipped output type. The HTML output's bytes are compared whole by
// the command line's tests; extraction of every item by the command line's extract.
// Two runs of three messages each into each output type (by file name: _html, dat_2ch, text).
TEST(ShippedOutput, EveryTypeExpandsEveryMacro) {
  namespace fs = std::filesystem;
  // A dat line: five fields with "<>" (read as \x01 here) between them.
  const std::string dat_line = "([^\x01\r\n]*\x01){4}[^\x01\r\n]*\r\n";
  const ::testing::Matcher<std::string> expected[] = {
      AllOf(HasSubstr("<title>テスト用トピック</title>"), HasSubstr("\r\n</html>\r\n")),
      // One line per message, no footer slot after them.
      AllOf(StartsWith("投稿者2\x01\x01"
                       "2001/05/12(土) 09:00\x01 "),
            HasSubstr(" \x01テスト用トピック\r\n投稿者"), MatchesRegex("(" + dat_line + "){6}")),
      AllOf(StartsWith("テスト用トピック\r\n"),
            HasSubstr(
                "No.2　Re: 第2回の話題\r\n投稿者：投稿者3　日時：2001/05/13 10:07　返信先：1\r\n")),
  };
  for (int type : {0, 1, 2}) {
    RunFixture f;
    for (const char* out : {"dat_2ch.out", "text.out"})
      fs::copy_file(fs::path(PELLUCOR_SOURCE_DIR) / "defs" / out, f.dir / out);
    f.program->catalog.outputs = RefreshOutputCatalog(f.program->directory, u"").entries;
    f.form.Combo_out().SetIndex(type);
    f.form.Check_CreateTitleIndex().SetValue(1);
    for (int count : {3, 6}) {
      f.http.count = count;
      EXPECT_EQ(f.Run(), RunOutcome::Finished);
    }
    const std::string s =
        std::regex_replace(ToUtf8(DecodeCp932(f.Read("out/topic.html"))), std::regex("<>"), "\x01");
    // Line breaks come from the macros only.
    EXPECT_THAT(s, AllOf(expected[type], Not(HasSubstr("<@")), Not(ContainsRegex("(^|[^\r])\n"))))
        << type;
    if (type == 0) {
      EXPECT_THAT(
          ToUtf8(DecodeCp932(f.Read("out/topic_idx.html"))),
          HasSubstr("<a href=\"topic.html#m1\" target=\"main\">1 Re: 第1回の話題</a><br>\r\n"));
    }
  }
}

}  // namespace
}  // namespace pellucor
