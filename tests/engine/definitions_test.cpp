#include "engine/definitions.h"

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::ScratchDir;
using testing::ScriptedUi;

BoardEntry BoardFile(const Text& file) {
  BoardEntry e;
  e.file = file;
  return e;
}

class BoardDefinitionLoad : public ScratchDir {
 protected:
  // A valid one-item definition with `extra` lines added to [basic] and item lines replaced.
  void Write(std::vector<Text> basic,
             std::vector<Text> item1 = {u"name=本文", u"bf_from=<b>", u"af_from=</b>"},
             std::vector<Text> rest = {}) {
    std::vector<Text> lines = {u"[basic]"};
    lines.insert(lines.end(), basic.begin(), basic.end());
    lines.push_back(u"[item1]");
    lines.insert(lines.end(), item1.begin(), item1.end());
    lines.insert(lines.end(), rest.begin(), rest.end());
    WriteLines(u"b.bbs", lines);
  }
  std::optional<BoardDefinition> Load() {
    return LoadBoardDefinition(BoardFile(u"b.bbs"), dir_, ui_);
  }
  // The single message shown, checked for caption, icon and buttons.
  Text Message() {
    EXPECT_EQ(ui_.messages.size(), 1u);
    if (ui_.messages.empty()) return {};
    EXPECT_EQ(ui_.messages[0].caption, u"Pellucor");
    EXPECT_EQ(ui_.messages[0].icon, Icon::Critical);
    EXPECT_EQ(ui_.messages[0].buttons, Buttons::Ok);
    return ui_.messages[0].text;
  }
  ScriptedUi ui_;
};

TEST_F(BoardDefinitionLoad, MissingFileAndEmptyName) {
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(), u"掲示板設定ファイルが存在しません\r\nファイル名：" + dir_ +
                           u"b.bbs\r\nファイルがあるのにエラーになる場合はアプリケーションを"
                           u"再起動してください。");
  ui_.messages.clear();
  EXPECT_FALSE(LoadBoardDefinition(BoardFile(u""), dir_, ui_));
  EXPECT_EQ(Message(), u"掲示板設定ファイルが存在しません\r\nファイル名：" + dir_ +
                           u"\r\nファイルがあるのにエラーになる場合はアプリケーションを"
                           u"再起動してください。");
}

TEST_F(BoardDefinitionLoad, BasicChecksInOrderWithTheirTexts) {
  // msg_keta is checked before charchange: only its message shows.
  Write({u"msg_keta=21", u"charchange=3", u"item_cnt=1"});
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(),
            u"メッセージ番号の桁数が不正です[basic] msg_keta=21\r\n0～20の範囲で指定"
            u"してください");

  ui_.messages.clear();
  Write({u"msg_keta=abc", u"charchange=3", u"item_cnt=1"});
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(),
            u"文字コード変換が不正です[basic] charchange=3\r\n文字コード変換(0:ECU->"
            u"SJIS, 1:無変換(最初からSJISの時), 2:JIS->SJISのいずれかを指定してくだ"
            u"さい");

  ui_.messages.clear();
  Write({u"item_cnt=0.5"});
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(),
            u"取得アイテム数が不正です[basic] item_cnt=0.5\r\n1～10の範囲で指定して"
            u"ください");

  ui_.messages.clear();
  Write({});  // absent item_cnt fails here too
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(),
            u"取得アイテム数が不正です[basic] item_cnt=0\r\n1～10の範囲で指定して"
            u"ください");

  ui_.messages.clear();
  Write({u"item_cnt=1", u"changeword_cnt=12abc"});
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(),
            u"置き換え文字列数が不正です[basic] changeword_cnt=12\r\n0～10の範囲で"
            u"指定してください");
}

TEST_F(BoardDefinitionLoad, ItemChecks) {
  std::vector<Text> good = {u"name=a", u"af_from=x"};
  Write({u"item_cnt=3"}, good,
        {u"[item2]", u"name=b", u"priority=1.0", u"[item3]", u"name=c", u"priority=2"});
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(), u"[item3] priority が不正です。 設定値=2\r\n0か1を指定してください");

  ui_.messages.clear();
  Write({u"item_cnt=1"}, {u"name=a", u"cnt=0", u"priority=0.5"});  // priority is checked first
  EXPECT_FALSE(Load());
  EXPECT_EQ(Message(), u"[item1] priority が不正です。 設定値=0.5\r\n0か1を指定してください");

  for (const char16_t* cnt : {u"cnt=0", u"cnt=10001", u"cnt=", u"cnt=abc"}) {
    ui_.messages.clear();
    Write({u"item_cnt=1"}, {u"name=a", cnt});
    EXPECT_FALSE(Load()) << ToUtf8(cnt);
    EXPECT_EQ(Message(), u"[item1] cnt が不正です。 設定値=" + Text(cnt + 4) +
                             u"\r\n-10000～10000の範囲(0を除く)で指定してください");
  }
  for (const char16_t* cnt : {u"cnt=-10000", u"cnt=10000"}) {
    ui_.messages.clear();
    Write({u"item_cnt=1"}, {u"name=a", cnt, u"priority=yes"});
    EXPECT_TRUE(Load()) << ToUtf8(cnt);
    EXPECT_TRUE(ui_.messages.empty());
  }
}

TEST_F(BoardDefinitionLoad, FieldsAndWellKnownPositions) {
  Write({u"msg_keta=6", u"charchange=2", u"item_cnt=2.5", u"special=01", u"changeword_cnt=1",
         u"crlftab_neglect=1.0"},
        {u"name=本文", u"bf_from= <b>", u"bf_to=x", u"af_from=</b>", u"af_to=y", u"attr=<@B>",
         u"priority=1", u"cnt=-2"},
        {u"[item2]", u"name=本文", u"[item3]", u"name=タイトル", u"[changeword1]", u"bf=ABC",
         u"af=x", u"[cut]", u"bf=10", u"af=20.5", u"checkword=ok"});
  auto d = Load();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->msg_keta, 6);
  EXPECT_EQ(d->charchange, 2);
  EXPECT_EQ(d->item_cnt, 2);  // halves go to the even neighbour
  ASSERT_EQ(d->items.size(), 2u);
  EXPECT_EQ(d->items[0].bf_from, u" <b>");  // untrimmed
  EXPECT_EQ(d->items[0].cnt, u"-2");
  EXPECT_EQ(d->items[1].cnt, u"1");
  EXPECT_EQ(d->items[1].priority, u"0");
  EXPECT_EQ(d->body_item, 1);    // the last of two wins
  EXPECT_EQ(d->title_item, -1);  // item3 lies beyond item_cnt
  EXPECT_EQ(d->date_item, -1);
  ASSERT_EQ(d->changewords.size(), 1u);
  EXPECT_EQ(d->changewords[0].bf, u"ABC");
  EXPECT_EQ(d->crlftab_neglect, u"1");
  EXPECT_EQ(d->cut_bf, 10);
  EXPECT_EQ(d->cut_af, 20);
  EXPECT_EQ(d->cut_checkword, u"ok");
  EXPECT_EQ(d->special, u"01");

  Write({u"item_cnt=1.5"});
  d = Load();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->item_cnt, 2);
  EXPECT_EQ(d->crlftab_neglect, u"0");  // absent key
}

class Catalogs : public ScratchDir {};

TEST_F(Catalogs, BoardListOrderAndSelection) {
  WriteLines(u"b.bbs", {u"[basic]", u"name=B"});
  WriteLines(u"A.bbs", {u"[basic]", u"name=A", u"msgstr=mid"});
  WriteLines(u"_yahoo.bbs", {u"[basic]"});
  WriteLines(u"x.BBS", {u"[basic]", u"name=X"});
  WriteLines(u".hidden.bbs", {u"[basic]"});
  ASSERT_TRUE(CreateFolder(Path(u"y.bbs")));
  WriteLines(u"pellu.ini", {u"[main]"});

  BoardCatalog c = RefreshBoardCatalog(dir_, Path(u"pellu.ini"));
  ASSERT_EQ(c.names, (std::vector<Text>{u"A", u"？？？", u"B", u"X"}));
  EXPECT_EQ(c.entries[0].msgstr, u"mid");
  EXPECT_EQ(c.entries[1].first_msgno, u"1");
  EXPECT_EQ(c.selected, 1);  // _yahoo.bbs when nothing is remembered

  WriteLines(u"pellu.ini", {u"[main]", u"bbs_file=b.bbs"});
  EXPECT_EQ(RefreshBoardCatalog(dir_, Path(u"pellu.ini")).selected, 2);
  WriteLines(u"pellu.ini", {u"[main]", u"bbs_file=gone.bbs"});
  EXPECT_EQ(RefreshBoardCatalog(dir_, Path(u"pellu.ini")).selected, 0);
}

TEST_F(Catalogs, OutputListAndEmptyFolders) {
  BoardCatalog none = RefreshBoardCatalog(dir_, Path(u"pellu.ini"));
  EXPECT_EQ(none.names, std::vector<Text>{u"掲示板設定ファイル(*.bbs)無し"});
  ASSERT_EQ(none.entries.size(), 1u);
  EXPECT_TRUE(none.entries[0].file.empty());
  OutputCatalog nout = RefreshOutputCatalog(dir_, Path(u"pellu.ini"));
  EXPECT_EQ(nout.names, std::vector<Text>{u"出力タイプ指定ファイル(*.out)無し"});

  WriteLines(u"b.out", {u"[basic]", u"name=B", u"mark=txt"});
  WriteLines(u"A.out", {u"[basic]", u"name=A"});
  WriteLines(u"pellu.ini", {u"[main]", u"out_file=b.out"});
  OutputCatalog c = RefreshOutputCatalog(dir_, Path(u"pellu.ini"));
  EXPECT_EQ(c.names, (std::vector<Text>{u"A", u"B"}));
  EXPECT_EQ(c.entries[0].mark, u"html");
  EXPECT_EQ(c.selected, 1);
  WriteLines(u"pellu.ini", {u"[main]", u"out_file=c.out"});
  EXPECT_EQ(RefreshOutputCatalog(dir_, Path(u"pellu.ini")).selected, 0);
}

TEST_F(Catalogs, OutputTypeLoad) {
  ScriptedUi ui;
  EXPECT_FALSE(LoadOutputType(OutputEntry{u"t.out", u"T", u"html"}, dir_, ui));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"出力HTMLタイプ設定ファイルが存在しません\r\nファイル名：" +
                                     dir_ +
                                     u"t.out\r\nファイルがあるのにエラーになる場合はアプリケー"
                                     u"ションを再起動してください。");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);

  WriteLines(u"t.out", {u"[basic]", u"special=1", u"[html1]", u"<html>", u"", u" <body> ",
                        u"[html2]", u"a=b", u"[html3]", u"x", u" [stop] ", u"y"});
  auto t = LoadOutputType(OutputEntry{u"t.out", u"T", u"html"}, dir_, ui);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->special, u"1");
  EXPECT_EQ(t->html1, u"<html> <body> ");  // lines joined, empty line dropped
  EXPECT_EQ(t->html2, u"a=b");
  EXPECT_EQ(t->html3, u"x");  // a bracketed line ends the template
  EXPECT_EQ(t->html1_idx, u"");
  EXPECT_EQ(t->mark, u"html");
}

TEST(HasExtension, IgnoresCase) {
  EXPECT_TRUE(HasExtension(u"a.BbS", u"bbs"));
  EXPECT_FALSE(HasExtension(u"abbs", u"bbs"));
  EXPECT_FALSE(HasExtension(u"bbs", u"bbs"));
}

}  // namespace
}  // namespace pellucor
