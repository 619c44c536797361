// pellucor-cli view, history and update, run as processes on a program folder of their own.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_process.h"
#include "common/deffile.h"
#include "history/store.h"
#include "support/board_server.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;
using S = std::vector<std::string>;

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
  Text Saved() { return DecodeCp932(home.Read(u"record.dat")); }

  const std::string path = std::getenv("PATH");
  testing::ScratchFolder home;
};

TEST_F(CliCommands, History) {
  EXPECT_NE(Run({"history", "list"}).err.find("履歴情報は有りません"), std::string::npos);
  HistoryList list;
  for (auto [time, title, last] : {std::tuple(u"2001/01/01 10:00:00", u"古い", u"20"),
                                   std::tuple(u"2003/03/03 10:00:00", u"新しい", u"150"),
                                   std::tuple(u"2002/02/02 10:00:00", u"中間", u"70")}) {
    HistoryRecord& r = list.emplace_back();
    for (int n = 1; n <= HistoryRecord::kFieldCount; ++n) r.Field(n) = u"0";
    r.lastRunTime = time, r.title = title, r.lastMessage = last, r.outputPath = u"/tmp/" + r.title;
    r.boardName = u"Yahoo掲示板", r.comment = u"";
    r.outputTypeFile = u"text.out";
  }
  home.Write(u"record.dat", SerializeHistory(list));

  testing::CliResult r = Run({"history", "list"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "1  03/03 10:00 (150)  \tYahoo掲示板        \t新しい\n"
            "2  02/02 10:00 (70)   \tYahoo掲示板        \t中間\n"
            "3  01/01 10:00 (20)   \tYahoo掲示板        \t古い\n");
  EXPECT_EQ(Run({"history", "show", "2"}).out.find("タイトル : 中間\n前回取得MSG番号 : 0～70\n"),
            0u);
  EXPECT_EQ(Run({"history", "comment", "2", "あとで続き"}).status, 0);
  EXPECT_NE(Saved().find(u"中間\r\n70\r\n2002/02/02 10:00:00\r\n0\r\n0\r\nあとで続き"), Text::npos);
  EXPECT_LT(Saved().find(u"新しい"), Saved().find(u"古い"));  // saved in the window's order
  r = Run({"--no", "history", "delete", "2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("選択された履歴を削除してよろしいですか？"), std::string::npos);
  EXPECT_EQ(Run({"--yes", "history", "delete", "2"}).status, 0);
  EXPECT_EQ(Saved().find(u"中間"), Text::npos);
  EXPECT_EQ(Run({"history", "set", "1"}).status, 0);
  const Text ini = home.Path(u"pellu.ini");
  EXPECT_EQ(ReadDefinitionValue(u"main", u"from", u"", ini), u"151");
  EXPECT_EQ(ReadDefinitionValue(u"main", u"outfile", u"", ini), u"/tmp/新しい");
  EXPECT_EQ(ReadDefinitionValue(u"main", u"out_file", u"", ini), u"text.out");
  for (const S& bad : {S{"history", "show", "3"}, S{"history", "show", "x"}, S{"history"},
                       S{"history", "comment", "1"}})
    EXPECT_EQ(Run(bad).status, 2) << bad.back();
}

TEST_F(CliCommands, ViewWritesThePagesAndOpensOnRequest) {
  const std::string index = ToUtf8(home.Path(u"data/topic_index.html")) + "\n";
  home.Write(u"data/topic_001.html", "one");
  home.Write(u"data/topic_002.html", "two");
  S view = {"view",
            "--devide=1",
            "--createtitleindex=0",
            "--devidekind=0",
            "--out_file=_html.out",
            "--outfile=" + ToUtf8(home.Path(u"data/topic.html"))};
  testing::CliResult r = Run(view);
  EXPECT_EQ(r.out, index) << r.err;
  EXPECT_TRUE(home.Exists(u"data/topic_list.html"));
  EXPECT_FALSE(home.Exists(u"bin/opened"));
  view.insert(view.begin() + 1, "--open");
  EXPECT_EQ(Run(view).status, 0);
  EXPECT_EQ(home.Read(u"bin/opened"), index);
  view[2] = "--devide=0";
  r = Run(view);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ファイルが存在しません"), std::string::npos);
  EXPECT_EQ(Run({"view", "--bogus"}).status, 2);
}

TEST_F(CliCommands, UpdateListsAndDownloadsTheSelectedRows) {
  testing::BoardServer server;
  home.Write(u"old.bbs", "[basic]\r\nversion=1\r\n");
  server.ServeFile("/upd/version", "old.bbs,Old board,2\r\nnew.out,New output,1\r\n");
  server.ServeFile("/upd/old.bbs", "[basic]\r\nversion=2\r\n");
  server.ServeFile("/upd/new.out", "[basic]\r\nmark=txt\r\n");
  auto update = [&](S args) {
    args.insert(args.begin(), "update");
    for (const char* a : {"--proxy=1", "--timeout=5", "--retry=0"}) args.push_back(a);
    return Run(args, {"PELLUCOR_UPDATE_URL=" + server.base() + "/upd/"});
  };
  testing::CliResult r = update({"both"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("更新　old.bbs(Old board) 前回更新日:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n新規　new.out(New output)\n"), std::string::npos);
  EXPECT_FALSE(home.Exists(u"new.out"));
  r = update({"both", "--select", "new.out,nothing.bbs"});
  EXPECT_EQ(r.status, 1);  // one name was not offered
  EXPECT_NE(r.err.find("nothing.bbs is not offered"), std::string::npos);
  EXPECT_TRUE(home.Exists(u"new.out") && !home.Exists(u"old.bbs.bak"));
  EXPECT_NE(update({"bbs", "--select", "all"}).err.find("処理が完了しました"), std::string::npos);
  EXPECT_EQ(home.Read(u"old.bbs"), "[basic]\r\nversion=2\r\n");
  for (const S& bad : {S{"update"}, S{"update", "all"}, S{"update", "bbs", "--select"}})
    EXPECT_EQ(Run(bad).status, 2) << bad.back();
}

}  // namespace
}  // namespace pellucor
