// pellucor-cli view, history and update, run as processes on a program folder of their own.

#include "cli_process.h"
#include "common/deffile.h"
#include "support/board_server.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;
using S = std::vector<std::string>;
using testing::Has;

class CliCommands : public ::testing::Test {
 protected:
  CliCommands() {
    for (const char* def : {"_yahoo.bbs", "_html.out", "text.out"})
      fs::copy_file(fs::path(PELLUCOR_BIN_DIR) / def, ToUtf8(home.Path(FromUtf8(def))));
    fs::create_directories(ToUtf8(home.Path(u"data")));  // not a first start
    // An opener that only notes what it was given: nothing opens a window.
    home.Write(u"bin/xdg-open", "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    fs::permissions(ToUtf8(home.Path(u"bin/xdg-open")), fs::perms::owner_all);
    ::setenv("PATH", (ToUtf8(home.Path(u"bin")) + ":" + path).c_str(), 1);
  }
  ~CliCommands() override { ::setenv("PATH", path.c_str(), 1); }

  testing::CliResult Run(S args, S env = {}) {
    args.insert(args.begin(), {"--home", ToUtf8(home.Dir())});
    return testing::RunCli(args, env);
  }

  const std::string path = std::getenv("PATH");
  testing::ScratchFolder home;
};

// The window's rules are tested in-process; here each subcommand once, through the saved file.
TEST_F(CliCommands, History) {
  EXPECT_TRUE(Has(Run({"history", "list"}).err, "履歴情報は有りません"));
  HistoryList list;
  for (auto [time, title] :
       {std::pair(u"2001/01/01 10:00:00", u"古い"), std::pair(u"2003/03/03 10:00:00", u"新しい"),
        std::pair(u"2002/02/02 10:00:00", u"中間")}) {
    HistoryRecord& r = list.emplace_back();
    for (int n = 1; n <= HistoryRecord::kFieldCount; ++n) r.Field(n) = u"0";
    r.lastRunTime = time, r.title = title, r.lastMessage = u"70", r.outputPath = u"/tmp/" + r.title;
    r.boardName = u"Yahoo掲示板", r.comment = u"", r.outputTypeFile = u"text.out";
  }
  home.Write(u"record.dat", SerializeHistory(list));
  testing::CliResult r = Run({"history", "list"});
  EXPECT_EQ(r.out,
            "1  03/03 10:00 (70)   \tYahoo掲示板        \t新しい\n"
            "2  02/02 10:00 (70)   \tYahoo掲示板        \t中間\n"
            "3  01/01 10:00 (70)   \tYahoo掲示板        \t古い\n")
      << r.err;
  EXPECT_EQ(Run({"history", "show", "2"}).out.find("タイトル : 中間\n前回取得MSG番号 : 0～70\n"),
            0u);
  EXPECT_EQ(Run({"history", "comment", "2", "あとで続き"}).status, 0);
  EXPECT_EQ(Run({"--no", "history", "delete", "1"}).status, 1);
  EXPECT_EQ(Run({"--yes", "history", "delete", "3"}).status, 0);
  EXPECT_EQ(Run({"history", "set", "1"}).status, 0);
  EXPECT_EQ(ReadDefinitionValue(u"main", u"outfile", u"", home.Path(u"pellu.ini")), u"/tmp/新しい");
  // The comment saved, the deleted entry gone; the file's layout is the store's own test.
  const Text saved = DecodeCp932(home.Read(u"record.dat"));
  EXPECT_TRUE(saved.find(u"あとで続き") != Text::npos && saved.find(u"古い") == Text::npos);
  EXPECT_EQ(Run({"history", "show", "3"}).status, 2);
}

TEST_F(CliCommands, ViewWritesThePagesAndOpensOnRequest) {
  const std::string index = ToUtf8(home.Path(u"data/topic_index.html")) + "\n";
  home.Write(u"data/topic_001.html", "one");
  const std::string out = "--outfile=" + ToUtf8(home.Path(u"data/topic.html"));
  S view = {"view",           "--devide=1",           "--createtitleindex=0",
            "--devidekind=0", "--out_file=_html.out", out};
  EXPECT_EQ(Run(view).out, index);
  EXPECT_TRUE(home.Exists(u"data/topic_list.html") && !home.Exists(u"bin/opened"));
  view.insert(view.begin() + 1, "--open");
  EXPECT_EQ(Run(view).status, 0);
  EXPECT_EQ(home.Read(u"bin/opened"), index);
}

TEST_F(CliCommands, UpdateListsAndDownloadsTheSelectedRows) {
  testing::BoardServer server;
  home.Write(u"old.bbs", "[basic]\r\nversion=1\r\n");
  server.ServeFile("/upd/version", "old.bbs,Old board,2\r\nnew.out,New output,1\r\n");
  const std::string old_v2 = "[basic]\r\nversion=2\r\nitem_cnt=1\r\n";
  server.ServeFile("/upd/old.bbs", old_v2);
  server.ServeFile("/upd/new.out", "[basic]\r\nmark=txt\r\nversion=1\r\n");
  auto update = [&](S args) {
    args.insert(args.begin(), "update");
    for (const char* a : {"--proxy=1", "--timeout=5", "--retry=0"}) args.push_back(a);
    // Without the closing slash: it is added.
    return Run(args, {"PELLUCOR_UPDATE_URL=" + server.base() + "/upd"});
  };
  testing::CliResult r = update({"both"});
  EXPECT_TRUE(Has(r.out, "更新　old.bbs(Old board) 前回更新日:") &&
              Has(r.out, "\n新規　new.out(New output)\n") && !home.Exists(u"new.out"))
      << r.out << r.err;
  r = update({"both", "--select", "new.out,nothing.bbs"});
  EXPECT_TRUE(r.status == 1 && Has(r.err, "nothing.bbs is not offered")) << r.err;
  EXPECT_TRUE(home.Exists(u"new.out") && !home.Exists(u"old.bbs.bak"));
  EXPECT_TRUE(Has(update({"bbs", "--select", "all"}).err, "処理が完了しました"));
  EXPECT_EQ(home.Read(u"old.bbs"), old_v2);
}

}  // namespace
}  // namespace pellucor
