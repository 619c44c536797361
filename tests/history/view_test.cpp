#include "history/view.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "app/main_form.h"
#include "engine/definitions.h"
#include "support/recording_shell.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::RecordingShell;
using testing::ScratchFolder;
using testing::ScriptedUi;

HistoryRecord Entry(const Text& time, const Text& title = u"t") {
  HistoryRecord r;
  r.url1 = u"http://127.0.0.1/board/message?mid=";
  r.url2 = u"&tid=7";
  r.fromNumber = u"1";
  r.toNumber = u"150";
  r.maxMsg = u"1";
  r.boardFile = u"_yahoo.bbs";
  r.outputTypeFile = u"html.out";
  r.outputPath = u"/data/topic.html";
  r.topicToFilename = u"0";
  r.createTitleIndex = u"0";
  r.noOutBlank = u"0";
  r.divide = u"0";
  r.divideKind = u"0";
  r.divideCount = u"1000";
  r.splitKey = u"1";
  r.fileMessageCount = u"0";
  r.divideDateKind = u"0";
  r.divideFileSize = u"1000";
  r.boardName = u"Yahoo掲示板";
  r.title = title;
  r.lastMessage = u"150";
  r.lastRunTime = time;
  r.totalMessages = u"10";
  r.totalSeconds = u"25";
  return r;
}

DefinitionCatalog Catalog() {
  DefinitionCatalog c;
  c.boards = {{u"other.bbs", u"他", u"", u"", u"", u""},
              {u"_yahoo.bbs", u"Yahoo掲示板", u"", u"", u"", u""}};
  c.outputs = {{u"text.out", u"テキスト", u"txt"}, {u"html.out", u"HTML形式", u"html"}};
  return c;
}

std::vector<Text> Titles(const HistoryList& list) {
  std::vector<Text> t;
  for (const auto& r : list) t.push_back(r.title);
  return t;
}

TEST(SortHistoryForWindow, NewestFirstAndUndatedAsTenYearsAgo) {
  const DateTime now{2010, 6, 1, 12, 0, 0};
  HistoryList list = {Entry(u"2009/01/01 00:00:00", u"a"), Entry(u"not a date", u"undated"),
                      Entry(u"2010/05/31 23:59:59", u"b"), Entry(u"2000/06/02 00:00:00", u"c"),
                      Entry(u"1999/12/31 10:00:00", u"d"), Entry(u"2009/01/01 00:00:01", u"e")};
  SortHistoryForWindow(list, now);
  EXPECT_EQ(Titles(list), (std::vector<Text>{u"b", u"e", u"a", u"c", u"undated", u"d"}));

  // 29 February ten years back is a common year's 28 February.
  list = {Entry(u"", u"x"), Entry(u"2002/02/28 00:00:01", u"y"),
          Entry(u"2002/02/27 23:59:59", u"z")};
  SortHistoryForWindow(list, DateTime{2012, 2, 29, 0, 0, 0});
  EXPECT_EQ(Titles(list), (std::vector<Text>{u"y", u"x", u"z"}));
}

TEST(FitToBytes, CountsCp932BytesAndNeverSplitsACharacter) {
  EXPECT_EQ(FitToBytes(u"(150)", 7), u"(150)  ");
  EXPECT_EQ(FitToBytes(u"(1234567)", 7), u"(123456");
  EXPECT_EQ(FitToBytes(u"あいう", 5), u"あい ");
  EXPECT_EQ(FitToBytes(u"aあいう", 4), u"aあ ");
  EXPECT_EQ(FitToBytes(u"ｱｲｳ", 2), u"ｱｲ");  // half-width kana take one byte
  EXPECT_EQ(FitToBytes(u"", 3), u"   ");
}

TEST(HistoryListLine, ColumnsAndFullWidthTitles) {
  HistoryRecord r = Entry(u"2001/05/12 13:45:07", u"");
  r.title = Text(40, u'題');
  r.comment = u"メモ";
  EXPECT_EQ(HistoryListLine(r),
            u"05/12 13:45 (150)  \tYahoo掲示板        \t" + Text(14, u'題') + u" \tメモ");
  r.comment.clear();
  EXPECT_EQ(HistoryListLine(r), u"05/12 13:45 (150)  \tYahoo掲示板        \t" + Text(40, u'題'));
  r.boardName = u"とても長い掲示板の名前です";  // 26 bytes: 9 characters and a space
  r.lastRunTime = u"bad";
  EXPECT_EQ(HistoryListLine(r).substr(0, 20), u" (150)  \tとても長い掲示板の \t");
}

TEST(HistoryDetailText, LinesOfTheExamples) {
  const DefinitionCatalog catalog = Catalog();
  HistoryRecord r = Entry(u"2001/05/12 13:45:07", u"トピック");
  r.comment = u"メモ";
  EXPECT_EQ(HistoryDetailText(r, catalog),
            u"タイトル : トピック\r\n"
            u"前回取得MSG番号 : 1\uFF5E150\r\n"
            u"最大メッセージ数まで取得 : する\r\n"
            u"掲示板 : Yahoo掲示板\r\n"
            u"出力タイプ : HTML形式\r\n"
            u"出力ファイル名 : /data/topic.html\r\n"
            u"タイトルをファイル名に : しない\r\n"
            u"出力ファイルを分割 : しない\r\n"
            u"題名インデックス : 作成しない\r\n"
            u"前回取得日 : 2001/05/12 13:45:07\r\n"
            u"平均取得時間 : 2.50秒(/1件)\r\n"
            u"コメント : メモ\r\n");

  auto line = [&](const HistoryRecord& rec, const Text& prefix) {
    Text t = HistoryDetailText(rec, catalog);
    size_t p = t.find(prefix);
    if (p == Text::npos) return Text(u"(none)");
    return t.substr(p, t.find(u"\r\n", p) - p);
  };
  r.divide = u"1";
  r.divideKind = u"1";
  r.divideDateKind = u"2";
  EXPECT_EQ(line(r, u"出力ファイルを分割"), u"出力ファイルを分割 : する(月別)");
  r.divideKind = u"0";
  EXPECT_EQ(line(r, u"出力ファイルを分割"), u"出力ファイルを分割 : する(1000件ごと)");
  r.divideKind = u"2";
  r.divideFileSize = u"500";
  EXPECT_EQ(line(r, u"出力ファイルを分割"), u"出力ファイルを分割 : する(500KBごと)");
  r.divideKind = u"";  // a version 1 record
  EXPECT_EQ(line(r, u"出力ファイルを分割"), u"出力ファイルを分割 : する()");
  r.totalMessages = u"0";
  EXPECT_EQ(line(r, u"平均取得時間"), u"(none)");
  r.outputTypeFile = u"gone.out";
  EXPECT_EQ(line(r, u"出力タイプ"), u"(none)");
  r.createTitleIndex = u"1";
  EXPECT_EQ(line(r, u"題名インデックス"), u"題名インデックス : 作成する");
}

class HistoryWindowTest : public ::testing::Test {
 protected:
  HistoryWindowTest() : window(list, form, ui, shell, catalog) {}
  HistoryList list;
  MemoryForm form;
  ScriptedUi ui;
  RecordingShell shell;
  DefinitionCatalog catalog = Catalog();
  HistoryWindow window;
};

TEST_F(HistoryWindowTest, PutBackContinuesAfterTheLastMessage) {
  HistoryRecord r = Entry(u"2001/05/12 13:45:07");
  r.divide = u"1";
  r.divideKind = u"2";
  r.divideDateKind = u"1";
  r.createTitleIndex = u"1";
  r.noOutBlank = u"1";
  r.maxMsg = u"0";
  r.topicToFilename = u"1";
  r.divideCount = u"30";
  r.divideFileSize = u"64";
  list = {Entry(u"2000/01/01 00:00:00"), r};
  window.Load();
  window.Select(1);
  ui.answers = {Answer::Yes};
  EXPECT_EQ(window.DoubleClick(), HistoryWindow::After::Close);
  EXPECT_EQ(ui.messages[0].caption, u"Pellucor - 履歴詳細");
  EXPECT_EQ(ui.messages[0].icon, Icon::Question);
  EXPECT_TRUE(
      ui.messages[0].text.ends_with(u"\r\n\r\n選択された履歴をメイン画面にセットしますか？"));
  EXPECT_EQ(form.Text_url1().Value(), r.url1);
  EXPECT_EQ(form.Text_url2().Value(), r.url2);
  EXPECT_EQ(form.Text_from().Value(), u"151");
  EXPECT_EQ(form.Text_to().Value(), u"151");
  EXPECT_EQ(form.Check_MaxMsg().Value(), 0);
  EXPECT_EQ(form.Text_out().Value(), u"/data/topic.html");
  EXPECT_EQ(form.Check_TopicToFilename().Value(), 1);
  EXPECT_EQ(form.Check_devide().Value(), 1);
  EXPECT_EQ(form.Text_devidecnt().Value(), u"30");
  EXPECT_EQ(form.Combo_bbs().Index(), 1);
  EXPECT_EQ(form.Combo_out().Index(), 1);
  EXPECT_EQ(form.Check_CreateTitleIndex().Value(), 1);
  EXPECT_EQ(form.Check_nooutblank().Value(), 1);
  EXPECT_EQ(form.Option_devidekind().Index(), 2);
  EXPECT_EQ(form.Combo_devidedatekind().Index(), 1);
  EXPECT_EQ(form.Text_devidefilesize().Value(), u"64");

  // No matching catalogue entry: the lists keep their selection. No puts nothing back.
  list[0].boardFile = u"gone.bbs";
  window.Select(0);
  ui.answers = {Answer::No};
  form.Text_from().SetValue(u"9");
  EXPECT_EQ(window.DoubleClick(), HistoryWindow::After::Stay);
  EXPECT_EQ(form.Text_from().Value(), u"9");
  EXPECT_EQ(window.SetMain(), HistoryWindow::After::Close);
  EXPECT_EQ(form.Combo_bbs().Index(), 1);
}

TEST_F(HistoryWindowTest, DeleteTheLastAndTheOnlyEntry) {
  list = {Entry(u"2003/01/01 00:00:00", u"a"), Entry(u"2002/01/01 00:00:00", u"b"),
          Entry(u"2001/01/01 00:00:00", u"c")};
  window.Load();
  EXPECT_EQ(window.Selection(), 0);
  ASSERT_EQ(window.Lines().size(), 3u);

  window.Select(2);
  ui.answers = {Answer::No};
  EXPECT_EQ(window.Delete(), HistoryWindow::After::Stay);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(ui.messages[0].caption, u"Pellucor - 削除確認");
  EXPECT_TRUE(ui.messages[0].text.ends_with(u"\r\n\r\n選択された履歴を削除してよろしいですか？"));

  EXPECT_EQ(window.Delete(), HistoryWindow::After::Stay);  // Yes
  EXPECT_EQ(Titles(list), (std::vector<Text>{u"a", u"b"}));
  EXPECT_EQ(window.Selection(), 1);  // the new last line
  EXPECT_EQ(window.Lines().size(), 2u);

  window.Select(0);
  EXPECT_EQ(window.Delete(), HistoryWindow::After::Stay);
  EXPECT_EQ(Titles(list), (std::vector<Text>{u"b"}));
  EXPECT_EQ(window.Selection(), 0);  // the next entry moved up
  EXPECT_EQ(window.Delete(), HistoryWindow::After::Close);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(window.Lines().empty());
  EXPECT_EQ(ui.beeps, 4);
}

TEST_F(HistoryWindowTest, CommentEditPaths) {
  list = {Entry(u"2003/01/01 00:00:00")};
  window.Load();

  // An empty answer on an entry without a comment changes nothing and asks nothing.
  ui.inputs = {Text()};
  window.EditComment();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.input_prompts, std::vector<Text>{u"コメントを編集してください"});

  ui.inputs = {Text(u"続きは来週")};
  window.EditComment();
  EXPECT_EQ(list[0].comment, u"続きは来週");
  EXPECT_TRUE(window.Lines()[0].ends_with(u"\t続きは来週"));

  // Empty answer with a comment: Yes keeps it, No deletes it.
  ui.inputs = {Text()};
  ui.answers = {Answer::Yes};
  window.EditComment();
  EXPECT_EQ(list[0].comment, u"続きは来週");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            u"コメントの編集をキャンセルしますか？\r\n"
            u"処理をキャンセルする場合は[はい] コメントを削除する場合は[いいえ]を選択してください");
  EXPECT_EQ(ui.messages[0].caption, u"Pellucor - コメント編集確認");
  ui.inputs = {Text()};
  ui.answers = {Answer::No};
  window.EditComment();
  EXPECT_EQ(list[0].comment, u"");

  // Cancel in the input box leaves the comment alone without a question.
  list[0].comment = u"x";
  ui.inputs = {std::nullopt};
  window.EditComment();
  EXPECT_EQ(list[0].comment, u"x");
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(window.Selection(), 0);
}

TEST_F(HistoryWindowTest, OpenTopicAndFolderWithFallbacks) {
  list = {Entry(u"2003/01/01 00:00:00")};
  window.Load();
  window.OpenTopic();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].target, u"http://127.0.0.1/board/message?mid=150&tid=7");

  shell.calls.clear();
  shell.open_results = {false};
  window.OpenFolder();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].target, u"/data/");
  EXPECT_EQ(shell.calls[1].kind, RecordingShell::Kind::Explore);
  EXPECT_TRUE(ui.messages.empty());

  shell.open_results = {false};
  shell.explore_results = {false};
  window.OpenFolder();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"開けませんでした");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
}

void SetModified(const Text& path, time_t t) {
  struct utimbuf times {
    t, t
  };
  ASSERT_EQ(::utime(ToUtf8(path).c_str(), &times), 0);
}

TEST_F(HistoryWindowTest, OpenOutputChoosesByModificationTime) {
  ScratchFolder dir;
  HistoryRecord r = Entry(u"2003/01/01 00:00:00");
  r.outputPath = dir.Path(u"topic.html");
  r.divide = u"1";
  r.divideKind = u"0";
  r.splitKey = u"7";
  list = {r};
  window.Load();

  window.OpenOutput();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"ファイルが存在しません");

  dir.Write(u"topic_007.html", "m");
  EXPECT_EQ(ChooseHistoryOutput(r).candidates,
            (std::vector<Text>{dir.Path(u"topic_index.html"), dir.Path(u"topic_007.html")}));
  EXPECT_EQ(ChooseHistoryOutput(r).chosen, dir.Path(u"topic_007.html"));
  dir.Write(u"topic_index.html", "i");
  SetModified(dir.Path(u"topic_007.html"), 1000000000);
  SetModified(dir.Path(u"topic_index.html"), 1000000000);
  EXPECT_EQ(ChooseHistoryOutput(r).chosen, dir.Path(u"topic_index.html"));  // a tie
  SetModified(dir.Path(u"topic_007.html"), 1000000001);
  EXPECT_EQ(ChooseHistoryOutput(r).chosen, dir.Path(u"topic_007.html"));

  // The date and size splits name their files their own way.
  r.divideKind = u"1";
  r.splitKey = u"200105";
  EXPECT_EQ(ChooseHistoryOutput(r).candidates[1], dir.Path(u"topic_200105.html"));
  r.divideKind = u"2";
  r.splitKey = u"3";
  EXPECT_EQ(ChooseHistoryOutput(r).candidates[1], dir.Path(u"topic_0003.html"));

  // Unsplit without an index: the output file alone.
  r.divide = u"0";
  EXPECT_EQ(ChooseHistoryOutput(r).candidates, std::vector<Text>{dir.Path(u"topic.html")});
  r.createTitleIndex = u"1";
  EXPECT_EQ(ChooseHistoryOutput(r).candidates.size(), 2u);

  // A failed open falls back to the editor.
  shell.open_results = {false};
  window.OpenOutput();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].target, dir.Path(u"topic_007.html"));
  EXPECT_EQ(shell.calls[1].kind, RecordingShell::Kind::Edit);

  list[0].outputPath = dir.Path(u"noext");
  window.OpenOutput();
  EXPECT_EQ(ui.messages.back().text, u"出力ファイル名が不正なためファイルを開けません");
  EXPECT_EQ(ui.messages.back().caption, u"Pellucorエラー");
}

}  // namespace
}  // namespace pellucor
