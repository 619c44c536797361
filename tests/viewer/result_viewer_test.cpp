#include "viewer/result_viewer.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"
#include "support/recording_shell.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::RecordingShell;
using testing::ScratchFolder;
using testing::ScriptedUi;
using Texts = std::vector<std::string>;

// The pieces of the two pages, written out once more here so that a change to any of them
// shows up as a failing byte comparison.
Text ListPageOf(const Text& base, const Text& links, const Text& condition) {
  return u"<HTML><HEAD><TITLE>" + base +
         u" INDEX</TITLE><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'>"
         u"</HEAD><BODY><SMALL>出力ファイル一覧</SMALL>" +
         links +
         (condition.empty() ? Text() : u"<BR><HR><SMALL>分割条件：" + condition + u"</SMALL>") +
         u"</BODY></HTML>";
}
Text FramesOf(const Text& base, const Text& frames) {
  return u"<HTML><HEAD><TITLE>" + base +
         u"</TITLE><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
         u"charset=x-sjis\"></HEAD>" +
         frames +
         u"<NOFRAMES><P>このページはフレームに対応したブラウザでのみアクセスできます。</P>"
         u"</NOFRAMES></HTML>";
}
// A message link; with `idx`, its index link; without a message name, an index on its own.
Text Link(const Text& msg, const Text& label, const Text& idx = u"") {
  if (msg.empty()) return u"<BR>index(<A HREF=\"" + idx + u"\" TARGET='index'>" + label + u"</A>)";
  return u"<BR><A HREF=\"" + msg + u"\" TARGET='message'>" + label + u"</A>" +
         (idx.empty() ? Text() : u" (<A HREF=\"" + idx + u"\" TARGET='index'>idx</A>)");
}
Text Frame(const Text& name, const Text& src) {
  return u"<FRAME NAME=\"" + name + u"\" SRC=\"" + src +
         u"\" SCROLLING=\"auto\" MARGINHEIGHT=\"5\" MARGINWIDTH=\"5\">";
}
Text Set(const Text& kind, const Text& sizes) {
  return u"<FRAMESET " + kind + u"=\"" + sizes + u"\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
}
const Text kEnd = u"</FRAMESET>";

class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest() {
    request.output_mark = u"html";
    request.pages.devide_count = u"100";
  }
  void Show(const Text& out, bool devide = false, bool title_index = false) {
    request.pages.devide = devide;
    request.title_index = title_index;
    request.output_path = out;
    ViewerContext ctx{ui, shell, clock};
    completed = ShowResult(ctx, request);
  }

  ScratchFolder dir;
  ViewerRequest request;
  Text completed;  // the output path as the viewer completed it
  ScriptedUi ui;
  RecordingShell shell;
  testing::FakeClock clock;
};

TEST_F(ViewerTest, ListAndFramesetPagesByteForByte) {
  // Writes the files, views base.html and compares both pages as the browser reads them
  // (CP932); an empty expected list page must not be written. `layout` answers the question
  // (Cancel: none expected).
  auto view = [&](int devide, int title_index, Answer layout, const Text& base,
                  std::vector<Text> files, const Text& list, const Text& frames) {
    SCOPED_TRACE(ToUtf8(base));
    for (const Text& f : files) dir.Write(f, "x");
    const size_t asked = ui.messages.size(), opened = shell.calls.size();
    ui.answers = {layout};
    Show(dir.Path(base + u".html"), devide, title_index);
    EXPECT_EQ(ui.messages.size(), asked + (layout == Answer::Cancel ? 0 : 1));
    EXPECT_EQ(dir.Read(base + u"_list.html"), list.empty() ? "" : EncodeCp932(list));
    EXPECT_EQ(dir.Read(base + u"_index.html"), EncodeCp932(frames));
    ASSERT_EQ(shell.calls.size(), opened + 1);
    EXPECT_EQ(shell.calls.back().target, dir.Path(base + u"_index.html"));
  };
  // Split with title indexes, the index on the left; the other output is not listed.
  const Text list = ListPageOf(u"topic",
                               Link(u"topic_001.html", u"001", u"topic_001_idx.html") +
                                   Link(u"topic_002.html", u"002", u"topic_002_idx.html"),
                               u"100件");
  view(1, 1, Answer::Yes, u"topic",
       {u"topic.html", u"topic_001.html", u"topic_001_idx.html", u"topic_002.html",
        u"topic_002_idx.html", u"other.html"},
       list,
       FramesOf(u"topic", Set(u"COLS", u"200,*") + Set(u"ROWS", u"100,*") +
                              Frame(u"list", u"topic_list.html") +
                              Frame(u"index", u"topic_001_idx.html") + kEnd +
                              Frame(u"message", u"topic_001.html") + kEnd));
  EXPECT_EQ(ui.messages[0].text,
            u"題名のインデックスファイルを左に表示しますか？\r\n"
            u"「はい」の時左に「いいえ」の時は下に表示します");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(shell.calls[0].kind, RecordingShell::Kind::Open);
  ui.answers = {Answer::No};  // again: the viewer's own pages are never listed
  Show(dir.Path(u"topic.html"), 1, 1);
  EXPECT_EQ(dir.Read(u"topic_list.html"), EncodeCp932(list));
  // Split by month without title indexes: no question.
  request.pages.devide_kind = 1;
  request.pages.devide_date_kind = 2;
  view(1, 0, Answer::Cancel, u"log", {u"log_200101.html", u"log_200102.html"},
       ListPageOf(u"log", Link(u"log_200101.html", u"200101") + Link(u"log_200102.html", u"200102"),
                  u"月別"),
       FramesOf(u"log", Set(u"COLS", u"120,*") + Frame(u"list", u"log_list.html") +
                            Frame(u"message", u"log_200101.html") + kEnd));
  request.pages.devide_kind = 0;
  // Unsplit with an index: only the frameset page.
  view(0, 1, Answer::Yes, u"u", {u"u.html", u"u_idx.html"}, u"",
       FramesOf(u"u", Set(u"COLS", u"200,*") + Frame(u"index", u"u_idx.html") +
                          Frame(u"message", u"u.html") + kEnd));
  // Title indexes without their message files (t_idx.html has no label of its own, t_aidx.html
  // an empty one); two index links make the list frame worth showing, the index at the bottom.
  view(1, 1, Answer::No, u"t",
       {u"t_001.html", u"t_001_idx.html", u"t_003_idx.html", u"t_aidx.html", u"t_idx.html"},
       ListPageOf(u"t",
                  Link(u"t_001.html", u"001", u"t_001_idx.html") +
                      Link(u"", u"003", u"t_003_idx.html") + Link(u"", u"", u"t_aidx.html") +
                      Link(u"", u"idx", u"t_idx.html"),
                  u"100件"),
       FramesOf(u"t", Set(u"COLS", u"120,*") + Frame(u"list", u"t_list.html") +
                          Set(u"ROWS", u"*,150") + Frame(u"message", u"t_001.html") +
                          Frame(u"index", u"t_001_idx.html") + kEnd + kEnd));
  // Spaces, "&", "#" and "%" are encoded in links only; split by size.
  request.pages.devide_kind = 2;
  request.pages.devide_file_size = u"500";
  const Text base = u"my log&#%(1)", enc = u"my%20log%26%23%25%281%29";
  view(1, 0, Answer::Cancel, base, {base + u"_001.html", base + u"_002.html"},
       ListPageOf(base, Link(enc + u"_001.html", u"001") + Link(enc + u"_002.html", u"002"),
                  u"500KB"),
       FramesOf(base, Set(u"COLS", u"120,*") + Frame(u"list", enc + u"_list.html") +
                          Frame(u"message", enc + u"_001.html") + kEnd));
}

TEST_F(ViewerTest, BadPathsMissingFilesAndTheExtensionOfTheOutputType) {
  for (const Text& out : {Text(u"topic.html"), dir.Dir(), dir.Path(u"none.html")}) Show(out, 1);
  EXPECT_EQ(ui.Texts(),
            (Texts{"出力ファイル名をフルパスで指定してください",
                   "正しい出力ファイル名を指定してください", "ファイルが存在しません"}));
  EXPECT_TRUE(shell.calls.empty());
  request.output_mark = u"txt";
  dir.Write(u"a.b/x_001.txt", "x");
  Show(dir.Path(u"a.b/x"), 1);
  EXPECT_EQ(completed, dir.Path(u"a.b/x.txt"));
  EXPECT_TRUE(dir.Exists(u"a.b/x_list.html"));
  EXPECT_EQ(shell.calls.at(0).target, dir.Path(u"a.b/x_index.html"));
}

TEST_F(ViewerTest, PlainRunOpensTheOutputByExtension) {
  using K = RecordingShell::Kind;
  for (auto [name, kind] : {std::pair(u"report.txt", K::Edit), std::pair(u"page.HTML", K::Open),
                            std::pair(u"b.htm", K::Open), std::pair(u"d.DAT", K::Edit)}) {
    dir.Write(name, "x");
    Show(dir.Path(name));
    ASSERT_EQ(shell.calls.size(), 1u) << ToUtf8(name);
    EXPECT_EQ(shell.calls[0].kind, kind) << ToUtf8(name);
    EXPECT_EQ(shell.calls[0].target, dir.Path(name));
    shell.calls.clear();
  }
  dir.Write(u"page.xml", "x");
  Show(dir.Path(u"page.xml"));
  EXPECT_EQ(ui.Texts(), Texts{"正しいファイルが指定されていません"});
  EXPECT_FALSE(dir.Exists(u"report_index.html"));  // no pages without splitting or an index
}

TEST(WaitForFile, GivesUpAfterTenSecondsTwice) {
  ScratchFolder dir;
  dir.Write(u"there.html", "<HTML>");
  dir.Write(u"empty.html", "");
  // Each wait ends once more than ten whole seconds have passed: eleven pauses each.
  for (auto [name, pauses] :
       {std::pair(u"never.html", 22), std::pair(u"there.html", 0), std::pair(u"empty.html", 11)}) {
    ScriptedUi ui;
    testing::FakeClock clock;
    WaitForFile(ui, clock, dir.Path(name));
    EXPECT_EQ(clock.sleeps, std::vector<int>(pauses, 1000)) << ToUtf8(name);
  }
}

TEST(SearchFile, PatternsRecursionAndFileSystemErrors) {
  ScratchFolder dir;
  for (auto n : {u"Topic_001.html", u"topic.txt", u"xTOPIC", u"other.html", u"sub/topic_9.html",
                 u"sub/deep/TOPIC.dat"})
    dir.Write(n, "x");
  ScriptedUi ui;
  auto ask = [&ui](const Error& e) { return AskAfterSearchFailure(ui, e); };
  const Texts all = {"|other.html", "|topic.txt", "|Topic_001.html", "|xTOPIC"};
  for (auto [pattern, recursive, expected] :
       {std::tuple(u"", false, all), std::tuple(u"*", false, all),
        std::tuple(u"topic*", false, Texts{"|topic.txt", "|Topic_001.html"}),
        std::tuple(u"*topic", false, Texts{"|xTOPIC"}),
        std::tuple(u"*OPIC*", false, Texts{"|topic.txt", "|Topic_001.html", "|xTOPIC"}),
        std::tuple(
            u"topic*", true,
            Texts{"|topic.txt", "|Topic_001.html", "/sub|topic_9.html", "/sub/deep|TOPIC.dat"})}) {
    FileList list;
    const int64_t n = SearchFile(ask, dir.Dir(), u"", recursive, list, 0, pattern);
    EXPECT_EQ(n, int64_t(list.size()));
    SortFileList(list, 0, static_cast<int64_t>(list.size()) - 1);
    Texts names;
    for (auto& f : list) names.push_back(ToUtf8(f.sub_folder + u"|" + f.name));
    EXPECT_EQ(names, expected) << ToUtf8(pattern) << recursive;
  }
  // A folder that cannot be read: Retry, then Ignore keeps what was found; Abort gives -1.
  FileList list = {{u"", u"kept"}};
  ui.answers = {Answer::Retry, Answer::Ignore};
  EXPECT_EQ(SearchFile(ask, dir.Path(u"missing"), u"", false, list, 1, u""), 1);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_TRUE(ui.messages[0].text.starts_with(u"SearchFile:") && ui.messages[0].text.size() > 11);
  EXPECT_EQ(ui.messages[0].caption, u"Pellucor エラー");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::AbortRetryIgnore);
  ui.answers = {Answer::Abort};
  EXPECT_EQ(SearchFile(ask, dir.Path(u"missing"), u"", false, list, 1, u""), -1);
  EXPECT_EQ(list.size(), 1u);
}

TEST(SortFileList, FollowsTheQuicksortOrder) {
  // The pivot is the middle entry with a half rounded to the even index; a stable sort would
  // give a, A, B, b. Sub-folder first, then the name, by character code ("_" after ".", digits).
  FileList list = {{u"", u"B"}, {u"", u"a"}, {u"", u"A"}, {u"", u"b"}};
  SortFileList(list, 0, 3);
  EXPECT_EQ(list, (FileList{{u"", u"A"}, {u"", u"a"}, {u"", u"B"}, {u"", u"b"}}));
  list = {{u"/b", u"a"}, {u"", u"z_1"}, {u"", u"z.1"}, {u"", u"z1"}, {u"/a", u"z"}};
  SortFileList(list, 0, 4);
  EXPECT_EQ(list,
            (FileList{{u"", u"z.1"}, {u"", u"z1"}, {u"", u"z_1"}, {u"/a", u"z"}, {u"/b", u"a"}}));
}

}  // namespace
}  // namespace pellucor
