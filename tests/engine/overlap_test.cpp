// A run that sends the next message's request ahead against the same run one request after the
// other, on the loopback board: the folder's files, the statuses, the questions and the pauses
// must be the same, with at most one request more, at a cancel or an early end.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "app/run_command.h"
#include "common/files.h"
#include "platform/curl_http.h"
#include "platform/polite_http.h"
#include "platform/prefetch_http.h"
#include "support/board_server.h"
#include "support/run_fixture.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;
using testing::BoardServer;
using testing::Misbehaviour;
using testing::RunFixture;
using testing::TopicSpec;

// Counts the requests sent from another thread than the run's: the ones sent ahead.
class ThreadCountingHttp : public HttpClient {
 public:
  explicit ThreadCountingHttp(HttpClient& inner) : inner_(inner) {}
  void SetAccessType(int type) override { inner_.SetAccessType(type); }
  void SetProxy(const Text& p) override { inner_.SetProxy(p); }
  void SetTimeout(int s) override { inner_.SetTimeout(s); }
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override {
    if (std::this_thread::get_id() != run_thread_) ++ahead;
    return inner_.Fetch(url, idle);
  }
  int ahead = 0;

 private:
  HttpClient& inner_;
  std::thread::id run_thread_ = std::this_thread::get_id();
};

struct Case {
  const char* name;
  int64_t count;  // messages on the board
  Misbehaviour kind;
  int times;  // of message 5's misbehaviour
  std::vector<std::string> settings;
  std::deque<Answer> answers;
  bool cancel_at_5;  // Cancel while message 5 is awaited
  int extra;         // requests the run sending ahead may add
};

struct Seen {
  RunOutcome outcome{};
  std::map<std::string, std::string> files;  // the program folder; its path, the board's named
  std::vector<std::string> statuses, questions;
  std::vector<int> pauses;
  std::vector<std::string> requests;  // as the board saw them
  int ahead = 0;
};

Seen RunOnce(const Case& c, bool overlap) {
  TopicSpec topic;
  topic.count = c.count;
  BoardServer board(topic);
  board.SetDelay(6000);
  if (c.kind != Misbehaviour::None) board.Misbehave(5, c.kind, c.times);
  CurlHttpClient curl;
  SystemClock wall;
  PoliteHttpClient polite(curl, wall);
  ThreadCountingHttp http(polite);

  RunFixture f;
  DefinitionCatalog catalog = f.program->catalog;
  f.program = std::make_unique<Program>(f.program->directory, f.ui, f.clock, http, f.shell, f.form);
  f.program->catalog = catalog;
  f.program->overlap = overlap;
  f.Set({"url1=" + board.url1(), "log=1"});
  f.Set(c.settings);
  f.ui.answers = c.answers;
  if (c.cancel_at_5) {
    f.ui.on_yield = [&f] {
      if (f.form.status_history.back().starts_with(u"msg( 5 ) 取得中"))
        f.form.cancel_requested = true;
    };
  }

  Seen seen;
  const auto start = std::chrono::steady_clock::now();
  seen.outcome = f.Run();
  // Not a speed test: a cancel must not wait for the board's six-second answer.
  if (c.cancel_at_5) {
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  }
  for (const auto& entry : fs::recursive_directory_iterator(f.dir)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes = ReadFileBytes(FromUtf8(entry.path().string())).value_or("<unreadable>");
    std::string name = entry.path().lexically_relative(f.dir).string();
    // The journal: named at random, its slots chosen by the time of day. Its newest record,
    // the one a recovery reads, counts.
    if (name.starts_with("runs/run-")) {
      name = "runs/run-*";
      const std::regex header("PELLUCOR-RUN (\\d+) (\\d+) \\d+\n");
      std::string newest;
      int newest_seq = -1;
      for (std::sregex_iterator it(bytes.begin(), bytes.end(), header), end; it != end; ++it) {
        if (std::stoi((*it)[1]) <= newest_seq) continue;
        newest_seq = std::stoi((*it)[1]);
        newest = bytes.substr(it->position() + it->length(), std::stoul((*it)[2]));
      }
      bytes = newest;
    }
    for (const auto& [from, to] : {std::pair(f.dir.string(), "<dir>"), {board.base(), "<board>"}})
      for (size_t at; (at = bytes.find(from)) != std::string::npos;)
        bytes.replace(at, from.size(), to);
    seen.files[name] = bytes;
  }
  for (const Text& s : f.form.status_history) seen.statuses.push_back(ToUtf8(s));
  seen.questions = f.ui.Texts();
  seen.pauses = f.clock.sleeps;
  seen.requests = board.Requests();
  seen.ahead = http.ahead;
  return seen;
}

TEST(Overlap, SendingAheadChangesNothingButTheTiming) {
  const auto None = Misbehaviour::None;
  // clang-format off
  const Case cases[] = {
      {"up to the newest", 12, None, 0, {}, {}, false, 0},
      {"a range ending at the board's last message", 12, None, 0, {"maxmsg=0", "to=12"}, {}, false, 0},
      {"time-out of the request sent ahead", 8, Misbehaviour::Delay, 1, {"timeout=2"}, {}, false, 0},
      {"empty answer", 8, Misbehaviour::Empty, 1, {}, {}, false, 0},
      {"503 with Retry-After", 8, Misbehaviour::Unavailable, 1, {}, {}, false, 0},
      {"broken answer, ignored", 8, Misbehaviour::Reset, 1, {}, {Answer::Ignore}, false, 0},
      {"broken answer, aborted", 8, Misbehaviour::Reset, -1, {}, {Answer::Abort}, false, 0},
      {"invalid page, stop", 6, None, 0, {"maxmsg=0", "to=9", "error=0"}, {Answer::No}, false, 1},
      {"invalid pages, go on", 6, None, 0, {"maxmsg=0", "to=8", "error=0"}, {Answer::Yes, Answer::Yes},
       false, 0},
      {"invalid pages received again", 6, None, 0, {"maxmsg=0", "to=8", "error=2"}, {}, false, 0},
      {"cancel while the request ahead hangs", 8, Misbehaviour::Delay, -1, {}, {}, true, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Seen plain = RunOnce(c, false), ahead = RunOnce(c, true);
    EXPECT_EQ(std::tuple(plain.outcome, plain.statuses, plain.questions, plain.pauses),
              std::tuple(ahead.outcome, ahead.statuses, ahead.questions, ahead.pauses));
    EXPECT_EQ(plain.files, ahead.files);
    // The same requests in the same order, and at most the one sent ahead after them.
    ASSERT_GE(ahead.requests.size(), plain.requests.size());
    EXPECT_LE(ahead.requests.size(), plain.requests.size() + c.extra);
    EXPECT_EQ(plain.requests,
              std::vector(ahead.requests.begin(), ahead.requests.begin() + plain.requests.size()));
    EXPECT_EQ(plain.ahead, 0);
    EXPECT_GT(ahead.ahead, 0);
  }
}

}  // namespace
}  // namespace pellucor
