#include "engine/fetch_loop.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "engine/template.h"

namespace pellucor {
namespace {

constexpr int kReceiveRetries = 10;
constexpr int kReceivePauseMs = 2000;
constexpr size_t kMaxHalfBytes = 1000000;
constexpr int kMaxRetryAfterMs = 60000;

// An answer the server gave instead of the page: it is busy or broken, and says so.
bool ServerError(long status) {
  return (status >= 500 && status <= 599) || status == 429;
}

Text Num(double v) {
  return FormatNumber(v);
}

Text Int(int64_t v) {
  return FromUtf8(std::to_string(v));
}

Text FetchingText(double n) {
  return u"msg( " + Num(n) + u" ) 取得中";
}

// A page too small or too large to be a message page.
bool FailedReceive(const std::string& bytes) {
  size_t h = bytes.size() / 2;
  return h == 0 || h > kMaxHalfBytes;
}

enum class Fetched { Page, ServerError, Ignored, Cancelled, Aborted };

class MessageFetch {
 public:
  MessageFetch(RunEnv& env, RunState& state, HttpClient& http, ErrorLog& log, Text url)
      : env_(env), state_(state), http_(http), log_(log), url_(std::move(url)) {}

  int receive_retries = 0;
  std::string bytes;
  long http_status = 0;
  int retry_after = -1;  // seconds the server asked for before the next try; -1: none

  // One fetch with its time-out retries and the error dialog. On Page, `bytes` holds the body.
  Fetched FetchOnce() {
    bytes.clear();
    MainForm& form = env_.form;
    for (;;) {
      FetchResult r = http_.Fetch(url_, [this] {
        env_.ui.Yield();
        return env_.form.cancel_requested;
      });
      switch (r.status) {
        case FetchResult::Status::Ok:
          http_status = r.http_status;
          retry_after = r.retry_after;
          if (ServerError(r.http_status)) return Fetched::ServerError;
          bytes = std::move(r.body);
          return Fetched::Page;
        case FetchResult::Status::Cancelled:
          return Fetched::Cancelled;
        case FetchResult::Status::Timeout: {
          ++timeouts_;
          double limit = NumericValue(form.Text_Retry().Value());
          if (timeouts_ <= limit) {
            Text status = FetchingText(state_.current_number) + u" - リトライ(" + Int(timeouts_) +
                          u"/" + Num(limit) + u")";
            form.Label_status().SetValue(status);
            Log(u"タイムアウト - リトライ(" + Int(timeouts_) + u"/" + Num(limit) + u")");
            if (form.cancel_requested) return Fetched::Cancelled;
            continue;
          }
          Log(u"タイムアウト: " + r.error);
          break;
        }
        case FetchResult::Status::Failed:
          Log(u"取得エラー: " + r.error);
          break;
      }
      switch (ShowRunError(env_, r.error)) {
        case Answer::Retry:
          Log(u"再取得 (エラーダイアログで再試行)");
          continue;
        case Answer::Ignore:
          // No stale page may be written under this number: the fetch counts as failed.
          Log(u"無視 (受信失敗として扱います)");
          return Fetched::Ignored;
        default:
          Log(u"中止 (エラーダイアログで中止)");
          return Fetched::Aborted;
      }
    }
  }

  // The empty-answer retry: status, yield, pause. False when the retries are used up. A
  // Retry-After of the server lengthens the pause up to a minute; a long pause is taken in
  // steps, so a cancel is seen within one.
  bool RetryReceive(const Text& reason, int retry_after_seconds = -1) {
    if (receive_retries >= kReceiveRetries) return false;
    ++receive_retries;
    Text what = u"原因不明のエラーにより再試行(" + Int(receive_retries) + u"/" +
                Int(kReceiveRetries) + u")";
    env_.form.Label_status().SetValue(FetchingText(state_.current_number) + u" - " + what);
    Log(reason + u" - " + what);
    env_.ui.Yield();
    int pause = kReceivePauseMs;
    if (retry_after_seconds > 0)
      pause = std::clamp(retry_after_seconds * 1000, kReceivePauseMs, kMaxRetryAfterMs);
    for (int left = pause; left > 0 && !env_.form.cancel_requested; left -= kReceivePauseMs) {
      env_.clock.Sleep(std::min(left, kReceivePauseMs));
      env_.ui.Yield();
    }
    return true;
  }

  void Log(const Text& what) { log_.Add(env_.clock.Now(), state_.current_number, url_, what); }

 private:
  RunEnv& env_;
  RunState& state_;
  HttpClient& http_;
  ErrorLog& log_;
  Text url_;
  int timeouts_ = 0;
};

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
    MessageFetch fetch(env, state, http, log, url);
    Text page;
    for (;;) {
      Fetched got = fetch.FetchOnce();
      if (got == Fetched::Aborted) {
        AbortRun(env, state);
        return RunOutcome::Ended;
      }
      if (form.cancel_requested) return Cancel(env, state);
      if (got == Fetched::ServerError) {
        if (fetch.RetryReceive(u"HTTP " + Int(fetch.http_status),
                               std::min(fetch.retry_after, kMaxRetryAfterMs / 1000)))
          continue;
        fetch.Log(u"データの取得に失敗しました");
        return NetworkFailure(env, state);
      }
      if (got == Fetched::Ignored || FailedReceive(fetch.bytes)) {
        if (fetch.RetryReceive(got == Fetched::Ignored
                                   ? Text(u"受信失敗")
                                   : u"受信データ長 " + Int(fetch.bytes.size()) + u" バイト"))
          continue;
        fetch.Log(u"データの取得に失敗しました");
        return NetworkFailure(env, state);
      }
      page = DecodePreparedPage(fetch.bytes, state.board);
      state.values = ExtractItems(page, state.board);
      // Receive-retry mode: a page without items is fetched again like an empty answer.
      if (AllItemsEmpty(state.values) && form.Option_Error().Index() == 2) {
        if (fetch.RetryReceive(u"有効なメッセージが取得できませんでした")) continue;
        fetch.Log(u"有効なメッセージが取得できませんでした (空のまま続行)");
      }
      break;
    }
    fetch.bytes.clear();
    fetch.bytes.shrink_to_fit();

    if (AllItemsEmpty(state.values) && form.Option_Error().Index() == 0) {
      fetch.Log(u"有効なメッセージが取得できませんでした");
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
