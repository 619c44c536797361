// The retry policy shared by a run and the definition update, against a scripted client.
#include "engine/retrying_fetch.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/run_fixture.h"

namespace pellucor {
namespace {

using S = FetchResult::Status;
using O = RetryingFetch::Outcome;

// The fake board's client, answering from scripted[-1] (the addresses here hold no number),
// and a hook for the moment right after an answer.
struct ScriptHttp : testing::FakeHttp {
  std::function<void()> after_answer;
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override {
    FetchResult r = FakeHttp::Fetch(url, idle);
    if (after_answer) after_answer();
    return r;
  }
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
    // The cancel request comes: 1, in the first pause; 2, at the first time-out retry; 3, the
    // moment the page has arrived.
    int cancel_at = 0;
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
      {"a cancel during a long pause ends it", {Body("busy", 503, 600)}, {}, O::Cancelled, 2, Pauses(1), "原因不明のエラーにより再試行(1/10)", 1},
      {"a cancel during a time-out retry", Times(2, kTimeout), {}, O::Cancelled, 1, {}, "リトライ(1/3)", 2},
      // The definition update's rules for one file.
      {"no retries: give up at once", {kEmpty}, {}, O::GaveUp, 1, {}, "", 0, 0},
      {"server errors are pages", {Body("busy", 503, 5)}, {}, O::Page, 1, {}, "", 0, 10, false},
      {"a cancel after the transfer is not seen", {Body("page")}, {}, O::Page, 1, {}, "", 3, 10, true, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptHttp http;
    http.scripted[-1] = c.answers;
    bool cancel = false;
    testing::FakeClock clock;
    if (c.cancel_at == 3) http.after_answer = [&] { cancel = true; };
    std::deque<Recovery> asked = c.asked;
    Text status;
    size_t questions = 0;
    const FetchPolicy policy{.status_prefix = u"p",
                             .timeout_retries = 3,
                             .receive_retries = c.receive_retries,
                             .server_errors_fail = c.server_errors_fail,
                             .cancel_after_fetch = c.cancel_after_fetch};
    FetchHooks hooks;
    hooks.cancelled = [&] { return cancel; };
    hooks.yield = [&] { cancel |= c.cancel_at == 1 && clock.sleeps.size() == 1; };
    hooks.status = [&](const Text& t) {
      status = t;
      cancel |= c.cancel_at == 2;
    };
    hooks.ask = [&](const Text& error) {
      ++questions;
      EXPECT_FALSE(error.empty());
      Recovery r = asked.empty() ? Recovery::Abort : asked.front();
      if (!asked.empty()) asked.pop_front();
      return r;
    };
    RetryingFetch fetch(http, clock, policy, hooks, u"http://x/");
    EXPECT_EQ(fetch.Fetch(), c.outcome);
    EXPECT_EQ(
        std::tuple(clock.sleeps, http.urls.size(), ToUtf8(status), questions),
        std::tuple(c.pauses, size_t(c.fetches),
                   *c.last_status ? std::string("p - ") + c.last_status : "", c.asked.size()));
  }
}

// The log tells each retry and its reason, so a user can see what the board did.
TEST(RetryingFetch, LogLinesAndACallerRetry) {
  ScriptHttp http;
  http.scripted[-1] = {kTimeout, kTimeout, kFailed, Body("busy", 500), Body("page")};
  testing::FakeClock clock;
  std::vector<std::string> log;
  FetchHooks hooks;
  hooks.cancelled = [] { return false; };
  hooks.log = [&](const Text& t) { log.push_back(ToUtf8(t)); };
  hooks.ask = [](const Text&) { return Recovery::Retry; };
  RetryingFetch fetch(http, clock, {.status_prefix = u"p", .timeout_retries = 1}, hooks, u"u");
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
