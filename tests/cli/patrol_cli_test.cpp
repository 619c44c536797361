// check and patrol as processes, against loopback boards: one whose topic grows, one whose
// topic does not, and one that has gone down.
#include <signal.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <thread>

#include "cli_process.h"
#include "support/board_server.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;
using testing::BoardServer;
using testing::CliResult;

using testing::Slurp;

// The line of stdout that names `title`, split at its TABs.
std::vector<std::string> LineOf(const std::string& out, const std::string& title) {
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cols;
    std::istringstream l(line);
    for (std::string c; std::getline(l, c, '\t');) cols.push_back(c);
    if (cols.size() > 1 && cols[1] == title) return cols;
  }
  return {};
}

const HistoryRecord* Job(const std::vector<HistoryRecord>& list, const std::string& title) {
  for (const HistoryRecord& r : list)
    if (ToUtf8(r.title) == title) return &r;
  return nullptr;
}

class Patrol : public testing::CliTest {
 protected:
  // Collects the whole topic of `board` into out/NAME.txt as a job of the history.
  void Collect(const fs::path& home, const BoardServer& board, const std::string& name) {
    CliResult r = Cli(home, {"--url1=" + board.url1(), "--from=1", "--maxmsg=1",
                             "--outfile=" + (home / "out" / (name + ".txt")).string(),
                             "--out_file=text.out", "--topictofilename=0", "--proxy=1",
                             "--timeout=5", "--retry=0", "--quiet", "--no", "run"});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // The number `history list` gives the job of `title`, and whether it is marked.
  std::pair<std::string, bool> Number(const fs::path& home, const std::string& title) {
    std::istringstream in(Cli(home, {"history", "list"}).out);
    for (std::string line; std::getline(in, line);)
      if (line.find("\t" + title) != std::string::npos) {
        size_t end = line.find_first_of(" *");
        return {line.substr(line.find_first_not_of(' '), end), line[end] == '*'};
      }
    return {"", false};
  }
};

TEST_F(Patrol, ChecksAndContinuesEveryJobAsAManualContinuationWould) {
  BoardServer grows({.count = 20, .topic_title = u"伸びる"});
  BoardServer still({.count = 30, .topic_title = u"止まった"});
  auto gone =
      std::make_unique<BoardServer>(testing::TopicSpec{.count = 10, .topic_title = u"落ちた"});
  const fs::path home = MakeHome(), twin = MakeHome();
  Collect(home, grows, "grows");
  Collect(home, still, "still");
  Collect(home, *gone, "gone");
  Collect(twin, grows, "grows");
  gone.reset();
  grows.SetTopic({.count = 25, .topic_title = u"伸びる"});
  const std::string ini = Slurp(home / "pellu.ini");

  CliResult r = Cli(home, {"check", "--all"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(LineOf(r.out, "伸びる"),
            (std::vector<std::string>{Number(home, "伸びる").first, "伸びる", "20", "25", "5"}));
  EXPECT_EQ(LineOf(r.out, "止まった"), (std::vector<std::string>{Number(home, "止まった").first,
                                                                 "止まった", "30", "30", "0"}));
  std::vector<std::string> failed = LineOf(r.out, "落ちた");
  ASSERT_EQ(failed.size(), 5u) << r.out;
  EXPECT_EQ(failed[3], "-");
  EXPECT_EQ(failed[4].rfind("失敗: ", 0), 0u) << failed[4];

  const std::string before_grows = Slurp(home / "out/grows.txt");
  const std::string before_still = Slurp(home / "out/still.txt");
  r = Cli(home, {"patrol", "--all", "--wait=0"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(LineOf(r.out, "伸びる")[2] + LineOf(r.out, "伸びる")[3], "5完了") << r.out;
  EXPECT_EQ(LineOf(r.out, "止まった")[2] + LineOf(r.out, "止まった")[3], "0完了") << r.out;
  EXPECT_EQ(LineOf(r.out, "落ちた")[3].rfind("中断: ", 0), 0u) << r.out;

  // The twin continues its job by hand: put back from the history, then run.
  ASSERT_EQ(Cli(twin, {"history", "set", "1"}).status, 0);
  ASSERT_EQ(Cli(twin, {"--yes", "--quiet", "run"}).status, 0);
  const std::string grown = Slurp(home / "out/grows.txt");
  EXPECT_EQ(grown, Slurp(twin / "out/grows.txt"));
  EXPECT_GT(grown.size(), before_grows.size());
  EXPECT_EQ(Slurp(home / "out/still.txt"), before_still);
  EXPECT_EQ(Slurp(home / "pellu.ini"), ini);
  HistoryList h = testing::ReadHistory(home), t = testing::ReadHistory(twin);
  ASSERT_TRUE(Job(h, "伸びる") && Job(t, "伸びる") && Job(h, "止まった"));
  for (int field : {3, 4, 5, 15, 16, 21, 23})
    EXPECT_EQ(Job(h, "伸びる")->Field(field), Job(t, "伸びる")->Field(field)) << field;
  EXPECT_EQ(Job(h, "伸びる")->lastMessage, u"25");
  EXPECT_EQ(Job(h, "止まった")->lastMessage, u"30");
}

TEST_F(Patrol, MarkedJobsArePatrolledPolitelyAcrossRestartsAndUpdates) {
  BoardServer grows({.count = 20, .topic_title = u"伸びる"});
  BoardServer still({.count = 30, .topic_title = u"止まった"});
  const fs::path home = MakeHome();
  Collect(home, grows, "grows");
  Collect(home, still, "still");
  EXPECT_EQ(Cli(home, {"patrol"}).status, 1);  // nothing marked
  const std::string n = Number(home, "伸びる").first;
  ASSERT_EQ(Cli(home, {"history", "patrol", n, "on"}).status, 0);
  EXPECT_TRUE(Number(home, "伸びる").second);
  EXPECT_FALSE(Number(home, "止まった").second);
  EXPECT_NE(Cli(home, {"history", "show", n}).out.find("自動巡回 : する\n"), std::string::npos);

  // Two rounds, each in a new process, the job's record updated by the first: the mark holds.
  // The second round waits half a second between the requests, as the board saw them.
  for (int round : {0, 1}) {
    grows.SetTopic({.count = 23 + round * 3, .topic_title = u"伸びる"});
    const size_t seen = grows.RequestGaps().size() + 1;
    CliResult r = Cli(home, {"patrol", round ? "--wait=0.5" : "--wait=0"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LineOf(r.out, "伸びる").at(2), "3") << r.out;
    EXPECT_TRUE(LineOf(r.out, "止まった").empty()) << r.out;
    if (round) {
      std::vector<double> gaps = grows.RequestGaps();
      ASSERT_GE(gaps.size(), seen + 3);  // the check and three messages
      const double shortest = *std::min_element(gaps.begin() + seen, gaps.end());
      EXPECT_GE(shortest, 0.5);
      EXPECT_LT(shortest, 1.0);  // not the patrol's default of a second
    }
  }
  EXPECT_TRUE(Number(home, "伸びる").second);
  EXPECT_EQ(testing::ReadHistory(home).size(), 2u);
  EXPECT_EQ(grows.UserAgent().rfind("Pellucor/", 0), 0u);
  EXPECT_NE(grows.UserAgent().find("https://"), std::string::npos) << grows.UserAgent();

  ASSERT_EQ(Cli(home, {"history", "patrol", Number(home, "伸びる").first, "off"}).status, 0);
  EXPECT_FALSE(fs::exists(home / "patrol.dat"));
  EXPECT_EQ(Cli(home, {"history", "patrol", "1", "maybe"}).status, 2);
  EXPECT_EQ(Cli(home, {"patrol", "--wait=-1"}).status, 2);
}

// Ctrl-C ends the job in hand as a cancel ends a run and starts no other; a patrol killed outright
// is closed at the next start the same way. The user's settings stay the user's.
TEST_F(Patrol, CtrlCOrAKillEndsTheJobInHandCleanlyAndStartsNoOther) {
  for (int sig : {SIGINT, SIGKILL}) {
    SCOPED_TRACE(sig);
    BoardServer first({.count = 20, .topic_title = u"一番目"});
    BoardServer second({.count = 20, .topic_title = u"二番目"});
    const fs::path home = MakeHome();
    Collect(home, first, "first");
    Collect(home, second, "second");
    const std::string ini = Slurp(home / "pellu.ini");
    first.SetTopic({.count = 25, .topic_title = u"一番目"});
    second.SetTopic({.count = 25, .topic_title = u"二番目"});
    first.SetDelay(20000);
    first.Misbehave(23, testing::Misbehaviour::Delay);
    testing::CliProcess patrol({"--home", home.string(), "patrol", "--wait=0",
                                Number(home, "一番目").first, Number(home, "二番目").first});
    for (int i = 0; i < 1000 && first.RequestCount(23) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(first.RequestCount(23), 1);
    patrol.Signal(sig);
    CliResult r = patrol.Wait(20000);
    if (sig == SIGINT) {
      EXPECT_EQ(r.status, 130) << r.err;
      EXPECT_EQ(LineOf(r.out, "一番目").at(2) + LineOf(r.out, "一番目").at(3), "2キャンセル")
          << r.out;
      EXPECT_EQ(LineOf(r.out, "二番目").at(3), "未実行") << r.out;
      EXPECT_FALSE(fs::exists(home / "runs") && !fs::is_empty(home / "runs"));
    }
    EXPECT_EQ(Cli(home, {"history", "list"}).status, 0);  // the next start closes the run
    EXPECT_EQ(second.RequestCount(21), 0);
    // The file closed with its footer slot, the job recorded.
    const std::string text = Slurp(home / "out/first.txt");
    ASSERT_GT(text.size(), 200u);
    EXPECT_EQ(DecodeCp932(text.substr(text.size() - 200)).rfind(u"（Pellucor", 0), 0u);
    EXPECT_EQ(Job(testing::ReadHistory(home), "一番目")->lastMessage, u"22");
    EXPECT_EQ(Slurp(home / "pellu.ini"), ini);
  }
}

}  // namespace
}  // namespace pellucor
