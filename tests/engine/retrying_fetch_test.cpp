// The retry policy shared by a run and the definition update, against a scripted client.
#include "engine/retrying_fetch.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/fake_clock.h"

namespace pellucor {
namespace {

using S = FetchResult::Status;
using O = RetryingFetch::Outcome;

// Answers from a queue; an answer given while the cancel request stands is Cancelled, as the
// real client breaks the transfer off.
class ScriptHttp : public HttpClient {
 public:
  std::deque<FetchResult> answers;
  int fetches = 0;
  std::function<void()> after_answer;
  void SetAccessType(int) override {}
  void SetProxy(const Text&) override {}
  void SetTimeout(int) override {}
  FetchResult Fetch(const Text&, const std::function<bool()>& idle) override {
    ++fetches;
    if (idle()) return {S::Cancelled, "", 0, u"", -1};
    FetchResult r = answers.empty() ? FetchResult{S::Ok, "page", 200, u"", -1} : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (after_answer) after_answer();
    return r;
  }
};

// Only the clock runs during a pause: the cancel request arrives in the pause numbered `at`.
class CancellingClock : public testing::FakeClock {
 public:
  explicit CancellingClock(bool& cancel, int at) : cancel_(cancel), at_(at) {}
  void Sleep(int ms) override {
    if (static_cast<int>(sleeps.size()) == at_) cancel_ = true;
    FakeClock::Sleep(ms);
  }

 private:
  bool& cancel_;
  int at_;
};

FetchResult Body(std::string body, long status = 200, int retry_after = -1) {
  return {S::Ok, std::move(body), status, u"", retry_after};
}
const FetchResult kTimeout{S::Timeout, "", 0, u"timed out", -1};
const FetchResult kFailed{S::Failed, "", 0, u"refused", -1};
const FetchResult kEmpty = Body("");

std::deque<FetchResult> Times(int n, const FetchResult& r) {
  return std::deque<FetchResult>(static_cast<size_t>(n), r);
}
std::vector<int> Pauses(int n, int ms = 2000) {
  return std::vector<int>(static_cast<size_t>(n), ms);
}

TEST(RetryingFetch, Policy) {
  struct Case {
    const char* name;
    std::deque<FetchResult> answers;
    std::deque<Recovery> asked;  // answers to the failure question
    O outcome;
    int fetches;
    std::vector<int> pauses;
    const char* last_status;  // after the prefix "p - "
    // The cancel request comes during this pause (0-based); -2: at the first time-out retry;
    // -3: the moment the page has arrived.
    int cancel_at_pause = -1;
    int receive_retries = 10;
    bool server_errors_fail = true;
    bool cancel_after_fetch = true;
  };
  // clang-format off
  const Case cases[] = {
      {"time-outs up to the count, at once", Times(3, kTimeout), {}, O::Page, 4, {}, "リトライ(3/3)"},
      {"one more is asked about; Retry", Times(4, kTimeout), {Recovery::Retry}, O::Page, 5, {}, "リトライ(3/3)"},
      {"Abort", {kFailed}, {Recovery::Abort}, O::Aborted, 1, {}, ""},
      {"Ignore is a failed receive", {kFailed}, {Recovery::Skip}, O::Page, 2, Pauses(1), "原因不明のエラーにより再試行(1/10)"},
      {"ten empty answers", Times(10, kEmpty), {}, O::Page, 11, Pauses(10), "原因不明のエラーにより再試行(10/10)"},
      {"eleven give up", Times(11, kEmpty), {}, O::GaveUp, 11, Pauses(10), "原因不明のエラーにより再試行(10/10)"},
      {"one byte is nothing", {Body("x")}, {}, O::Page, 2, Pauses(1), "原因不明のエラーにより再試行(1/10)"},
      {"2,000,002 bytes are too many", {Body(std::string(2000002, ' '))}, {}, O::Page, 2, Pauses(1), "原因不明のエラーにより再試行(1/10)"},
      {"2,000,001 bytes are a page", {Body(std::string(2000001, ' '))}, {}, O::Page, 1, {}, ""},
      {"503, Retry-After 5", {Body("busy", 503, 5)}, {}, O::Page, 2, {2000, 2000, 1000}, "原因不明のエラーにより再試行(1/10)"},
      {"429, Retry-After 1 keeps the pause", {Body("busy", 429, 1)}, {}, O::Page, 2, Pauses(1), "原因不明のエラーにより再試行(1/10)"},
      {"Retry-After is held to a minute", {Body("busy", 503, 600)}, {}, O::Page, 2, Pauses(30), "原因不明のエラーにより再試行(1/10)"},
      {"404 is a page", {Body("gone", 404, 5)}, {}, O::Page, 1, {}, ""},
      {"a cancel during a long pause ends it", {Body("busy", 503, 600)}, {}, O::Cancelled, 2, Pauses(1), "原因不明のエラーにより再試行(1/10)", 0},
      {"a cancel during a time-out retry", Times(2, kTimeout), {}, O::Cancelled, 1, {}, "リトライ(1/3)", -2},
      // The definition update's rules for one file.
      {"no retries: give up at once", {kEmpty}, {}, O::GaveUp, 1, {}, "", -1, 0},
      {"server errors are pages", {Body("busy", 503, 5)}, {}, O::Page, 1, {}, "", -1, 10, false},
      {"a cancel after the transfer is not seen", {Body("page")}, {}, O::Page, 1, {}, "", -3, 10, true, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptHttp http;
    http.answers = c.answers;
    bool cancel = false;
    CancellingClock clock(cancel, c.cancel_at_pause);
    if (c.cancel_at_pause == -3) http.after_answer = [&] { cancel = true; };
    std::deque<Recovery> asked = c.asked;
    int questions = 0;
    Text status;
    FetchPolicy policy;
    policy.status_prefix = u"p";
    policy.timeout_retries = 3;
    policy.receive_retries = c.receive_retries;
    policy.server_errors_fail = c.server_errors_fail;
    policy.cancel_after_fetch = c.cancel_after_fetch;
    FetchHooks hooks;
    hooks.cancelled = [&] { return cancel; };
    hooks.status = [&](const Text& t) {
      status = t;
      if (c.cancel_at_pause == -2) cancel = true;
    };
    hooks.ask = [&](const Text& error) {
      ++questions;
      EXPECT_FALSE(error.empty());
      Recovery r = asked.empty() ? Recovery::Abort : asked.front();
      if (!asked.empty()) asked.pop_front();
      return r;
    };
    RetryingFetch fetch(http, clock, policy, hooks, u"http://x/1");
    EXPECT_EQ(fetch.Fetch(), c.outcome);
    EXPECT_EQ(clock.sleeps, c.pauses);
    EXPECT_EQ(http.fetches, c.fetches);
    EXPECT_EQ(ToUtf8(status), *c.last_status ? std::string("p - ") + c.last_status : "");
    EXPECT_EQ(questions, static_cast<int>(c.asked.size()));
  }
}

// The log tells each retry and its reason, so a user can see what the board did.
TEST(RetryingFetch, LogLinesAndACallerRetry) {
  ScriptHttp http;
  http.answers = {kTimeout, kTimeout, kFailed, Body("busy", 500), Body("page")};
  testing::FakeClock clock;
  std::vector<std::string> log;
  FetchPolicy policy;
  policy.status_prefix = u"p";
  policy.timeout_retries = 1;
  FetchHooks hooks;
  hooks.cancelled = [] { return false; };
  hooks.log = [&](const Text& t) { log.push_back(ToUtf8(t)); };
  hooks.ask = [](const Text&) { return Recovery::Retry; };
  RetryingFetch fetch(http, clock, policy, hooks, u"u");
  ASSERT_EQ(fetch.Fetch(), O::Page);
  EXPECT_EQ(fetch.body(), "page");
  // The caller judged the page and wants it again: the count goes on.
  EXPECT_TRUE(fetch.RetryReceive(u"空のページ"));
  EXPECT_EQ(log,
            (std::vector<std::string>{"タイムアウト - リトライ(1/1)", "タイムアウト: timed out",
                                      "再取得 (エラーダイアログで再試行)", "取得エラー: refused",
                                      "再取得 (エラーダイアログで再試行)",
                                      "HTTP 500 - 原因不明のエラーにより再試行(1/10)",
                                      "空のページ - 原因不明のエラーにより再試行(2/10)"}));
}

}  // namespace
}  // namespace pellucor
