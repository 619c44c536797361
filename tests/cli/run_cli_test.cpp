// pellucor-cli run as a process against the loopback board.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_process.h"
#include "common/deffile.h"
#include "common/files.h"
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

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Expected outputs live in tests/cli/expected; PELLUCOR_UPDATE_EXPECTED=1 rewrites them.
void ExpectSameAsExpected(const fs::path& actual, const std::string& name) {
  fs::path expected = fs::path(PELLUCOR_SOURCE_DIR) / "tests/cli/expected" / name;
  std::string got = Slurp(actual);
  if (std::getenv("PELLUCOR_UPDATE_EXPECTED")) {
    fs::create_directories(expected.parent_path());
    std::ofstream(expected, std::ios::binary) << got;
  }
  ASSERT_TRUE(fs::exists(expected)) << expected;
  EXPECT_TRUE(got == Slurp(expected)) << actual << " differs from " << expected;
}

// record.dat as lines: [0] is the version, then 25 per record.
std::vector<std::string> RecordLines(const fs::path& home) {
  std::string text = ToUtf8(DecodeCp932(Slurp(home / "record.dat")));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  return lines;
}

std::string Ini(const fs::path& home, const char16_t* key) {
  return ToUtf8(
      ReadDefinitionValue(u"main", key, u"<none>", FromUtf8((home / "pellu.ini").string())));
}

class CliRun : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() /
            ("pellucor_cli_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
    fs::create_directories(home_ / "data");  // not a first start
    fs::create_directories(home_ / "out");
    for (const char* f : {"_yahoo.bbs", "_html.out", "text.out", "dat_2ch.out"})
      fs::copy_file(fs::path(PELLUCOR_BIN_DIR) / f, home_ / f);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(home_ / "out", fs::perms::owner_all, ec);
    fs::remove_all(home_, ec);
  }

  std::vector<std::string> Args(std::vector<std::string> more = {}) {
    std::vector<std::string> a = {"--home",
                                  home_.string(),
                                  "--url1=" + board_.url1(),
                                  "--outfile=" + (home_ / "out/topic.html").string(),
                                  "--topictofilename=0",
                                  "--timeout=1",
                                  "--retry=1",
                                  "--error=1",
                                  "--proxy=1"};
    a.insert(a.end(), more.begin(), more.end());
    return a;
  }
  CliResult Run(std::vector<std::string> more = {}, std::vector<std::string> env = {}) {
    auto a = Args(std::move(more));
    a.push_back("run");
    return RunCli(a, env);
  }

  fs::path home_;
  BoardServer board_;
};

TEST_F(CliRun, CollectsATopicIntoOneFileAndContinuesIt) {
  CliResult r = Run({"--no", "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(board_.RequestCount(25), 1);
  EXPECT_EQ(board_.RequestCount(26), 0);  // the highest number on the pages ends the run
  ExpectSameAsExpected(home_ / "out/topic.html", "topic.html");
  EXPECT_EQ(Ini(home_, u"from"), "26");
  EXPECT_EQ(Ini(home_, u"to"), "26");
  EXPECT_EQ(r.err.find("取得中"), std::string::npos);  // --quiet
  std::string first = Slurp(home_ / "out/topic.html");

  // The topic grows; the next run continues the same file after the append question.
  testing::TopicSpec grown;
  grown.count = 30;
  board_.SetTopic(grown);
  r = RunCli({"--home", home_.string(), "--yes", "run"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("このファイルにデータを追加しますか？"), std::string::npos);
  EXPECT_NE(r.err.find("msg( 30 ) 取得中"), std::string::npos);  // one status line per change
  std::string second = Slurp(home_ / "out/topic.html");
  ASSERT_GT(second.size(), first.size());
  EXPECT_EQ(second.substr(0, first.size() - 200), first.substr(0, first.size() - 200));
  EXPECT_EQ(second.substr(first.size() - 200, 200), std::string(200, ' '));
  ExpectSameAsExpected(home_ / "out/topic.html", "topic_continued.html");
  EXPECT_EQ(Ini(home_, u"from"), "31");
  auto record = RecordLines(home_);
  ASSERT_EQ(record.size(), 26u);
  EXPECT_EQ(record[0], "3");
  EXPECT_EQ(record[3], "26");   // fromNumber: where this run began
  EXPECT_EQ(record[21], "30");  // lastMessage
  EXPECT_EQ(record[23], "30");  // totalMessages of both runs
}

TEST_F(CliRun, CollectsIntoASplitSeriesAndContinuesIt) {
  CliResult r = Run({"--no", "--quiet", "--devide=1", "--devidecnt=10"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectSameAsExpected(home_ / "out/topic_001.html", "topic_001.html");
  ExpectSameAsExpected(home_ / "out/topic_002.html", "topic_002.html");
  ExpectSameAsExpected(home_ / "out/topic_003.html", "topic_003.html");
  EXPECT_FALSE(fs::exists(home_ / "out/topic_004.html"));

  testing::TopicSpec grown;
  grown.count = 32;
  board_.SetTopic(grown);
  r = RunCli({"--home", home_.string(), "--no", "--quiet", "run"});
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectSameAsExpected(home_ / "out/topic_001.html", "topic_001.html");  // untouched
  ExpectSameAsExpected(home_ / "out/topic_003.html", "topic_003_continued.html");
  ExpectSameAsExpected(home_ / "out/topic_004.html", "topic_004.html");
  auto record = RecordLines(home_);
  ASSERT_EQ(record.size(), 26u);
  EXPECT_EQ(record[15], "4");  // split key
  EXPECT_EQ(record[16], "2");  // file message count
}

TEST_F(CliRun, EveryEncodingGivesTheSameOutput) {
  for (auto [encoding, charchange] : {std::pair{testing::Encoding::Iso2022Jp, u"2"},
                                      std::pair{testing::Encoding::ShiftJis, u"1"}}) {
    testing::TopicSpec spec;
    spec.encoding = encoding;
    board_.SetTopic(spec);
    fs::remove(home_ / "out/topic.html");
    fs::remove(home_ / "record.dat");
    fs::remove(home_ / "pellu.ini");
    ASSERT_TRUE(WriteDefinitionValue(u"basic", u"charchange", charchange,
                                     FromUtf8((home_ / "_yahoo.bbs").string())));
    CliResult r = Run({"--no", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSameAsExpected(home_ / "out/topic.html", "topic.html");
  }
}

TEST_F(CliRun, RecoversFromTimeOutsShortAnswersResetsAndRedirects) {
  board_.SetDelay(3000);
  board_.Misbehave(5, Misbehaviour::Delay, 1);
  board_.Misbehave(6, Misbehaviour::Empty, 1);
  board_.Misbehave(7, Misbehaviour::Oversize, 1);
  board_.Misbehave(8, Misbehaviour::Redirect);
  board_.Misbehave(4, Misbehaviour::Reset, 1);
  CliResult r = Run({"--yes"});  // Ignore in the error dialog
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectSameAsExpected(home_ / "out/topic.html", "topic.html");
  EXPECT_NE(r.err.find("msg( 5 ) 取得中 - リトライ(1/1)\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("msg( 6 ) 取得中 - 原因不明のエラーにより再試行(1/10)\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("msg( 7 ) 取得中 - 原因不明のエラーにより再試行(1/10)\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("msg( 4 ) 取得中 - 原因不明のエラーにより再試行(1/10)\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("Pellucor: [エラー] "), std::string::npos);
  EXPECT_NE(r.err.find("Pellucor: -> Ignore"), std::string::npos);
  EXPECT_EQ(board_.RequestCount(4), 2);
  EXPECT_EQ(board_.RequestCount(5), 2);
  EXPECT_EQ(board_.RequestCount(8), 2);  // the address and where it was redirected
}

TEST_F(CliRun, ATimeOutBeyondTheRetriesAndAResetEndWithAbort) {
  board_.SetDelay(3000);
  board_.Misbehave(3, Misbehaviour::Delay);
  CliResult r = Run({"--no", "--retry=0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Pellucor: [エラー] "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Pellucor: -> Abort"), std::string::npos);
  EXPECT_EQ(r.err.find("リトライ("), std::string::npos);
  EXPECT_EQ(Ini(home_, u"from"), "1");

  board_.Misbehave(3, Misbehaviour::Reset);
  r = Run({"--no", "--outfile=" + (home_ / "out/other.html").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Pellucor: [エラー] "), std::string::npos) << r.err;
}

TEST_F(CliRun, NotFoundPagesAreInvalidPages) {
  board_.Misbehave(9, Misbehaviour::NotFound);
  CliResult r = Run({"--no", "--error=0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Pellucor: 有効なメッセージが取得できませんでした\n"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("404NotFound"), std::string::npos);  // the excerpt, without blanks
  EXPECT_NE(r.err.find("処理中断 MSG:9まで処理済み"), std::string::npos);
  EXPECT_EQ(Ini(home_, u"from"), "9");
  EXPECT_EQ(Ini(home_, u"error"), "0");
}

TEST_F(CliRun, CtrlCCancelsAndLeavesAFinishedOutput) {
  board_.SetDelay(20000);
  board_.Misbehave(10, Misbehaviour::Delay);
  auto args = Args({"--no", "--timeout=60"});
  args.push_back("run");
  CliProcess p(args);
  for (int i = 0; i < 400 && board_.RequestCount(10) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_EQ(board_.RequestCount(10), 1);
  auto t0 = std::chrono::steady_clock::now();
  p.Signal(SIGINT);
  CliResult r = p.Wait(15000);
  auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_LT(ms, 5000);  // the fetch in flight was abandoned
  EXPECT_NE(r.err.find("処理を中断します。MSG:9まで処理しました。"), std::string::npos) << r.err;
  EXPECT_EQ(Ini(home_, u"from"), "10");
  auto record = RecordLines(home_);
  ASSERT_EQ(record.size(), 26u);
  EXPECT_EQ(record[21], "9");
  std::string out = Slurp(home_ / "out/topic.html");
  ASSERT_GT(out.size(), 200u);
  EXPECT_EQ(out.substr(out.size() - 200, 11), "<p>Pellucor");  // the footer slot
}

TEST_F(CliRun, DamagedHistoryFiles) {
  std::string whole;
  {
    CliResult r = Run({"--no", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    whole = Slurp(home_ / "record.dat");
  }
  // Cut short: the message, what was read is kept, a copy of the file stays.
  std::string cut = whole.substr(0, whole.size() - 40);
  std::ofstream(home_ / "record.dat", std::ios::binary) << cut;
  CliResult r =
      Run({"--no", "--quiet", "--from=1", "--outfile=" + (home_ / "out/other.html").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("履歴データの取得に失敗しました"), std::string::npos);
  EXPECT_EQ(Slurp(home_ / "record.dat.bak"), cut);
  EXPECT_EQ(RecordLines(home_).size(), 26u);  // only the new run's record

  // Unknown version and garbage: no message, nothing read, the old file kept aside.
  for (std::string bytes : {std::string("7\r\nx\r\n"), std::string("\x81\xff\x00garbage")}) {
    std::ofstream(home_ / "record.dat", std::ios::binary) << bytes;
    fs::remove(home_ / "out/other.html");
    r = Run({"--no", "--quiet", "--from=1", "--outfile=" + (home_ / "out/other.html").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("履歴データ"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(home_ / "record.dat.bak"), bytes);
    EXPECT_EQ(RecordLines(home_).size(), 26u);
  }
}

TEST_F(CliRun, MissingOutputFolder) {
  std::string out = (home_ / "new/topic.html").string();
  CliResult r = Run({"--no", "--outfile=" + out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("出力先のフォルダが存在しません（" + (home_ / "new").string() + "）"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("出力ファイル名の設定に誤りがあります"), std::string::npos);
  EXPECT_FALSE(fs::exists(home_ / "new"));

  r = Run({"--yes", "--outfile=" + out});
  EXPECT_EQ(r.status, 0) << r.err;
  ExpectSameAsExpected(home_ / "new/topic.html", "topic.html");
}

TEST_F(CliRun, ReadOnlyOutputFolder) {
  fs::permissions(home_ / "out", fs::perms::owner_read | fs::perms::owner_exec);
  bool immutable = false;
  if (::access((home_ / "out").c_str(), W_OK) == 0) {  // root: try the immutable flag
    immutable =
        std::system(("chattr +i '" + (home_ / "out").string() + "' 2>/dev/null").c_str()) == 0;
  }
  std::ofstream probe(home_ / "out/probe");
  bool writable = probe.good();
  probe.close();
  if (writable) {
    fs::remove(home_ / "out/probe");
    GTEST_SKIP() << "cannot make a folder read-only here";
  }
  CliResult r = Run({"--no"});
  if (immutable) std::system(("chattr -i '" + (home_ / "out").string() + "'").c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Pellucor: [エラー] "), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(home_ / "out/topic.html"));
}

TEST_F(CliRun, NamedProxyAndDirectMode) {
  testing::TinyProxy proxy;
  if (!proxy.ok()) GTEST_SKIP() << "tinyproxy could not be started";
  auto colon = proxy.address().find(':');
  CliResult r = Run({"--no", "--quiet", "--proxy=2", "--ip= 127.0.0.1 ",
                     "--port=" + proxy.address().substr(colon + 1)});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(proxy.Logged("mid=25")) << proxy.Log();

  fs::remove(home_ / "out/topic.html");
  fs::remove(home_ / "record.dat");
  testing::TopicSpec spec;
  spec.count = 27;
  board_.SetTopic(spec);
  r = Run({"--no", "--quiet", "--proxy=1", "--from=26"}, {"http_proxy=http://" + proxy.address()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(proxy.Log().find("mid=26"), std::string::npos);
  EXPECT_EQ(board_.RequestCount(26), 1);
}

TEST_F(CliRun, GreetingOnceSettingsAndUsage) {
  fs::remove_all(home_ / "data");
  CliResult r = RunCli({"--home", home_.string(), "--from=7", "settings"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Pellucorをご利用いただきありがとうございます。"), std::string::npos);
  EXPECT_TRUE(fs::exists(home_ / "data"));
  ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 24);
  EXPECT_EQ(r.out.substr(0, 5), "url1=");
  EXPECT_NE(r.out.find("\nfrom=7\nto=100\n"), std::string::npos);
  EXPECT_NE(r.out.find("\noutfile=" + (home_ / "data").string() + "/\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nbbs_file=_yahoo.bbs\nout_file=_html.out\n"), std::string::npos);

  r = RunCli({"--home", home_.string(), "settings"});
  EXPECT_EQ(r.err.find("Pellucorをご利用"), std::string::npos);
  EXPECT_NE(r.out.find("\nfrom=1\n"), std::string::npos);  // settings writes nothing back

  EXPECT_EQ(RunCli({"--home", home_.string(), "--nosuchkey=1", "settings"}).status, 2);
  EXPECT_EQ(RunCli({"--home", home_.string(), "--maxmsg=2", "run"}).status, 2);
  EXPECT_EQ(RunCli({"--home", home_.string(), "--bbs_file=none.bbs", "run"}).status, 2);
  EXPECT_EQ(RunCli({"--home", home_.string(), "run", "extra"}).status, 2);
  // A failed check is an early end.
  r = RunCli({"--home", home_.string(), "--no", "--timeout=0", "run"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Pellucor: 正しいタイムアウト値（1～300）を設定してください"),
            std::string::npos);
}

}  // namespace
}  // namespace pellucor
