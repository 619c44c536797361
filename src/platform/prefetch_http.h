// One request sent ahead: while the caller works on one page, the next address is fetched on a
// background thread through the same client, and the next Fetch of that address returns its
// answer as if it had been sent then. The client is never used by two threads at once: a
// Fetch waits for the request ahead, and a request ahead starts only between Fetches.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/http.h"

namespace pellucor {

class PrefetchingHttpClient : public HttpClient {
 public:
  explicit PrefetchingHttpClient(HttpClient& inner) : inner_(inner) {}
  // Abandons a request still under way.
  ~PrefetchingHttpClient() override;
  PrefetchingHttpClient(const PrefetchingHttpClient&) = delete;
  PrefetchingHttpClient& operator=(const PrefetchingHttpClient&) = delete;

  // Sends the request of `url` now, on the background thread; nothing when one is ahead
  // already. The caller sends it only when its next Fetch is certain to ask for `url`, unless
  // the caller stops.
  void Prefetch(const Text& url);
  // Abandons the request ahead, if any, and returns once its transfer has stopped (the inner
  // client's idle check, at most about 50 ms).
  void Drop();

  void SetAccessType(int type) override;
  void SetProxy(const Text& address_and_port) override;
  void SetTimeout(int seconds) override;
  // The answer of the request ahead when it was for `url`, waited for with `idle` called as
  // the inner client would call it (a cancel abandons it); else a request of its own.
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override;

 private:
  enum class State { Idle, Running, Done };
  void Work();

  HttpClient& inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Idle;
  bool quit_ = false;
  std::atomic<bool> abandon_{false};
  Text url_;
  FetchResult result_;
  std::thread worker_;  // started by the first Prefetch
};

}  // namespace pellucor
