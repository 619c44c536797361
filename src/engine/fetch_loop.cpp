#include "engine/fetch_loop.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "engine/retrying_fetch.h"
#include "engine/template.h"

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
  MainForm& form = env.form;
  FetchPolicy policy;
  policy.status_prefix = FetchingText(state.current_number);
  policy.timeout_retries = NumericValue(form.Text_Retry().Value());
  FetchHooks hooks;
  hooks.cancelled = [&form] { return form.cancel_requested; };
  hooks.yield = [&env] { env.ui.Yield(); };
  hooks.status = [&form](const Text& text) { form.Label_status().SetValue(text); };
  hooks.log = [&env, &log, n = state.current_number, url](const Text& what) {
    log.Add(env.clock.Now(), n, url, what);
  };
  hooks.ask = [&env](const Text& error) { return AskAbortRetryIgnore(env.ui, error); };
  return RetryingFetch(http, env.clock, std::move(policy), std::move(hooks), url);
}

void Critical(RunEnv& env, const Text& text) {
  env.ui.MessageBox(text, kAppCaption, Icon::Critical, Buttons::Ok);
}

RunOutcome Cancel(RunEnv& env, RunState& state) {
  Text done = Num(state.current_number - 1);
  Critical(env, u"処理を中断します。MSG:" + done + u"まで処理しました。");
  env.form.Label_status().SetValue(u"処理中断 MSG:" + done + u"まで処理済み");
  StopRun(env, state);
  return RunOutcome::Cancelled;
}

RunOutcome NetworkFailure(RunEnv& env, RunState& state) {
  Critical(env, Text(u"原因不明のエラーが発生したためデータの取得に失敗しました") + kCrLf +
                    u"ネットワークに接続されていない、もしくは切断された可能性があります" + kCrLf +
                    u"プロキシを使用している場合はプロキシの設定を見なおしてください" + kCrLf +
                    u"何度も同じエラーが出る場合は、アプリケーションを再起動してみてください");
  StopRun(env, state);
  return RunOutcome::Ended;
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

Text InvalidPageQuestion(TextView page) {
  Text excerpt = ReplaceAll(StripTags(page), u"->", u"");
  if (excerpt.empty()) excerpt = Text(page);
  Text q = Text(u"有効なメッセージが取得できませんでした") + kCrLf +
           u"指定されたURLが無効か、最大メッセージ番号を超えているか、設定ファイルが古い可能性があ"
           u"ります" +
           kCrLf + u"----- 受信データ簡易表示 START ---------------------------------" + kCrLf;
  for (size_t i = 0; i < 5; ++i) {
    size_t at = i * 100;
    q += (at < excerpt.size() ? excerpt.substr(at, 100) : Text()) + kCrLf;
  }
  q += Text(u"----- 受信データ簡易表示  END  ---------------------------------") + kCrLf + kCrLf +
       u"処理を継続しますか？";
  return q;
}

RunOutcome FetchLoop(RunEnv& env, RunState& state, HttpClient& http, ErrorLog& log) {
  MainForm& form = env.form;
  const double first = state.first_number;
  for (;;) {
    const double n = state.current_number;
    // Past the range, or where N + 1 would be N again (no address is fetched twice in a row
    // but as a retry).
    if (NumericValue(form.Text_to().Value()) < n || !(n + 1 > n)) {
      EndRun(env, state);
      return state.unwritten > 0 ? RunOutcome::Incomplete : RunOutcome::Finished;
    }
    form.Label_status().SetValue(
        FetchStatusText(n, first, NumericValue(form.Text_to().Value()),
                        SecondsBetween(state.start_time, env.clock.Now())));

    Text url = form.Text_url1().Value() + FormatMessageNumber(n, state.board.msg_keta) +
               form.Text_url2().Value();
    RetryingFetch fetch = MessageFetch(env, state, http, log, url);
    auto log_line = [&](const Text& what) { log.Add(env.clock.Now(), n, url, what); };
    Text page;
    for (;;) {
      switch (fetch.Fetch()) {
        case RetryingFetch::Outcome::Aborted:
          AbortRun(env, state);
          return RunOutcome::Ended;
        case RetryingFetch::Outcome::Cancelled:
          return Cancel(env, state);
        case RetryingFetch::Outcome::GaveUp:
          return NetworkFailure(env, state);
        case RetryingFetch::Outcome::Page:
          break;
      }
      page = DecodePreparedPage(fetch.body(), state.board);
      state.values = ExtractItems(page, state.board);
      // Receive-retry mode: a page without items is fetched again like an empty answer.
      if (AllItemsEmpty(state.values) && form.Option_Error().Index() == 2) {
        if (fetch.RetryReceive(u"有効なメッセージが取得できませんでした")) continue;
        log_line(u"有効なメッセージが取得できませんでした (空のまま続行)");
      }
      break;
    }
    fetch.body().clear();
    fetch.body().shrink_to_fit();

    if (AllItemsEmpty(state.values) && form.Option_Error().Index() == 0) {
      log_line(u"有効なメッセージが取得できませんでした");
      env.ui.Beep();
      if (env.ui.MessageBox(InvalidPageQuestion(page), kAppCaption, Icon::Question,
                            Buttons::YesNo) != Answer::Yes) {
        form.Label_status().SetValue(u"処理中断 MSG:" + Num(n) + u"まで処理済み");
        StopRun(env, state);
        return RunOutcome::Ended;
      }
      if (state.ask_again) {
        if (env.ui.MessageBox(u"次にデータ受信エラーが発生した際もこの確認画面を表示しますか？",
                              kAppCaption, Icon::Question, Buttons::YesNo) == Answer::No)
          form.Option_Error().SetIndex(1);
        state.ask_again = false;
      }
    }
    page.clear();

    CleanUpItems(state.values, state.board, state.output.special, state.topic_title);

    if (form.Check_MaxMsg().Value() == 1) {
      double previous = state.highest_number;
      int item = state.board.maxmsg_item;
      if ((state.highest_number == 0 || state.highest_number == n) && item != -1) {
        state.highest_number =
            item < static_cast<int>(state.values.size()) ? NumericValue(state.values[item]) : 0;
        // The range ends where N + 1 still counts on, whatever number the page shows.
        if (state.highest_number > n && state.highest_number >= first)
          form.Text_to().SetValue(Num(std::min(state.highest_number, kMaxMessageNumber)));
      }
      if (previous == 0 && state.highest_number == 0) {
        Critical(env, u"最大メッセージ数が取得できなかったので処理を中断します");
        env.hooks.SaveHistory();
        return RunOutcome::Ended;
      }
      if (previous == 0 && state.highest_number < first) {
        Critical(env, u"メッセージ番号" + Num(first) + u"以降のデータはありませんでした" + kCrLf +
                          u"最大メッセージ数=" + Num(state.highest_number));
        env.hooks.SaveHistory();
        return RunOutcome::Ended;
      }
    }

    if (OutputMessage(env, state) == Step::End) return RunOutcome::Ended;
  }
}

}  // namespace pellucor
