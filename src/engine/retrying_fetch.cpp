#include "engine/retrying_fetch.h"

#include <algorithm>

#include "common/numeric.h"

namespace pellucor {
namespace {

constexpr size_t kMaxHalfBytes = 1000000;
constexpr int kMaxRetryAfterMs = 60000;

// An answer the server gave instead of the page: it is busy or broken, and says so.
bool ServerError(long status) {
  return (status >= 500 && status <= 599) || status == 429;
}

// A body too small or too large to be a page.
bool FailedReceive(const std::string& bytes) {
  const size_t h = bytes.size() / 2;
  return h == 0 || h > kMaxHalfBytes;
}

Text Int(int64_t v) {
  return FromUtf8(std::to_string(v));
}

}  // namespace

RetryingFetch::RetryingFetch(HttpClient& http, Clock& clock, FetchPolicy policy, FetchHooks hooks,
                             Text url)
    : http_(http),
      clock_(clock),
      policy_(std::move(policy)),
      hooks_(std::move(hooks)),
      url_(std::move(url)) {}

void RetryingFetch::Status(const Text& text) {
  if (hooks_.status) hooks_.status(text);
}

void RetryingFetch::Log(const Text& text) {
  if (hooks_.log) hooks_.log(text);
}

RetryingFetch::Attempt RetryingFetch::FetchOnce() {
  body_.clear();
  for (;;) {
    FetchResult r = http_.Fetch(url_, [this] {
      if (hooks_.yield) hooks_.yield();
      return Cancelled();
    });
    switch (r.status) {
      case FetchResult::Status::Ok:
        http_status_ = r.http_status;
        retry_after_ = r.retry_after;
        if (policy_.server_errors_fail && ServerError(r.http_status)) return Attempt::ServerError;
        body_ = std::move(r.body);
        return Attempt::Page;
      case FetchResult::Status::Cancelled:
        return Attempt::Cancelled;
      case FetchResult::Status::Timeout: {
        ++timeouts_;
        const double limit = policy_.timeout_retries;
        if (timeouts_ <= limit) {
          const Text retry = u"リトライ(" + Int(timeouts_) + u"/" + FormatNumber(limit) + u")";
          Status(policy_.status_prefix + u" - " + retry);
          Log(u"タイムアウト - " + retry);
          if (Cancelled()) return Attempt::Cancelled;
          continue;
        }
        Log(u"タイムアウト: " + r.error);
        break;
      }
      case FetchResult::Status::Failed:
        Log(u"取得エラー: " + r.error);
        break;
    }
    switch (hooks_.ask ? hooks_.ask(r.error) : Recovery::Abort) {
      case Recovery::Retry:
        Log(u"再取得 (エラーダイアログで再試行)");
        continue;
      case Recovery::Skip:
        // No stale page may stand for this one: the fetch counts as a failed receive.
        Log(u"無視 (受信失敗として扱います)");
        return Attempt::Ignored;
      case Recovery::Abort:
        Log(u"中止 (エラーダイアログで中止)");
        return Attempt::Aborted;
    }
  }
}

RetryingFetch::Outcome RetryingFetch::Fetch() {
  for (;;) {
    const Attempt got = FetchOnce();
    if (got == Attempt::Aborted) return Outcome::Aborted;
    if (policy_.cancel_after_fetch ? Cancelled() : got == Attempt::Cancelled)
      return Outcome::Cancelled;
    Text reason;
    int retry_after = -1;
    if (got == Attempt::ServerError) {
      reason = u"HTTP " + Int(http_status_);
      retry_after = std::min(retry_after_, kMaxRetryAfterMs / 1000);
    } else if (got == Attempt::Ignored) {
      reason = u"受信失敗";
    } else if (got == Attempt::Cancelled || FailedReceive(body_)) {
      reason = u"受信データ長 " + Int(static_cast<int64_t>(body_.size())) + u" バイト";
    } else {
      return Outcome::Page;
    }
    if (!RetryReceive(reason, retry_after)) {
      Log(u"データの取得に失敗しました");
      return Outcome::GaveUp;
    }
  }
}

bool RetryingFetch::RetryReceive(const Text& reason, int retry_after_seconds) {
  if (receive_retries_ >= policy_.receive_retries) return false;
  ++receive_retries_;
  const Text what = u"原因不明のエラーにより再試行(" + Int(receive_retries_) + u"/" +
                    Int(policy_.receive_retries) + u")";
  Status(policy_.status_prefix + u" - " + what);
  Log(reason + u" - " + what);
  if (hooks_.yield) hooks_.yield();
  int pause = policy_.pause_ms;
  if (retry_after_seconds > 0)
    pause = std::clamp(retry_after_seconds * 1000, policy_.pause_ms, kMaxRetryAfterMs);
  Pause(pause);
  return true;
}

void RetryingFetch::Pause(int milliseconds) {
  const int step = std::max(policy_.pause_ms, 1);
  for (int left = milliseconds; left > 0 && !Cancelled(); left -= step) {
    clock_.Sleep(std::min(left, step));
    if (hooks_.yield) hooks_.yield();
  }
}

}  // namespace pellucor
