// The fetch of one address with the program's retry rules, shared by a collection run and the
// definition update: time-outs retried at once up to the retry count, failed receives (an
// empty or oversized body, a server error) retried after a pause, and the Abort/Retry/Ignore
// question for any other failure. Each caller words its own ends (cancel, gave up, abort).
#pragma once

#include <functional>
#include <string>

#include "common/text.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/ui.h"

namespace pellucor {

// Where the callers' rules differ.
struct FetchPolicy {
  // The retry statuses are this text + " - " + what is retried ("msg( 12 ) 取得中").
  Text status_prefix;
  // Time-outs retried at once, without a question (the retry count of the network settings).
  double timeout_retries = 0;
  // Failed receives retried, each after a pause; the next one gives up.
  int receive_retries = 10;
  int pause_ms = 2000;
  // 5xx and 429 answers are failed receives, their Retry-After lengthening the pause (up to a
  // minute, taken in steps of pause_ms so that a cancel is seen within one). Otherwise the
  // body of any answer is the page.
  bool server_errors_fail = true;
  // Whether a cancel request seen after a completed fetch ends the fetch; otherwise only a
  // transfer the cancel broke off does.
  bool cancel_after_fetch = true;
};

// How the fetcher reaches the world; every member may be empty but `cancelled`.
struct FetchHooks {
  std::function<bool()> cancelled;           // the cancel request
  std::function<void()> yield;               // lets the front end breathe
  std::function<void(const Text&)> status;   // the status line
  std::function<void(const Text&)> log;      // one error-log line
  std::function<Recovery(const Text&)> ask;  // Abort/Retry/Ignore; empty: Abort
};

class RetryingFetch {
 public:
  enum class Outcome {
    Page,       // body() holds the page
    Cancelled,  // the cancel request was seen
    Aborted,    // Abort in the question after a failure
    GaveUp,     // the failed receives used up their retries
  };

  RetryingFetch(HttpClient& http, Clock& clock, FetchPolicy policy, FetchHooks hooks, Text url);

  // Fetches until a page arrives or the fetch ends otherwise. May be called again after
  // RetryReceive: the counts go on.
  Outcome Fetch();

  std::string& body() { return body_; }
  long http_status() const { return http_status_; }

  // One more failed receive for a reason of the caller (a page without items): the status,
  // the log line and the pause. False when the retries are used up (nothing is done then).
  bool RetryReceive(const Text& reason, int retry_after_seconds = -1);

 private:
  enum class Attempt { Page, ServerError, Ignored, Cancelled, Aborted };
  Attempt FetchOnce();
  void Pause(int milliseconds);
  void Status(const Text& text);
  void Log(const Text& text);
  bool Cancelled() const { return hooks_.cancelled && hooks_.cancelled(); }

  HttpClient& http_;
  Clock& clock_;
  FetchPolicy policy_;
  FetchHooks hooks_;
  Text url_;
  std::string body_;
  long http_status_ = 0;
  int retry_after_ = -1;
  int timeouts_ = 0;
  int receive_retries_ = 0;
};

}  // namespace pellucor
