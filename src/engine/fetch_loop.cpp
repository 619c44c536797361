#include "engine/fetch_loop.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "engine/retrying_fetch.h"
#include "engine/template.h"
#include "platform/prefetch_http.h"

namespace pellucor {
namespace {

Text Num(double v) {
  return FormatNumber(v);
}

Text Int(int64_t v) {
  return FromUtf8(std::to_string(v));
}

Text FetchingText(double n) {
  return u"msg( " + Num(n) + u" ) 取得中";
}

// The fetch of message N with the run's retry rules; retries and failures go to the error log.
RetryingFetch MessageFetch(RunEnv& env, RunState& state, HttpClient& http, ErrorLog& log,
                           const Text& url) {
  FetchPolicy policy;
  policy.status_prefix = FetchingText(state.current_number);
  policy.timeout_retries = env.job.network.retries;
  FetchHooks hooks;
  RunIntents& intents = env.intents;
  hooks.cancelled = [&intents] { return intents.CancelRequested(); };
  hooks.yield = [&intents] { intents.Yield(); };
  hooks.status = [&intents](const Text& text) { intents.Status(text); };
  hooks.log = [&env, &log, n = state.current_number, url](const Text& what) {
    log.Add(env.clock.Now(), n, url, what);
  };
  hooks.ask = [&intents](const Text& error) { return intents.AfterFailure(error); };
  return RetryingFetch(http, env.clock, std::move(policy), std::move(hooks), url);
}

RunOutcome Cancel(RunEnv& env, RunState& state) {
  Text done = Num(state.current_number - 1);
  env.intents.Notice(RunNotice::Cancelled, {done});
  env.intents.Status(u"処理中断 MSG:" + done + u"まで処理済み");
  StopRun(env, state);
  return RunOutcome::Cancelled;
}

RunOutcome NetworkFailure(RunEnv& env, RunState& state) {
  env.intents.Notice(RunNotice::NetworkFailure);
  StopRun(env, state);
  return RunOutcome::Ended;
}

// The page of message N with its retries. Nothing when the run ended here (`outcome` tells).
// `fetched` is called once the page is final: it will not be fetched again.
std::optional<Text> ReceivePage(RunEnv& env, RunState& state, RetryingFetch& fetch,
                                const std::function<void(const Text&)>& log_line,
                                const std::function<void()>& fetched, RunOutcome& outcome) {
  for (;;) {
    switch (fetch.Fetch()) {
      case RetryingFetch::Outcome::Aborted:
        AbortRun(env, state);
        outcome = RunOutcome::Ended;
        return std::nullopt;
      case RetryingFetch::Outcome::Cancelled:
        outcome = Cancel(env, state);
        return std::nullopt;
      case RetryingFetch::Outcome::GaveUp:
        outcome = NetworkFailure(env, state);
        return std::nullopt;
      case RetryingFetch::Outcome::Page:
        break;
    }
    // Receive-retry mode: a page without items is fetched again like an empty answer.
    const bool receive_again = env.job.error_policy == ErrorPolicy::ReceiveAgain;
    if (!receive_again) fetched();
    Text page = DecodePreparedPage(fetch.body(), state.board);
    state.values = ExtractItems(page, state.board);
    if (AllItemsEmpty(state.values) && receive_again) {
      if (fetch.RetryReceive(u"有効なメッセージが取得できませんでした")) continue;
      log_line(u"有効なメッセージが取得できませんでした (空のまま続行)");
    }
    if (receive_again) fetched();
    return page;
  }
}

// A page without items in "ask" mode: go on? False when the run stopped here.
bool GoOnAfterInvalidPage(RunEnv& env, RunState& state, TextView page) {
  if (!env.intents.GoOnAfterInvalidPage(page)) {
    env.intents.Status(u"処理中断 MSG:" + Num(state.current_number) + u"まで処理済み");
    StopRun(env, state);
    return false;
  }
  if (state.ask_again) {
    if (!env.intents.AskAgainNextTime()) {
      env.job.SetErrorPolicy(ErrorPolicy::Ignore);
      env.intents.Changed(env.job);
    }
    state.ask_again = false;
  }
  return true;
}

// The max-message flag: the range follows the board's newest number. False when the run ended.
bool FollowHighest(RunEnv& env, RunState& state) {
  const double n = state.current_number, first = state.first_number;
  double previous = state.highest_number;
  int item = state.board.maxmsg_item;
  if ((state.highest_number == 0 || state.highest_number == n) && item != -1) {
    state.highest_number =
        item < static_cast<int>(state.values.size()) ? NumericValue(state.values[item]) : 0;
    // The range ends where N + 1 still counts on, whatever number the page shows.
    if (state.highest_number > n && state.highest_number >= first) {
      env.job.SetTo(std::min(state.highest_number, kMaxMessageNumber));
      env.intents.Changed(env.job);
    }
  }
  if (previous == 0 && state.highest_number == 0) {
    env.intents.Notice(RunNotice::HighestUnknown);
    env.hooks.SaveHistory();
    return false;
  }
  if (previous == 0 && state.highest_number < first) {
    env.intents.Notice(RunNotice::NothingFrom, {Num(first), Num(state.highest_number)});
    env.hooks.SaveHistory();
    return false;
  }
  return true;
}

}  // namespace

void ErrorLog::Add(const DateTime& when, double number, const Text& url, const Text& what) {
  if (!enabled_) return;
  Text line =
      FormatYmdHms(when) + u"\tmsg(" + FormatNumber(number) + u")\t" + url + u"\t" + what + kCrLf;
  AppendToFile(path_, EncodeCp932(line));
}

Text FetchStatusText(double n, double first, double to, int64_t elapsed_seconds) {
  Text status = FetchingText(n);
  if (n - first > 2) {
    double per = static_cast<double>(elapsed_seconds) / (n - first);
    double remaining_d = std::nearbyint((to - n + 1) * per);  // halves to even
    int64_t remaining = static_cast<int64_t>(std::clamp<double>(
        remaining_d, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    Text time = remaining < 60 ? Int(remaining) + u"秒"
                               : Int(remaining / 60) + u"分" + Int(remaining % 60) + u"秒";
    status += u"  終了まで約" + time + u" (" + FormatFixed(per, 1) + u"秒/1件)";
  }
  return status;
}

namespace {

Text MessageUrl(const RunEnv& env, const RunState& state, double n) {
  return env.job.url1 + FormatMessageNumber(n, state.board.msg_keta) + env.job.url2;
}

// The request of message N + 1 sent while N is worked on, when nothing N may decide changes it:
// only a cancel, an early end or a shorter range leave it unused.
void FetchAhead(RunEnv& env, const RunState& state, PrefetchingHttpClient& ahead, double n) {
  const double next = n + 1;
  if (env.job.to < next || !(next + 1 > next) || env.intents.CancelRequested()) return;
  ahead.Prefetch(MessageUrl(env, state, next));
}

}  // namespace

RunOutcome FetchLoop(RunEnv& env, RunState& state, HttpClient& http, ErrorLog& log, bool overlap) {
  std::optional<PrefetchingHttpClient> ahead;
  if (overlap) ahead.emplace(http);
  HttpClient& client = ahead ? static_cast<HttpClient&>(*ahead) : http;
  for (;;) {
    const double n = state.current_number;
    // Past the range, or where N + 1 would be N again (no address is fetched twice in a row
    // but as a retry).
    if (env.job.to < n || !(n + 1 > n)) {
      EndRun(env, state);
      return state.unwritten > 0 ? RunOutcome::Incomplete : RunOutcome::Finished;
    }
    env.intents.Status(FetchStatusText(n, state.first_number, env.job.to,
                                       SecondsBetween(state.start_time, env.clock.Now())));

    Text url = MessageUrl(env, state, n);
    RetryingFetch fetch = MessageFetch(env, state, client, log, url);
    auto log_line = [&](const Text& what) { log.Add(env.clock.Now(), n, url, what); };
    auto fetched = [&] {
      if (ahead) FetchAhead(env, state, *ahead, n);
    };
    RunOutcome outcome = RunOutcome::Ended;
    std::optional<Text> page = ReceivePage(env, state, fetch, log_line, fetched, outcome);
    if (!page) return outcome;
    fetch.body().clear();
    fetch.body().shrink_to_fit();

    if (AllItemsEmpty(state.values) && env.job.error_policy == ErrorPolicy::Ask) {
      log_line(u"有効なメッセージが取得できませんでした");
      if (!GoOnAfterInvalidPage(env, state, *page)) return RunOutcome::Ended;
    }
    page.reset();

    CleanUpItems(state.values, state.board, state.output.special, state.topic_title);
    if (env.job.max_msg && !FollowHighest(env, state)) return RunOutcome::Ended;
    if (OutputMessage(env, state) == Step::End) return RunOutcome::Ended;
  }
}

}  // namespace pellucor
