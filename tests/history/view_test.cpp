#include "history/view.h"

#include <gtest/gtest.h>
#include <utime.h>

#include "app/form_values.h"
#include "app/history_window.h"
#include "engine/definitions.h"
#include "support/recording_shell.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::RecordingShell;
using V = std::vector<Text>;

// A job of messages 1..150 to html.out, unsplit: fields 1 to 19 of the history file, then the
// title, the last message, the time and the totals.
HistoryRecord Entry(const Text& time, const Text& title = u"t") {
  HistoryRecord r;
  Text f =
      u"http://127.0.0.1/board/message?mid=|&tid=7|1|150|1|_yahoo.bbs|html.out|"
      u"/data/topic.html|0|0|0|0|0|1000|1|0|0|1000|Yahoo掲示板|";
  for (int n = 1; n <= 19; ++n) {
    r.Field(n) = f.substr(0, f.find(u'|'));
    f.erase(0, f.find(u'|') + 1);
  }
  r.title = title, r.lastMessage = u"150", r.lastRunTime = time;
  r.totalMessages = u"10", r.totalSeconds = u"25";
  return r;
}

V Titles(const HistoryList& list) {
  V t;
  for (const auto& r : list) t.push_back(r.title);
  return t;
}

TEST(SortHistoryForWindow, NewestFirstAndUndatedAsTenYearsAgo) {
  HistoryList list = {Entry(u"2009/01/01 00:00:00", u"a"), Entry(u"not a date", u"undated"),
                      Entry(u"2010/05/31 23:59:59", u"b"), Entry(u"2000/06/02 00:00:00", u"c"),
                      Entry(u"1999/12/31 10:00:00", u"d"), Entry(u"2009/01/01 00:00:01", u"e")};
  SortHistoryForWindow(list, DateTime{2010, 6, 1, 12, 0, 0});
  EXPECT_EQ(Titles(list), (V{u"b", u"e", u"a", u"c", u"undated", u"d"}));
  // 29 February ten years back is a common year's 28 February.
  list = {Entry(u"", u"x"), Entry(u"2002/02/28 00:00:01", u"y"),
          Entry(u"2002/02/27 23:59:59", u"z")};
  SortHistoryForWindow(list, DateTime{2012, 2, 29, 0, 0, 0});
  EXPECT_EQ(Titles(list), (V{u"y", u"x", u"z"}));
}

TEST(HistoryListLine, ColumnsFittedInCp932BytesWithFullWidthTitles) {
  EXPECT_EQ(FitToBytes(u"(1234567)", 7) + FitToBytes(u"aあいう", 4) + FitToBytes(u"ｱｲｳ", 2),
            u"(123456aあ ｱｲ");  // half-width kana take one byte
  HistoryRecord r = Entry(u"2001/05/12 13:45:07", Text(40, u'題'));
  r.comment = u"メモ";
  const Text head = u"05/12 13:45 (150)  \tYahoo掲示板        \t";
  EXPECT_EQ(HistoryListLine(r), head + Text(14, u'題') + u" \tメモ");
  r.comment.clear();
  EXPECT_EQ(HistoryListLine(r), head + Text(40, u'題'));
  r.boardName = u"とても長い掲示板の名前です";  // 26 bytes: 9 characters and a space
  r.lastRunTime = u"bad";
  EXPECT_EQ(HistoryListLine(r).substr(0, 20), u" (150)  \tとても長い掲示板の \t");
}

DefinitionCatalog Catalog() {
  DefinitionCatalog c;
  c.boards = {{u"other.bbs", u"他", u"", u"", u"", u""},
              {u"_yahoo.bbs", u"Yahoo掲示板", u"", u"", u"", u""}};
  c.outputs = {{u"text.out", u"テキスト", u"txt"}, {u"html.out", u"HTML形式", u"html"}};
  return c;
}

TEST(HistoryDetailText, LinesOfTheExamples) {
  const DefinitionCatalog catalog = Catalog();
  HistoryRecord r = Entry(u"2001/05/12 13:45:07", u"トピック");
  r.comment = u"メモ";
  EXPECT_EQ(
      HistoryDetailText(r, catalog),
      u"タイトル : トピック\r\n前回取得MSG番号 : 1～150\r\n最大メッセージ数まで取得 : する\r\n"
      u"掲示板 : Yahoo掲示板\r\n出力タイプ : HTML形式\r\n出力ファイル名 : /data/topic.html\r\n"
      u"タイトルをファイル名に : しない\r\n出力ファイルを分割 : しない\r\n"
      u"題名インデックス : 作成しない\r\n前回取得日 : 2001/05/12 13:45:07\r\n"
      u"平均取得時間 : 2.50秒(/1件)\r\nコメント : メモ\r\n");
  // Changes applied one after the other, and the line they lead to (without " : ", a line
  // that is left out).
  r.divide = u"1", r.divideDateKind = u"2";
  r.divideFileSize = u"500";
  for (const auto& [field, value, line] :
       {std::tuple(&r.divideKind, u"1", u"出力ファイルを分割 : する(月別)"),
        std::tuple(&r.divideKind, u"0", u"出力ファイルを分割 : する(1000件ごと)"),
        std::tuple(&r.divideKind, u"2", u"出力ファイルを分割 : する(500KBごと)"),
        std::tuple(&r.divideKind, u"", u"出力ファイルを分割 : する()"),  // a version 1 record
        std::tuple(&r.totalMessages, u"0", u"平均取得時間"),
        std::tuple(&r.outputTypeFile, u"gone.out", u"出力タイプ"),
        std::tuple(&r.createTitleIndex, u"1", u"題名インデックス : 作成する")}) {
    *field = value;
    const bool shown = Text(line).find(u" : ") != Text::npos;
    const Text text = u"\r\n" + HistoryDetailText(r, catalog);
    EXPECT_EQ(text.find(u"\r\n" + Text(line) + (shown ? u"\r\n" : u"")) != Text::npos, shown)
        << ToUtf8(line);
  }
}

class HistoryWindowTest : public ::testing::Test {
 protected:
  HistoryList list = {Entry(u"2003/01/01 00:00:00", u"a"), Entry(u"2002/01/01 00:00:00", u"b"),
                      Entry(u"2001/01/01 00:00:00", u"c")};
  MemoryForm form;
  testing::ScriptedUi ui;
  RecordingShell shell;
  DefinitionCatalog catalog = Catalog();
  HistoryWindow window{list, [this](const PutBack& v) { ApplyPutBack(form, v); }, ui,
                       RunInPlace(ui, shell), catalog};
};

TEST_F(HistoryWindowTest, PutBackContinuesAfterTheLastMessage) {
  HistoryRecord& r = list[1];
  r.maxMsg = u"0";
  r.topicToFilename = r.createTitleIndex = r.noOutBlank = r.divide = r.divideDateKind = u"1";
  r.divideKind = u"2", r.divideCount = u"30", r.divideFileSize = u"64";
  window.Load();
  window.Select(1);
  EXPECT_EQ(window.DoubleClick(), HistoryWindow::After::Close);  // Yes
  EXPECT_TRUE(
      ui.messages[0].caption == u"Pellucor - 履歴詳細" &&
      ui.messages[0].text.ends_with(u"\r\n\r\n選択された履歴をメイン画面にセットしますか？"));
  auto n = [](int v) { return FromUtf8(std::to_string(v)); };
  EXPECT_EQ((V{form.Text_url1().Value(), form.Text_url2().Value(), form.Text_from().Value(),
               form.Text_to().Value(), form.Text_out().Value(), form.Text_devidecnt().Value(),
               form.Text_devidefilesize().Value(), n(form.Check_MaxMsg().Value()),
               n(form.Check_TopicToFilename().Value()), n(form.Check_devide().Value()),
               n(form.Combo_bbs().Index()), n(form.Combo_out().Index()),
               n(form.Check_CreateTitleIndex().Value()), n(form.Check_nooutblank().Value()),
               n(form.Option_devidekind().Index()), n(form.Combo_devidedatekind().Index())}),
            (V{r.url1, r.url2, u"151", u"151", u"/data/topic.html", u"30", u"64", u"0", u"1", u"1",
               u"1", u"1", u"1", u"1", u"2", u"1"}));

  // No puts nothing back; without a matching catalogue entry the lists keep their selection.
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
  window.Load();
  EXPECT_EQ(window.Selection(), 0);
  window.Select(2);
  ui.answers = {Answer::No};
  EXPECT_EQ(window.Delete(), HistoryWindow::After::Stay);
  EXPECT_TRUE(ui.messages[0].caption == u"Pellucor - 削除確認" &&
              ui.messages[0].text.ends_with(u"\r\n\r\n選択された履歴を削除してよろしいですか？"));
  // After each Yes: what is left, the selection (the new last line, then the entry moved up).
  using A = HistoryWindow::After;
  for (auto [select, after, left, selection] :
       {std::tuple(2, A::Stay, V{u"a", u"b"}, 1), std::tuple(0, A::Stay, V{u"b"}, 0),
        std::tuple(0, A::Close, V{}, -1)}) {
    window.Select(select);
    EXPECT_EQ(window.Delete(), after);
    EXPECT_EQ(std::tuple(Titles(list), window.Selection(), window.Lines().size()),
              std::tuple(left, selection, left.size()));
  }
}

TEST_F(HistoryWindowTest, CommentEditPaths) {
  window.Load();
  // Input answers in turn: empty without a comment (nothing asked), a new comment, empty with a
  // comment (Yes keeps it, No deletes it), Cancel (no question).
  ui.inputs = {Text(), Text(u"続きは来週"), Text(), Text(), std::nullopt};
  ui.answers = {Answer::Yes, Answer::No};
  const Text after[] = {u"", u"続きは来週", u"続きは来週", u"", u"x"};
  const size_t asked[] = {0, 0, 1, 2, 2};
  for (int i = 0; i < 5; ++i) {
    if (i == 4) list[0].comment = u"x";
    window.EditComment();
    EXPECT_EQ(list[0].comment, after[i]) << i;
    EXPECT_EQ(ui.messages.size(), asked[i]) << i;
  }
  EXPECT_EQ(ui.input_prompts[0] + ui.messages[0].caption + u"|" + ui.messages[0].text,
            u"コメントを編集してくださいPellucor - コメント編集確認|"
            u"コメントの編集をキャンセルしますか？\r\n"
            u"処理をキャンセルする場合は[はい] コメントを削除する場合は[いいえ]を選択してください");
  EXPECT_TRUE(window.Lines()[0].ends_with(u"\tx"));
}

TEST_F(HistoryWindowTest, OpenTopicAndFolderWithFallbacks) {
  window.Load();
  window.OpenTopic();
  shell.open_results = {false};
  window.OpenFolder();  // the file manager takes over
  shell.open_results = {false};
  shell.explore_results = {false};
  window.OpenFolder();
  using K = RecordingShell::Kind;
  V seen;
  for (const auto& c : shell.calls)
    seen.push_back((c.kind == K::Open ? u"open " : u"explore ") + c.target);
  EXPECT_EQ(seen, (V{u"open http://127.0.0.1/board/message?mid=150&tid=7", u"open /data/",
                     u"explore /data/", u"open /data/", u"explore /data/"}));
  ASSERT_EQ(ui.Texts(), std::vector<std::string>{"開けませんでした"});
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
}

TEST_F(HistoryWindowTest, OpenOutputChoosesByModificationTime) {
  testing::ScratchFolder dir;
  HistoryRecord& r = list[0];
  r.outputPath = dir.Path(u"topic.html");
  r.divide = u"1", r.splitKey = u"7";
  window.Load();
  window.OpenOutput();
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"ファイルが存在しません"});

  const Text index = dir.Path(u"topic_index.html"), part = dir.Path(u"topic_007.html");
  auto touch = [](const Text& path, time_t t) {
    utimbuf times{t, t};
    ASSERT_EQ(::utime(ToUtf8(path).c_str(), &times), 0);
  };
  dir.Write(u"topic_007.html", "m");
  EXPECT_EQ(ChooseHistoryOutput(r).candidates, (V{index, part}));
  EXPECT_EQ(ChooseHistoryOutput(r).chosen, part);  // the only one there
  dir.Write(u"topic_index.html", "i");
  for (auto [part_time, chosen] : {std::pair(1000000000, index), std::pair(1000000001, part)}) {
    touch(index, 1000000000);  // a tie goes to the index
    touch(part, part_time);
    EXPECT_EQ(ChooseHistoryOutput(r).chosen, chosen);
  }

  // The date and size splits name their files their own way; unsplit without an index the
  // output file alone is a candidate.
  for (auto [divide, kind, key, title_index, candidates] :
       {std::tuple(u"1", u"1", u"200105", u"0", V{index, dir.Path(u"topic_200105.html")}),
        std::tuple(u"1", u"2", u"3", u"0", V{index, dir.Path(u"topic_0003.html")}),
        std::tuple(u"0", u"2", u"3", u"0", V{dir.Path(u"topic.html")}),
        std::tuple(u"0", u"2", u"3", u"1", V{index, dir.Path(u"topic.html")})}) {
    HistoryRecord c = r;
    c.divide = divide, c.divideKind = kind, c.splitKey = key, c.createTitleIndex = title_index;
    EXPECT_EQ(ChooseHistoryOutput(c).candidates, candidates);
  }

  shell.open_results = {false};  // a failed open falls back to the editor
  window.OpenOutput();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(std::pair(shell.calls[0].target, shell.calls[1].kind),
            std::pair(part, RecordingShell::Kind::Edit));
  r.outputPath = dir.Path(u"noext");
  window.OpenOutput();
  EXPECT_EQ(ui.messages.back().caption + u"|" + ui.messages.back().text,
            u"Pellucorエラー|出力ファイル名が不正なためファイルを開けません");
}

}  // namespace
}  // namespace pellucor
