// pellucor-cli view, history and update, run as processes on a program folder of their own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "common/files.h"
#include "history/store.h"
#include "support/board_server.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

class CliCommands : public ::testing::Test {
 protected:
  CliCommands() {
    for (const char* def : {"_yahoo.bbs", "_html.out", "text.out"})
      fs::copy_file(fs::path(PELLUCOR_BIN_DIR) / def, ToUtf8(home.Path(FromUtf8(def))));
    fs::create_directories(ToUtf8(home.Path(u"data")));
    // An opener that only notes what it was given: nothing opens a window.
    home.Write(u"bin/xdg-open",
               "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    fs::permissions(ToUtf8(home.Path(u"bin/xdg-open")), fs::perms::owner_all);
  }

  Result Run(const std::string& args, const std::string& env = "") {
    const std::string h = ToUtf8(home.Dir());
    std::string cmd = "env -u PELLUCOR_HOME -u PELLUCOR_EDITOR PATH='" + h + "bin':\"$PATH\" " +
                      env + " " PELLUCOR_BIN_DIR "/pellucor-cli --home '" + h + "' " + args +
                      " >'" + h + "out' 2>'" + h + "err' </dev/null";
    int rc = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = home.Read(u"out");
    r.err = home.Read(u"err");
    return r;
  }

  static HistoryRecord Entry(const Text& time, const Text& title, const Text& last) {
    HistoryRecord r;
    for (int n = 1; n <= HistoryRecord::kFieldCount; ++n) r.Field(n) = u"0";
    r.url1 = u"http://127.0.0.1:9/board/message?mid=";
    r.url2 = u"";
    r.fromNumber = u"1";
    r.toNumber = last;
    r.boardFile = u"_yahoo.bbs";
    r.outputTypeFile = u"text.out";
    r.outputPath = u"/tmp/" + title + u".txt";
    r.divideCount = u"1000";
    r.splitKey = u"1";
    r.divideFileSize = u"1000";
    r.boardName = u"Yahoo掲示板";
    r.title = title;
    r.lastMessage = last;
    r.lastRunTime = time;
    r.totalMessages = u"4";
    r.totalSeconds = u"10";
    r.comment = u"";
    return r;
  }
  void WriteHistory(const HistoryList& list) { home.Write(u"record.dat", SerializeHistory(list)); }
  HistoryList ReadHistory() {
    HistoryList list;
    testing::ScriptedUi ui;
    LoadHistory(home.Path(u"record.dat"), list, ui, true);
    return list;
  }
  Text Setting(const std::string& key) {
    std::string ini = home.Read(u"pellu.ini");
    size_t p = ini.find("\r\n" + key + "=");
    if (p == std::string::npos) return u"(none)";
    p += key.size() + 3;
    return DecodeCp932(ini.substr(p, ini.find("\r\n", p) - p));
  }

  testing::ScratchFolder home;
};

TEST_F(CliCommands, HistoryListShowCommentDeleteAndSet) {
  WriteHistory({Entry(u"2001/01/01 10:00:00", u"古い", u"20"),
                Entry(u"2003/03/03 10:00:00", u"新しい", u"150"),
                Entry(u"2002/02/02 10:00:00", u"中間", u"70")});
  Result r = Run("history list");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "1  03/03 10:00 (150)  \tYahoo掲示板        \t新しい\n"
            "2  02/02 10:00 (70)   \tYahoo掲示板        \t中間\n"
            "3  01/01 10:00 (20)   \tYahoo掲示板        \t古い\n");

  r = Run("history show 2");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("タイトル : 中間\n前回取得MSG番号 : 1～70\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("平均取得時間 : 2.50秒(/1件)\n"), std::string::npos);

  r = Run("history comment 2 'あとで続き'");
  EXPECT_EQ(r.status, 0) << r.err;
  HistoryList saved = ReadHistory();
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0].title, u"新しい");  // saved in the window's order
  EXPECT_EQ(saved[1].comment, u"あとで続き");

  r = Run("--no history delete 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("選択された履歴を削除してよろしいですか？"), std::string::npos);
  EXPECT_EQ(ReadHistory().size(), 3u);
  r = Run("--yes history delete 1");
  EXPECT_EQ(r.status, 0) << r.err;
  saved = ReadHistory();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].title, u"中間");

  r = Run("history set 1");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Setting("from"), u"71");
  EXPECT_EQ(Setting("to"), u"71");
  EXPECT_EQ(Setting("outfile"), u"/tmp/中間.txt");
  EXPECT_EQ(Setting("out_file"), u"text.out");

  EXPECT_EQ(Run("history show 3").status, 2);
  EXPECT_EQ(Run("history show x").status, 2);
  EXPECT_EQ(Run("history").status, 2);
  EXPECT_EQ(Run("history comment 1").status, 2);
}

TEST_F(CliCommands, HistoryWithoutEntries) {
  Result r = Run("history list");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("履歴情報は有りません"), std::string::npos);
  EXPECT_EQ(Run("history show 1").status, 1);
}

TEST_F(CliCommands, ViewWritesThePagesAndOpensOnRequest) {
  const std::string out = ToUtf8(home.Path(u"data/topic.html"));
  home.Write(u"data/topic_001.html", "one");
  home.Write(u"data/topic_002.html", "two");
  const std::string split =
      "--devide=1 --createtitleindex=0 --devidekind=0 --out_file=_html.out --outfile='" + out + "'";
  Result r = Run("view " + split);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, ToUtf8(home.Path(u"data/topic_index.html")) + "\n");
  EXPECT_TRUE(home.Exists(u"data/topic_list.html"));
  EXPECT_FALSE(home.Exists(u"bin/opened"));

  r = Run("view --open " + split);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(home.Read(u"bin/opened"), ToUtf8(home.Path(u"data/topic_index.html")) + "\n");

  r = Run("view --devide=0 --createtitleindex=0 --outfile='" + out + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ファイルが存在しません"), std::string::npos);
  EXPECT_EQ(Run("view --bogus").status, 2);
}

TEST_F(CliCommands, UpdateListsAndDownloadsTheSelectedRows) {
  testing::BoardServer server;
  home.Write(u"old.bbs", "[basic]\r\nname=old\r\nversion=1\r\n");
  server.ServeFile("/upd/version",
                   "old.bbs,Old board,2\r\nnew.out,New output,1\r\n_yahoo.bbs,shipped,0\r\n"
                   "../escape.bbs,outside,9\r\n");
  server.ServeFile("/upd/old.bbs", "[basic]\r\nname=old\r\nversion=2\r\n");
  server.ServeFile("/upd/new.out", "[basic]\r\nname=new\r\nmark=txt\r\n");
  const std::string env = "PELLUCOR_UPDATE_URL=" + server.base() + "/upd/";
  const std::string net = " --proxy=1 --timeout=5 --retry=0";

  Result r = Run("update both" + net, env);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("更新　old.bbs(Old board) 前回更新日:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("新規　new.out(New output)\n"), std::string::npos);
  EXPECT_EQ(r.out.find("escape"), std::string::npos);
  EXPECT_FALSE(home.Exists(u"new.out"));

  r = Run("update both --select new.out,nothing.bbs" + net, env);
  EXPECT_EQ(r.status, 1);  // one name was not offered
  EXPECT_NE(r.err.find("nothing.bbs is not offered"), std::string::npos);
  EXPECT_TRUE(home.Exists(u"new.out"));
  EXPECT_FALSE(home.Exists(u"old.bbs.bak"));

  r = Run("update bbs --select all" + net, env);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("処理が完了しました"), std::string::npos);
  EXPECT_EQ(home.Read(u"old.bbs"), "[basic]\r\nname=old\r\nversion=2\r\n");
  EXPECT_EQ(home.Read(u"old.bbs.bak"), "[basic]\r\nname=old\r\nversion=1\r\n");
  EXPECT_FALSE(fs::exists(fs::path(ToUtf8(home.Dir())).parent_path().parent_path() / "escape.bbs"));

  r = Run("update bbs" + net, env);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("全て最新バージョンです"), std::string::npos);

  EXPECT_EQ(Run("update").status, 2);
  EXPECT_EQ(Run("update all").status, 2);
  EXPECT_EQ(Run("update bbs --select").status, 2);
}

}  // namespace
}  // namespace pellucor
