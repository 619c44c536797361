// pellucor-cli run as a process against the loopback board.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "cli_process.h"
#include "common/deffile.h"
#include "common/files.h"
#include "history/store.h"
#include "support/board_server.h"
#include "support/proxy_fixture.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::BoardServer;
using testing::CliProcess;
using testing::CliResult;
using testing::Misbehaviour;
using testing::RunCli;

std::string Slurp(const fs::path& p) {
  return ReadFileBytes(FromUtf8(p.string())).value_or("");
}

// Expected outputs live in tests/cli/expected; PELLUCOR_UPDATE_EXPECTED=1 rewrites them.
void ExpectSameAsExpected(const fs::path& actual, const std::string& name) {
  fs::path expected = fs::path(PELLUCOR_SOURCE_DIR) / "tests/cli/expected" / name;
  std::string got = Slurp(actual);
  if (std::getenv("PELLUCOR_UPDATE_EXPECTED")) WriteFileAtomic(FromUtf8(expected.string()), got);
  EXPECT_TRUE(fs::exists(expected) && got == Slurp(expected)) << actual << " vs " << expected;
}

HistoryList History(const fs::path& home) {
  HistoryList list;
  ParseHistory(Slurp(home / "record.dat"), list, false);
  return list;
}

std::string Ini(const fs::path& home, const char16_t* key) {
  return ToUtf8(
      ReadSettingsValue(u"main", key, u"<none>", FromUtf8((home / "pellu.ini").string())));
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliRun : public ::testing::Test {
 protected:
  // A program folder that is not at its first start, with the shipped definitions.
  fs::path MakeHome() {
    fs::path h = ToUtf8(homes_.emplace_back().Dir());
    fs::create_directories(h / "data");
    fs::create_directories(h / "out");
    for (const char* f : {"_yahoo.bbs", "_html.out", "text.out", "dat_2ch.out"})
      fs::copy_file(fs::path(PELLUCOR_BIN_DIR) / f, h / f);
    return h;
  }
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

  std::deque<testing::ScratchFolder> homes_;
  fs::path home_ = MakeHome();
  BoardServer board_;
};

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
  EXPECT_EQ(Ini(home_, u"from") + Ini(home_, u"to"), "2626");
  std::string first = Slurp(home_ / "new/topic.html");

  // The topic grows; the next run continues the same file after the append question.
  board_.SetTopic({.count = 30});
  r = RunCli({"--home", home_.string(), "--yes", "run"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The append question, a status line with the estimate, the result.
  EXPECT_TRUE(Has(r.err, "このファイルにデータを追加しますか？") &&
              Has(r.err, "msg( 30 ) 取得中  終了まで約") && Has(r.out, "new/topic.html"))
      << r.err;
  // The old footer slot is blanked and the file goes on after it.
  EXPECT_EQ(Slurp(home_ / "new/topic.html").substr(0, first.size()),
            first.substr(0, first.size() - 200) + std::string(200, ' '));
  ExpectSameAsExpected(home_ / "new/topic.html", "topic_continued.html");
  EXPECT_EQ(Ini(home_, u"from"), "31");
  HistoryList h = History(home_);
  ASSERT_EQ(h.size(), 1u);
  // Where this run began, its last message, the messages of both runs.
  EXPECT_EQ(std::tuple(h[0].fromNumber, h[0].lastMessage, h[0].totalMessages),
            std::tuple(u"26", u"30", u"30"));
}

TEST_F(CliRun, CollectsIntoASplitSeriesAndContinuesIt) {
  CliResult r = Run({"--quiet", "--devide=1", "--devidecnt=10"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* f : {"topic_001.html", "topic_002.html", "topic_003.html"})
    ExpectSameAsExpected(home_ / "out" / f, f);
  EXPECT_FALSE(fs::exists(home_ / "out/topic_004.html"));

  board_.SetTopic({.count = 32});
  r = RunCli({"--home", home_.string(), "--no", "--quiet", "run"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectSameAsExpected(home_ / "out/topic_001.html", "topic_001.html");  // untouched
  ExpectSameAsExpected(home_ / "out/topic_003.html", "topic_003_continued.html");
  ExpectSameAsExpected(home_ / "out/topic_004.html", "topic_004.html");
  const HistoryRecord h = History(home_).at(0);
  EXPECT_EQ(std::tuple(h.splitKey, h.fileMessageCount), std::tuple(u"4", u"2"));
}

// Every misbehaviour of the board at message 5, each run in a program folder and against a
// board of its own, all at once: the empty-answer retries pause 2 s each.
TEST_F(CliRun, EveryMisbehaviourGivesItsStatusesRetriesAndMessages) {
  struct Case {
    const char* name;
    Misbehaviour kind;
    int times;  // -1: every request
    std::vector<std::string> args;
    int status, requests;  // exit status; requests for message 5
    const char* from;      // where the next run starts
    std::vector<std::string> err;
  };
  const std::string kReceiveRetry = "msg( 5 ) 取得中 - 原因不明のエラーにより再試行(1/10)\n";
  // clang-format off
  const Case cases[] = {
      {"delay", Misbehaviour::Delay, 1, {"--timeout=2"}, 0, 2, "26", {"msg( 5 ) 取得中 - リトライ(1/1)\n"}},
      {"delay past the retries", Misbehaviour::Delay, -1, {"--timeout=2", "--retry=0"}, 1, 1, "5",
       {"Pellucor: [エラー] ", "Pellucor: -> Abort"}},
      {"empty", Misbehaviour::Empty, 1, {}, 0, 2, "26", {kReceiveRetry}},
      {"oversize", Misbehaviour::Oversize, 1, {}, 0, 2, "26", {kReceiveRetry}},
      {"reset, ignored", Misbehaviour::Reset, 1, {"--yes"}, 0, 2, "26",
       {"Pellucor: [エラー] ", "Pellucor: -> Ignore", kReceiveRetry}},
      {"reset, aborted", Misbehaviour::Reset, -1, {}, 1, 1, "5", {"Pellucor: -> Abort"}},
      {"404", Misbehaviour::NotFound, -1, {"--error=0"}, 1, 1, "5",
       {"Pellucor: 有効なメッセージが取得できませんでした\n", "404NotFound", "処理中断 MSG:5まで処理済み"}},
      {"redirect", Misbehaviour::Redirect, -1, {}, 0, 2, "26", {}},
      // Server errors are failed receives, never messages (Retry-After 1: the usual pause).
      {"500", Misbehaviour::ServerError, 1, {}, 0, 2, "26", {kReceiveRetry}},
      {"503 with Retry-After", Misbehaviour::Unavailable, 1, {}, 0, 2, "26", {kReceiveRetry}},
      {"429 with Retry-After", Misbehaviour::TooMany, 1, {}, 0, 2, "26", {kReceiveRetry}},
  };
  // clang-format on
  struct Running {
    fs::path home;
    std::unique_ptr<BoardServer> board = std::make_unique<BoardServer>();
    std::unique_ptr<CliProcess> cli;
  };
  std::vector<Running> runs(std::size(cases));
  for (size_t i = 0; i < runs.size(); ++i) {
    runs[i].home = MakeHome();
    runs[i].board->SetDelay(6000);
    runs[i].board->Misbehave(5, cases[i].kind, cases[i].times);
    runs[i].cli = std::make_unique<CliProcess>(Args(runs[i].home, *runs[i].board, cases[i].args));
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    CliResult r = runs[i].cli->Wait();
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& part : c.err) EXPECT_TRUE(Has(r.err, part)) << part << "\n" << r.err;
    EXPECT_EQ(runs[i].board->RequestCount(5), c.requests);
    EXPECT_EQ(Ini(runs[i].home, u"from"), c.from);
    if (c.status == 0) ExpectSameAsExpected(runs[i].home / "out/topic.html", "topic.html");
  }
}

// A title with NUL, control characters or 300 kanji names a file of its own; numbers that cannot
// be counted on are refused; an LF-only pellu.ini is read and never replaced by defaults.
TEST_F(CliRun, HostileTitlesNumbersAndLfOnlySettings) {
  const std::string out = "--outfile=" + (home_ / "out").string() + "/";
  const std::string keep = Slurp(fs::path(PELLUCOR_BIN_DIR) / "_html.out");
  ASSERT_TRUE(WriteFileAtomic(FromUtf8((home_ / "out/important.html").string()), keep));
  const struct {
    Text title;
    std::string file;
  } titles[] = {{u"important.html" + Text(1, u'\0') + u"x\x1b", "important.html_x_.html"},
                {Text(300, u'漢'), ToUtf8(Text(78, u'漢')) + ".html"}};
  for (const auto& t : titles) {
    board_.SetTopic({.count = 3, .topic_title = t.title});
    CliResult r = Run({"--quiet", "--from=1", "--topictofilename=1", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(home_ / "out" / t.file)) << r.err;
  }
  EXPECT_EQ(Slurp(home_ / "out/important.html"), keep);

  for (const char* from : {"--from=9007199254740992", "--from=1e400"}) {
    CliResult r = Run({"--quiet", from});
    EXPECT_TRUE(r.status == 1 && Has(r.err, "取得メッセージ番号（左）に数値を入れてください"))
        << from << r.err;
  }
  const fs::path ini = home_ / "pellu.ini";
  ASSERT_TRUE(WriteFileAtomic(FromUtf8(ini.string()), "[main]\nfrom=1e309\nurl2=&x=1\n"));
  CliResult r = RunCli({"--home", home_.string(), "--no", "run"});
  EXPECT_TRUE(r.status == 1 && Has(r.err, "取得メッセージ番号（左）に数値を入れてください"))
      << r.err;
  EXPECT_EQ(std::pair(Ini(home_, u"from"), Ini(home_, u"url2")), std::pair("1e309"s, "&x=1"s));
}

// Ctrl-C, SIGTERM and SIGHUP take the same clean cancel path.
TEST_F(CliRun, CtrlCCancelsTheFetchInFlightAndLeavesAFinishedOutput) {
  board_.SetDelay(60000);
  board_.Misbehave(10, Misbehaviour::Delay);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    const fs::path home = MakeHome();
    const int before = board_.RequestCount(10);
    CliProcess p(Args(home, board_, {"--timeout=300"}));
    for (int i = 0; i < 1200 && board_.RequestCount(10) == before; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_EQ(board_.RequestCount(10), before + 1);
    p.Signal(sig);
    CliResult r = p.Wait(30000);  // far less than the delay or the time-out
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(Has(r.err, "処理を中断します。MSG:9まで処理しました。")) << r.err;
    EXPECT_EQ(Ini(home, u"from"), "10");
    EXPECT_EQ(History(home).at(0).lastMessage, u"9");
    std::string out = Slurp(home / "out/topic.html");
    ASSERT_GT(out.size(), 200u);
    EXPECT_EQ(out.substr(out.size() - 200, 11), "<p>Pellucor");  // the footer slot
  }
}

// The 2 s pause after an empty answer is cut short by Ctrl-C: the run does not sit out the rest
// of the pause (or the nine that would follow) before it ends.
TEST_F(CliRun, CtrlCDuringThePauseAfterAnEmptyAnswerEndsAtOnce) {
  board_.Misbehave(10, Misbehaviour::Empty);
  const fs::path home = MakeHome();
  CliProcess p(Args(home, board_, {}));
  for (int i = 0; i < 2400 && board_.RequestCount(10) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_EQ(board_.RequestCount(10), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // inside the pause
  const auto signalled = std::chrono::steady_clock::now();
  p.Signal(SIGINT);
  CliResult r = p.Wait(30000);
  const auto took = std::chrono::steady_clock::now() - signalled;
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_TRUE(Has(r.err, "処理を中断します。MSG:9まで処理しました。")) << r.err;
  EXPECT_EQ(board_.RequestCount(10), 1);
  // The pause had 1.9 s left; what remains is the program's own ending.
  EXPECT_LT(took, std::chrono::milliseconds(1500));
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
    ASSERT_EQ(RunCli({"--home", killed.string(), "settings"}).status, 0);
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
      CliResult r = RunCli({"--home", h.string(), "--yes", "--quiet", "run"});
      EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_TRUE(files(killed / "out") == files(cancelled / "out"));
    const HistoryRecord a = History(killed).at(0), b = History(cancelled).at(0);
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
  for (const HistoryRecord& r : History(home_)) paths.insert(NamePart(r.outputPath));
  EXPECT_EQ(paths, (std::set<Text>{u"a.html", u"b.html"}));
}

// A history file cut short: the run goes on, says so, keeps the damaged file aside and saves
// what it read and its own record.
TEST_F(CliRun, DamagedHistoryFile) {
  ASSERT_EQ(Run({"--quiet"}).status, 0);
  const std::string cut = Slurp(home_ / "record.dat").substr(0, 200);
  ASSERT_TRUE(WriteFileAtomic(FromUtf8((home_ / "record.dat").string()), cut));
  CliResult r = Run({"--quiet", "--from=1", "--outfile=" + (home_ / "out/other.html").string()});
  EXPECT_TRUE(r.status == 0 && Has(r.err, "履歴データの取得に失敗しました")) << r.err;
  EXPECT_EQ(Slurp(home_ / "record.dat.bak"), cut);
  EXPECT_EQ(History(home_).size(), 1u);
}

TEST_F(CliRun, ReadOnlyOutputFolder) {
  const std::string folder = (home_ / "out").string();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  // Root writes anyway: then the immutable flag, where the file system has it.
  bool immutable = ::access(folder.c_str(), W_OK) == 0 &&
                   std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) == 0;
  if (!std::ofstream(home_ / "out/probe")) {
    CliResult r = Run({"--yes"});  // a failed write is never ignored
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "Pellucor: [エラー] ") && Has(r.err, "Pellucor: -> Abort")) << r.err;
    EXPECT_FALSE(fs::exists(home_ / "out/topic.html"));
  }
  if (immutable) std::system(("chattr -i '" + folder + "'").c_str());
  if (fs::exists(home_ / "out/probe")) GTEST_SKIP() << "cannot make a folder read-only here";
}

// A folder or FIFO named as the output file is refused before anything is fetched (opening a
// FIFO would block); a foreign file is continued after its last byte, untouched.
TEST_F(CliRun, OutputThatIsNotOursOrNotAFile) {
  const fs::path out = home_ / "out/topic.html";
  for (const char* kind : {"folder", "fifo"}) {
    SCOPED_TRACE(kind);
    fs::remove_all(out);
    ASSERT_EQ(
        std::string(kind) == "fifo" ? ::mkfifo(out.c_str(), 0644) : ::mkdir(out.c_str(), 0755), 0);
    CliResult r = Run({"--yes"});
    EXPECT_TRUE(r.status == 1 && Has(r.err, "）はファイルではありません")) << r.err;
    EXPECT_EQ(std::pair(board_.RequestCount(1), Ini(home_, u"from")),
              std::pair(0, std::string("1")));
  }
  fs::remove_all(out);
  const std::string foreign(300, 'z');
  ASSERT_TRUE(WriteFileAtomic(FromUtf8(out.string()), foreign));
  ASSERT_EQ(Run({"--yes", "--quiet"}).status, 0);
  const std::string expected =
      Slurp(fs::path(PELLUCOR_SOURCE_DIR) / "tests/cli/expected/topic.html");
  EXPECT_EQ(Slurp(out), foreign + expected.substr(expected.find("<div class=\"msg\">")));
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
  r = RunCli({"--home", home_.string(), "--yes", "--quiet", "run"});
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

TEST_F(CliRun, GreetingOnceSettingsAndUsage) {
  fs::remove_all(home_ / "data");
  CliResult r = RunCli({"--home", home_.string(), "--from=7", "settings"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(Has(r.err, "Pellucorをご利用いただきありがとうございます。"));
  EXPECT_TRUE(fs::exists(home_ / "data") && Has(r.out, "\nfrom=7\nto=100\n")) << r.out;
  r = RunCli({"--home", home_.string(), "settings"});
  EXPECT_FALSE(Has(r.err, "Pellucorをご利用"));
  EXPECT_TRUE(Has(r.out, "\nfrom=1\n"));  // settings writes nothing back

  for (auto [option, command] : {std::pair{"--nosuchkey=1", "settings"},
                                 {"--maxmsg=2", "run"},
                                 {"--open", "run"},
                                 {"--open=1", "view"},
                                 {"--select", "update"},
                                 {"--select=all", "history"}})
    EXPECT_EQ(RunCli({"--home", home_.string(), option, command}).status, 2) << option;
  r = RunCli({"--home", home_.string(), "--timeout=0", "run"});  // a failed check: an early end
  EXPECT_TRUE(r.status == 1 && Has(r.err, "Pellucor: 正しいタイムアウト値（1～300）を設定"))
      << r.err;
}

}  // namespace
}  // namespace pellucor
