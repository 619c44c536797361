#include "viewer/result_viewer.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "engine/definitions.h"
#include "support/fake_clock.h"
#include "support/recording_shell.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::FakeClock;
using testing::RecordingShell;
using testing::ScratchFolder;
using testing::ScriptedUi;

// The pieces of the two pages, written out once more here so that a change to any of them
// shows up as a failing byte comparison.
const Text kHead = u"<HTML><HEAD><TITLE>";
const Text kListHead =
    u" INDEX</TITLE><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'></HEAD>"
    u"<BODY><SMALL>出力ファイル一覧</SMALL>";
const Text kFrameHead =
    u"</TITLE><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\"></HEAD>";
const Text kNoFrames =
    u"<NOFRAMES><P>このページはフレームに対応したブラウザでのみアクセスできます。</P></NOFRAMES>"
    u"</HTML>";
const Text kFrameTail = u"\" SCROLLING=\"auto\" MARGINHEIGHT=\"5\" MARGINWIDTH=\"5\">";

Text Msg(const Text& href, const Text& label) {
  return u"<BR><A HREF=\"" + href + u"\" TARGET='message'>" + label + u"</A>";
}
Text Idx(const Text& href) {
  return u" (<A HREF=\"" + href + u"\" TARGET='index'>idx</A>)";
}
Text LoneIdx(const Text& href, const Text& label) {
  return u"<BR>index(<A HREF=\"" + href + u"\" TARGET='index'>" + label + u"</A>)";
}
Text ListFrame(const Text& src) {
  return u"<FRAME NAME=\"list\" SRC=\"" + src + kFrameTail;
}
Text MsgFrame(const Text& src) {
  return u"<FRAME NAME=\"message\" SRC=\"" + src + kFrameTail;
}
Text IdxFrame(const Text& src) {
  return u"<FRAME NAME=\"index\" SRC=\"" + src + kFrameTail;
}
const Text kCols120 = u"<FRAMESET COLS=\"120,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
const Text kCols200 = u"<FRAMESET COLS=\"200,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
const Text kRows100 = u"<FRAMESET ROWS=\"100,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
const Text kRows150 = u"<FRAMESET ROWS=\"*,150\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
const Text kEnd = u"</FRAMESET>";

const Text kLayoutQuestion =
    u"題名のインデックスファイルを左に表示しますか？\r\n「はい」の時左に「いいえ」の時は下に表示し"
    u"ます";

class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest() {
    catalog.outputs.push_back({u"html.out", u"HTML", u"html"});
    catalog.outputs.push_back({u"text.out", u"テキスト", u"txt"});
    form.Combo_out().SetIndex(0);
    form.Check_devide().SetValue(1);
    form.Option_devidekind().SetIndex(0);
    form.Text_devidecnt().SetValue(u"100");
    form.Check_CreateTitleIndex().SetValue(1);
  }

  void Touch(const Text& name) { dir.Write(name, "x"); }
  // The page as the browser will read it: CP932 bytes.
  void ExpectPage(const Text& name, const Text& expected) {
    EXPECT_EQ(dir.Read(name), EncodeCp932(expected)) << ToUtf8(name);
  }
  void Show() {
    ViewerContext ctx{form, ui, shell, clock, catalog};
    ShowResult(ctx);
  }

  ScratchFolder dir;
  MemoryForm form;
  ScriptedUi ui;
  RecordingShell shell;
  FakeClock clock;
  DefinitionCatalog catalog;
};

TEST_F(ViewerTest, SplitSeriesWithTitleIndexesIndexOnTheLeft) {
  for (auto n : {u"topic.html", u"topic_001.html", u"topic_001_idx.html", u"topic_002.html",
                 u"topic_002_idx.html", u"other.html"})
    Touch(n);
  form.Text_out().SetValue(dir.Path(u"topic.html"));
  ui.answers = {Answer::Yes};
  Show();

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kLayoutQuestion);
  EXPECT_EQ(ui.messages[0].icon, Icon::Question);
  EXPECT_EQ(ui.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.beeps, 1);
  ExpectPage(u"topic_list.html", kHead + u"topic" + kListHead + Msg(u"topic_001.html", u"001") +
                                     Idx(u"topic_001_idx.html") + Msg(u"topic_002.html", u"002") +
                                     Idx(u"topic_002_idx.html") +
                                     u"<BR><HR><SMALL>分割条件：100件</SMALL></BODY></HTML>");
  ExpectPage(u"topic_index.html", kHead + u"topic" + kFrameHead + kCols200 + kRows100 +
                                      ListFrame(u"topic_list.html") +
                                      IdxFrame(u"topic_001_idx.html") + kEnd +
                                      MsgFrame(u"topic_001.html") + kEnd + kNoFrames);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].kind, RecordingShell::Kind::Open);
  EXPECT_EQ(shell.calls[0].target, dir.Path(u"topic_index.html"));

  // The viewer's own pages are never listed: a second view writes the same bytes.
  const std::string list = dir.Read(u"topic_list.html");
  ui.answers = {Answer::No};
  Show();
  EXPECT_EQ(dir.Read(u"topic_list.html"), list);
  ExpectPage(u"topic_index.html", kHead + u"topic" + kFrameHead + kCols120 +
                                      ListFrame(u"topic_list.html") + kRows150 +
                                      MsgFrame(u"topic_001.html") +
                                      IdxFrame(u"topic_001_idx.html") + kEnd + kEnd + kNoFrames);
}

TEST_F(ViewerTest, SplitSeriesWithoutTitleIndexAsksNothing) {
  form.Check_CreateTitleIndex().SetValue(0);
  form.Option_devidekind().SetIndex(1);
  form.Combo_devidedatekind().SetIndex(2);
  for (auto n : {u"log_200101.html", u"log_200102.html"}) Touch(n);
  form.Text_out().SetValue(dir.Path(u"log.html"));
  Show();
  EXPECT_TRUE(ui.messages.empty());
  ExpectPage(u"log_list.html", kHead + u"log" + kListHead + Msg(u"log_200101.html", u"200101") +
                                   Msg(u"log_200102.html", u"200102") +
                                   u"<BR><HR><SMALL>分割条件：月別</SMALL></BODY></HTML>");
  ExpectPage(u"log_index.html", kHead + u"log" + kFrameHead + kCols120 +
                                    ListFrame(u"log_list.html") + MsgFrame(u"log_200101.html") +
                                    kEnd + kNoFrames);
}

TEST_F(ViewerTest, UnsplitWithIndexWritesOnlyTheFrameset) {
  form.Check_devide().SetValue(0);
  Touch(u"topic.html");
  Touch(u"topic_idx.html");
  form.Text_out().SetValue(dir.Path(u"topic.html"));
  ui.answers = {Answer::Yes};
  Show();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(dir.Exists(u"topic_list.html"));
  ExpectPage(u"topic_index.html", kHead + u"topic" + kFrameHead + kCols200 +
                                      IdxFrame(u"topic_idx.html") + MsgFrame(u"topic.html") + kEnd +
                                      kNoFrames);

  // What the list page would hold: one line labelled msg with its idx link.
  FileList files = {{u"", u"topic.html"}, {u"", u"topic_idx.html"}};
  PageSettings settings;
  ListPage page = BuildListPage(u"topic", files, settings);
  EXPECT_EQ(page.html, kHead + u"topic" + kListHead + Msg(u"topic.html", u"msg") +
                           Idx(u"topic_idx.html") + u"</BODY></HTML>");
}

TEST_F(ViewerTest, OtherOutputsSharingTheBaseAreListedWhenUnsplit) {
  FileList files = {{u"", u"topic.html"}, {u"", u"topic2.html"}, {u"", u"topic_idx.html"}};
  ListPage page = BuildListPage(u"topic", files, PageSettings{});
  // The index no longer follows its message file, so it stands on its own line.
  EXPECT_EQ(page.html, kHead + u"topic" + kListHead + Msg(u"topic.html", u"msg") +
                           Msg(u"topic2.html", u"2") + LoneIdx(u"topic_idx.html", u"idx") +
                           u"</BODY></HTML>");
  EXPECT_EQ(page.message_links, 2);
  EXPECT_EQ(page.index_links, 1);

  // With splitting on, only "_" names are listed, and the condition closes the page.
  PageSettings size_split{true, 2, u"", 0, u"500"};
  page = BuildListPage(u"topic", files, size_split);
  EXPECT_EQ(page.html, kHead + u"topic" + kListHead + LoneIdx(u"topic_idx.html", u"idx") +
                           u"<BR><HR><SMALL>分割条件：500KB</SMALL></BODY></HTML>");
}

TEST_F(ViewerTest, TitleIndexWithoutItsMessageFile) {
  for (auto n : {u"t_001.html", u"t_001_idx.html", u"t_003_idx.html"}) Touch(n);
  form.Text_out().SetValue(dir.Path(u"t.html"));
  ui.answers = {Answer::No};
  Show();
  ExpectPage(u"t_list.html", kHead + u"t" + kListHead + Msg(u"t_001.html", u"001") +
                                 Idx(u"t_001_idx.html") + LoneIdx(u"t_003_idx.html", u"003") +
                                 u"<BR><HR><SMALL>分割条件：100件</SMALL></BODY></HTML>");
  // Two index links make the list frame worth showing.
  ExpectPage(u"t_index.html", kHead + u"t" + kFrameHead + kCols120 + ListFrame(u"t_list.html") +
                                  kRows150 + MsgFrame(u"t_001.html") + IdxFrame(u"t_001_idx.html") +
                                  kEnd + kEnd + kNoFrames);
}

TEST_F(ViewerTest, NamesWithSpacesAmpersandHashAndPercentAreEncodedInLinksOnly) {
  form.Check_CreateTitleIndex().SetValue(0);
  const Text base = u"my log&#%(1)";
  for (auto n : {u"_001.html", u"_002.html"}) Touch(base + n);
  form.Text_out().SetValue(dir.Path(base + u".html"));
  Show();
  const Text enc = u"my%20log%26%23%25%281%29";
  ExpectPage(base + u"_list.html", kHead + base + kListHead + Msg(enc + u"_001.html", u"001") +
                                       Msg(enc + u"_002.html", u"002") +
                                       u"<BR><HR><SMALL>分割条件：100件</SMALL></BODY></HTML>");
  ExpectPage(base + u"_index.html", kHead + base + kFrameHead + kCols120 +
                                        ListFrame(enc + u"_list.html") +
                                        MsgFrame(enc + u"_001.html") + kEnd + kNoFrames);
}

TEST_F(ViewerTest, PathChecks) {
  form.Text_out().SetValue(u"topic.html");
  Show();
  form.Text_out().SetValue(dir.Dir());
  Show();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, u"出力ファイル名をフルパスで指定してください");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_EQ(ui.messages[1].text, u"正しい出力ファイル名を指定してください");
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(ViewerTest, MissingExtensionIsTakenFromTheOutputType) {
  form.Check_CreateTitleIndex().SetValue(0);
  form.Combo_out().SetIndex(1);
  Touch(u"a.b/x_001.txt");
  form.Text_out().SetValue(dir.Path(u"a.b/x"));
  Show();
  EXPECT_EQ(form.Text_out().Value(), dir.Path(u"a.b/x.txt"));
  EXPECT_TRUE(dir.Exists(u"a.b/x_list.html"));
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].target, dir.Path(u"a.b/x_index.html"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ViewerTest, NothingFoundOpensTheOutputPath) {
  form.Text_out().SetValue(dir.Path(u"none.html"));
  Show();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"ファイルが存在しません");
  EXPECT_FALSE(dir.Exists(u"none_index.html"));
}

TEST_F(ViewerTest, PlainRunOpensTheOutputByExtension) {
  form.Check_devide().SetValue(0);
  form.Check_CreateTitleIndex().SetValue(0);
  for (auto n : {u"report.txt", u"page.HTML", u"page.xml", u"b.htm", u"d.DAT"}) Touch(n);
  for (auto n : {u"report.txt", u"page.HTML", u"page.xml", u"b.htm", u"d.DAT"}) {
    form.Text_out().SetValue(dir.Path(n));
    Show();
  }
  ASSERT_EQ(shell.calls.size(), 4u);
  EXPECT_EQ(shell.calls[0].kind, RecordingShell::Kind::Edit);
  EXPECT_EQ(shell.calls[0].target, dir.Path(u"report.txt"));
  EXPECT_EQ(shell.calls[1].kind, RecordingShell::Kind::Open);
  EXPECT_EQ(shell.calls[2].kind, RecordingShell::Kind::Open);
  EXPECT_EQ(shell.calls[2].target, dir.Path(u"b.htm"));
  EXPECT_EQ(shell.calls[3].kind, RecordingShell::Kind::Edit);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"正しいファイルが指定されていません");
  // No pages without splitting or an index.
  EXPECT_FALSE(dir.Exists(u"report_index.html"));
}

TEST(WaitForFile, GivesUpAfterTenSecondsTwice) {
  ScratchFolder dir;
  ScriptedUi ui;
  FakeClock clock;
  WaitForFile(ui, clock, dir.Path(u"never.html"));
  // Each wait ends once more than ten whole seconds have passed: eleven pauses each.
  EXPECT_EQ(clock.sleeps, std::vector<int>(22, 1000));

  clock.sleeps.clear();
  dir.Write(u"there.html", "<HTML>");
  WaitForFile(ui, clock, dir.Path(u"there.html"));
  EXPECT_TRUE(clock.sleeps.empty());

  clock.sleeps.clear();
  dir.Write(u"empty.html", "");
  WaitForFile(ui, clock, dir.Path(u"empty.html"));
  EXPECT_EQ(clock.sleeps.size(), 11u);
}

TEST(SearchFile, PatternsAndRecursion) {
  ScratchFolder dir;
  for (auto n : {u"Topic_001.html", u"topic.txt", u"xTOPIC", u"other.html", u"sub/topic_9.html",
                 u"sub/deep/TOPIC.dat"})
    dir.Write(n, "x");
  ScriptedUi ui;
  auto names = [&](const Text& pattern, bool recursive) {
    FileList list;
    int64_t n = SearchFile(ui, dir.Dir(), u"", recursive, list, 0, pattern);
    EXPECT_EQ(n, static_cast<int64_t>(list.size()));
    SortFileList(list, 0, static_cast<int64_t>(list.size()) - 1);
    std::vector<std::string> r;
    for (auto& f : list) r.push_back(ToUtf8(f.sub_folder + u"|" + f.name));
    return r;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(names(u"", false), (V{"|other.html", "|topic.txt", "|Topic_001.html", "|xTOPIC"}));
  EXPECT_EQ(names(u"*", false).size(), 4u);
  EXPECT_EQ(names(u"topic*", false), (V{"|topic.txt", "|Topic_001.html"}));
  EXPECT_EQ(names(u"*topic", false), (V{"|xTOPIC"}));
  EXPECT_EQ(names(u"*OPIC*", false), (V{"|topic.txt", "|Topic_001.html", "|xTOPIC"}));
  EXPECT_EQ(names(u"topic*", true),
            (V{"|topic.txt", "|Topic_001.html", "/sub|topic_9.html", "/sub/deep|TOPIC.dat"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(SearchFile, FileSystemErrorOffersAbortRetryIgnore) {
  ScratchFolder dir;
  ScriptedUi ui;
  FileList list = {{u"", u"kept"}};
  ui.answers = {Answer::Retry, Answer::Ignore};
  EXPECT_EQ(SearchFile(ui, dir.Path(u"missing"), u"", false, list, 1, u""), 1);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text.substr(0, 11), u"SearchFile:");
  EXPECT_GT(ui.messages[0].text.size(), 11u);
  EXPECT_EQ(ui.messages[0].caption, u"Pellucor エラー");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(ui.beeps, 2);

  ui.answers = {Answer::Abort};
  EXPECT_EQ(SearchFile(ui, dir.Path(u"missing"), u"", false, list, 1, u""), -1);
  EXPECT_EQ(list.size(), 1u);
}

TEST(SortFileList, FollowsTheQuicksortOrderForKeysThatDifferOnlyInCase) {
  // The pivot is the middle entry with a half rounded to the even index; a stable sort would
  // give a, A, B, b.
  FileList list = {{u"", u"B"}, {u"", u"a"}, {u"", u"A"}, {u"", u"b"}};
  SortFileList(list, 0, 3);
  EXPECT_EQ(list, (FileList{{u"", u"A"}, {u"", u"a"}, {u"", u"B"}, {u"", u"b"}}));

  // Sub-folder first, then the name; character codes, so "_" sorts after "." and digits.
  list = {{u"/b", u"a"}, {u"", u"z_1"}, {u"", u"z.1"}, {u"", u"z1"}, {u"/a", u"z"}};
  SortFileList(list, 0, 4);
  EXPECT_EQ(list,
            (FileList{{u"", u"z.1"}, {u"", u"z1"}, {u"", u"z_1"}, {u"/a", u"z"}, {u"/b", u"a"}}));

  FileList one = {{u"", u"x"}};
  SortFileList(one, 0, 0);
  FileList none;
  SortFileList(none, 0, -1);
  EXPECT_EQ(one.size(), 1u);
}

}  // namespace
}  // namespace pellucor
