// pellucor-cli run as a process against the loopback board.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

#include "cli_process.h"
#include "support/board_server.h"
#include "support/proxy_fixture.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;
using testing::BoardServer;
using testing::CliProcess;
using testing::CliResult;
using testing::Misbehaviour;
using testing::RunCli;

using testing::Has;
using testing::Ini;
using testing::ReadHistory;
using testing::Slurp;

// Expected outputs live in tests/cli/expected; PELLUCOR_UPDATE_EXPECTED=1 rewrites them.
void ExpectSameAsExpected(const fs::path& actual, const std::string& name) {
  fs::path expected = fs::path(PELLUCOR_SOURCE_DIR) / "tests/cli/expected" / name;
  std::string got = Slurp(actual);
  if (std::getenv("PELLUCOR_UPDATE_EXPECTED")) WriteFileAtomic(FromUtf8(expected.string()), got);
  EXPECT_TRUE(fs::exists(expected) && got == Slurp(expected)) << actual << " vs " << expected;
}

class CliRun : public testing::CliTest {
 protected:
  static std::vector<std::string> Args(const fs::path& home, const BoardServer& board,
                                       const std::vector<std::string>& more) {
    std::vector<std::string> a = {"--home", home.string(), "--url1=" + board.url1(),
                                  "--outfile=" + (home / "out/topic.html").string()};
    a.insert(a.end(), {"--topictofilename=0", "--timeout=30", "--retry=1", "--error=1", "--proxy=1",
                       "--no", "run"});
    a.insert(a.end(), more.begin(), more.end());
    return a;
  }
  CliResult Run(const std::vector<std::string>& more = {}, std::vector<std::string> env = {}) {
    return RunCli(Args(home_, board_, more), std::move(env));
  }

  fs::path home_ = MakeHome();
  BoardServer board_;
};

// The files themselves, the appending and the history are checked in-process; here the answers
// of --no/--yes, --quiet and what a continue run prints.
TEST_F(CliRun, CollectsATopicIntoANewFolderAndContinuesIt) {
  const std::string out = "--outfile=" + (home_ / "new/topic.html").string();
  CliResult r = Run({out});  // no folder without a yes
  EXPECT_TRUE(r.status == 1 && !fs::exists(home_ / "new") &&
              Has(r.err, "出力先のフォルダが存在しません（" + (home_ / "new").string() + "）"))
      << r.err;
  r = Run({out, "--yes", "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The highest number on the pages ends the run; --quiet shows no progress.
  EXPECT_EQ(std::tuple(board_.RequestCount(25), board_.RequestCount(26), Has(r.err, "取得中")),
            std::tuple(1, 0, false));
  ExpectSameAsExpected(home_ / "new/topic.html", "topic.html");

  board_.SetTopic({.count = 30});
  r = Cli(home_, {"--yes", "run"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The append question, a status line with the estimate, the result.
  EXPECT_TRUE(Has(r.err, "このファイルにデータを追加しますか？") &&
              Has(r.err, "msg( 30 ) 取得中  終了まで約") && Has(r.out, "new/topic.html"))
      << r.err;
  ExpectSameAsExpected(home_ / "new/topic.html", "topic_continued.html");
}

// The retries themselves are checked in-process (fetch_loop, overlap); here how --yes and --no
// answer the questions, the exit statuses and the lines on stderr.
TEST_F(CliRun, MisbehavingBoardGivesItsStatusesAndMessages) {
  const struct {
    Misbehaviour kind;
    int times;  // -1: every request
    std::vector<std::string> args;
    int status;
    std::vector<std::string> err;
  } cases[] = {
      // clang-format off
      {Misbehaviour::Delay, 1, {"--timeout=2"}, 0, {"msg( 5 ) 取得中 - リトライ(1/1)\n"}},
      {Misbehaviour::Reset, 1, {"--yes"}, 0, {"Pellucor: [エラー] ", "Pellucor: -> Ignore",
                                              "msg( 5 ) 取得中 - 原因不明のエラーにより再試行(1/10)\n"}},
      {Misbehaviour::Reset, -1, {}, 1, {"Pellucor: -> Abort"}},
      {Misbehaviour::NotFound, -1, {"--error=0"}, 1, {"Pellucor: 有効なメッセージが取得できませんでした\n",
                                                      "404NotFound", "処理中断 MSG:5まで処理済み"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err[0]);
    const fs::path home = MakeHome();
    BoardServer board;
    board.SetDelay(6000);
    board.Misbehave(5, c.kind, c.times);
    CliResult r = RunCli(Args(home, board, c.args));
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& part : c.err) EXPECT_TRUE(Has(r.err, part)) << part << "\n" << r.err;
    EXPECT_EQ(Ini(home, u"from"), c.status ? "5" : "26");
  }
}

// Ctrl-C, SIGTERM and SIGHUP take the same clean cancel path, whether a fetch is in flight or the
// run sits in the 2 s pause after an empty answer: neither is waited out.
TEST_F(CliRun, CtrlCCancelsAtOnceAndLeavesAFinishedOutput) {
  board_.SetDelay(60000);
  const struct {
    Misbehaviour kind;
    int sig;
    int limit_ms;  // from the signal to the end
  } cases[] = {{Misbehaviour::Delay, SIGINT, 30000},
               {Misbehaviour::Delay, SIGTERM, 30000},
               {Misbehaviour::Delay, SIGHUP, 30000},
               {Misbehaviour::Empty, SIGINT, 1500}};  // the pause had 1.9 s left
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sig);
    board_.Misbehave(10, c.kind);
    const fs::path home = MakeHome();
    const int before = board_.RequestCount(10);
    CliProcess p(Args(home, board_, {"--timeout=300"}));
    for (int i = 0; i < 2400 && board_.RequestCount(10) == before; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_EQ(board_.RequestCount(10), before + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // inside the pause
    const auto signalled = std::chrono::steady_clock::now();
    p.Signal(c.sig);
    CliResult r = p.Wait(30000);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(c.limit_ms));
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(Has(r.err, "処理を中断します。MSG:9まで処理しました。")) << r.err;
    EXPECT_EQ(board_.RequestCount(10), before + 1);
    EXPECT_EQ(Ini(home, u"from"), "10");
    EXPECT_EQ(ReadHistory(home).at(0).lastMessage, u"9");
    std::string out = Slurp(home / "out/topic.html");
    ASSERT_GT(out.size(), 200u);
    EXPECT_EQ(out.substr(out.size() - 200, 11), "<p>Pellucor");  // the footer slot
  }
}

// SIGKILL at several moments of a run of 300 messages (one file, and a series of 100 each),
// then a continue run, gives the same files as a Ctrl-C at that moment followed by the same
// continue run: nothing lost or repeated, the footers whole, no gap inside a message.
TEST_F(CliRun, KillAtAnyMomentThenContinueEqualsCtrlC) {
  board_.SetTopic({.count = 300});
  board_.SetDelay(60000);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int64_t kill_at;  // the kill follows the request for this message
  };
  const Case cases[] = {
      {"one file, early", {}, 2},
      {"one file, late", {}, 230},
      {"series, at a new file", {"--devide=1", "--devidecnt=100"}, 101},
      {"series, third file", {"--devide=1", "--devidecnt=100"}, 250},
  };
  auto files = [](const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
      out[e.path().filename().string()] = Slurp(e.path());
    return out;
  };
  auto wait_for = [&](int64_t n, int before) {
    for (int i = 0; i < 20000 && board_.RequestCount(n) <= before; ++i)
      std::this_thread::sleep_for(std::chrono::microseconds(500));
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.push_back("--quiet");
    // Killed.
    const fs::path killed = MakeHome();
    CliProcess k(Args(killed, board_, args));
    wait_for(c.kill_at, board_.RequestCount(c.kill_at));
    k.Signal(SIGKILL);
    EXPECT_EQ(k.Wait().status, 128 + SIGKILL);
    // The next start closes the run as a cancel would have; `from` names the message to go on.
    ASSERT_EQ(Cli(killed, {"settings"}).status, 0);
    const int64_t from = std::stoll(Ini(killed, u"from"));
    // Cancelled at the same message.
    const fs::path cancelled = MakeHome();
    board_.Misbehave(from, Misbehaviour::Delay, 1);
    const int before = board_.RequestCount(from);
    CliProcess p(Args(cancelled, board_, args));
    wait_for(from, before);
    p.Signal(SIGINT);
    EXPECT_EQ(p.Wait().status, 130);
    EXPECT_EQ(Ini(cancelled, u"from"), std::to_string(from));
    // Both continued to the end.
    for (const fs::path& h : {killed, cancelled}) {
      CliResult r = Cli(h, {"--yes", "--quiet", "run"});
      EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_TRUE(files(killed / "out") == files(cancelled / "out"));
    const HistoryRecord a = ReadHistory(killed).at(0), b = ReadHistory(cancelled).at(0);
    EXPECT_EQ(std::tuple(a.lastMessage, a.totalMessages, a.splitKey, a.fileMessageCount),
              std::tuple(b.lastMessage, b.totalMessages, b.splitKey, b.fileMessageCount));
    EXPECT_EQ(a.totalMessages, u"300");
  }
}

// Two runs on one program folder at once: the same job again is refused while the first runs,
// another job runs, and both jobs' records are kept.
TEST_F(CliRun, TwoRunsOnOneFolder) {
  board_.SetTopic({.count = 150});
  board_.SetDelay(3000);
  board_.Misbehave(100, Misbehaviour::Delay, 1);  // the first run is still going meanwhile
  const std::string a = "--outfile=" + (home_ / "out/a.html").string();
  CliProcess first(Args(home_, board_, {"--quiet", a}));
  for (int i = 0; i < 20000 && board_.RequestCount(3) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  CliResult same = Run({"--quiet", a});
  EXPECT_TRUE(same.status == 1 && Has(same.err, "に取得中の処理が他にあります")) << same.err;
  CliResult other =
      Run({"--quiet", "--maxmsg=0", "--to=5", "--outfile=" + (home_ / "out/b.html").string()});
  EXPECT_EQ(other.status, 0) << other.err;
  ASSERT_EQ(first.Wait().status, 0);
  std::set<Text> paths;
  for (const HistoryRecord& r : ReadHistory(home_)) paths.insert(NamePart(r.outputPath));
  EXPECT_EQ(paths, (std::set<Text>{u"a.html", u"b.html"}));
}

// A FIFO named as the output file is refused before anything is fetched: opening it would block.
TEST_F(CliRun, FifoAsOutputIsRefused) {
  const fs::path out = home_ / "out/topic.html";
  ASSERT_EQ(::mkfifo(out.c_str(), 0644), 0);
  CliResult r = Run({"--yes"});
  EXPECT_TRUE(r.status == 1 && Has(r.err, "）はファイルではありません")) << r.err;
  EXPECT_EQ(std::pair(board_.RequestCount(1), Ini(home_, u"from")), std::pair(0, std::string("1")));
}

// A disk that fills during the run (a 4 KiB tmpfs, where the test may mount one): --yes answers
// Abort, the run exits 1, the file ends with the last whole message, and Text_from names the
// first message not written. With room again, a continue run completes the same file.
TEST_F(CliRun, FullDiskEndsTheRunAndAContinueCompletesIt) {
  const fs::path disk = home_ / "disk";
  fs::create_directories(disk);
  if (std::system(("mount -t tmpfs -o size=4k tmpfs '" + disk.string() + "' 2>/dev/null").c_str()))
    GTEST_SKIP() << "no tmpfs can be mounted here";
  struct Unmount {
    std::string dir;
    ~Unmount() { std::system(("umount '" + dir + "'").c_str()); }
  } unmount{disk.string()};
  const fs::path out = disk / "topic.html";
  CliResult r = Run({"--yes", "--quiet", "--outfile=" + out.string()});
  EXPECT_TRUE(r.status == 1 && Has(r.err, "Pellucor: -> Abort") &&
              !Has(r.err, "処理が完了しました"))
      << r.err;
  const std::string expected =
      Slurp(fs::path(PELLUCOR_SOURCE_DIR) / "tests/cli/expected/topic.html");
  const std::string part = Slurp(out);
  const int from = std::stoi(Ini(home_, u"from"));
  ASSERT_GT(from, 1);
  // Messages 1 .. from-1 whole, nothing of the next; at most the footer after them.
  const size_t next = expected.find("<a name=\"m" + std::to_string(from) + "\">");
  const size_t cut = expected.rfind("<div class=\"msg\">", next);
  EXPECT_EQ(part.substr(0, cut), expected.substr(0, cut));
  EXPECT_TRUE(part.size() == cut || part.size() == cut + 200) << part.size() << " " << cut;

  ASSERT_EQ(std::system(("mount -o remount,size=1m '" + disk.string() + "'").c_str()), 0);
  r = Cli(home_, {"--yes", "--quiet", "run"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string whole = Slurp(out);
  if (part.size() == cut + 200) whole.erase(cut, 200);  // the blanked footer
  EXPECT_EQ(whole, expected);
}

// The proxy sees a request before the board does, so its log is complete once a run has ended:
// nothing here depends on timing.
TEST_F(CliRun, ProxyModes) {
  testing::TinyProxy proxy;
  if (!proxy.ok()) GTEST_SKIP() << "tinyproxy could not be started";
  const std::string env = "http_proxy=http://" + proxy.address();
  auto run = [&](const char* from, std::vector<std::string> more, std::vector<std::string> env) {
    more.insert(more.end(), {"--quiet", "--timeout=300", std::string("--from=") + from,
                             "--outfile=" + (home_ / "out" / from).string() + ".html"});
    EXPECT_EQ(Run(more, env).status, 0) << from;
    return proxy.Log().find(std::string("mid=") + from) != std::string::npos;
  };
  // Named: through the proxy. Direct: not, whatever http_proxy says. Default: http_proxy.
  EXPECT_TRUE(
      run("23", {"--proxy=2", "--ip= 127.0.0.1 ", "--port=" + std::to_string(proxy.port())}, {}))
      << proxy.Log();
  EXPECT_FALSE(run("20", {"--proxy=1"}, {env})) << proxy.Log();
  EXPECT_EQ(board_.RequestCount(20), 1);
  EXPECT_TRUE(run("21", {"--proxy=0"}, {env})) << proxy.Log();
}

// The greeting itself is checked in-process.
TEST_F(CliRun, SettingsAndUsage) {
  CliResult r = Cli(home_, {"--from=7", "settings"});
  EXPECT_TRUE(r.status == 0 && Has(r.out, "\nfrom=7\nto=100\n")) << r.out;
  r = Cli(home_, {"settings"});
  EXPECT_TRUE(Has(r.out, "\nfrom=1\n"));  // settings writes nothing back
  for (auto [option, command] : {std::pair{"--nosuchkey=1", "settings"},
                                 {"--maxmsg=2", "run"},
                                 {"--open", "run"},
                                 {"--open=1", "view"},
                                 {"--select", "update"},
                                 {"--select=all", "history"}})
    EXPECT_EQ(Cli(home_, {option, command}).status, 2) << option;
  r = Cli(home_, {"--timeout=0", "run"});  // a failed check: an early end
  EXPECT_TRUE(r.status == 1 && Has(r.err, "Pellucor: 正しいタイムアウト値（1～300）を設定"))
      << r.err;
}

}  // namespace
}  // namespace pellucor
