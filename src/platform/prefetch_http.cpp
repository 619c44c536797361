#include "platform/prefetch_http.h"

#include <chrono>

namespace pellucor {
namespace {

// How often a caller waiting for the request ahead is asked whether to go on, as the inner
// client asks while a transfer is under way.
constexpr auto kIdleEvery = std::chrono::milliseconds(50);

}  // namespace

PrefetchingHttpClient::~PrefetchingHttpClient() {
  Drop();
  if (worker_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }
}

void PrefetchingHttpClient::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || state_ == State::Running; });
    if (quit_) return;
    const Text url = url_;
    lock.unlock();
    FetchResult r = inner_.Fetch(url, [this] { return abandon_.load(); });
    lock.lock();
    result_ = std::move(r);
    state_ = State::Done;
    changed_.notify_all();
  }
}

void PrefetchingHttpClient::Prefetch(const Text& url) {
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Idle) return;
    url_ = url;
    state_ = State::Running;
  }
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  changed_.notify_all();
}

void PrefetchingHttpClient::Drop() {
  std::unique_lock lock(mutex_);
  if (state_ == State::Idle) return;
  abandon_ = true;
  changed_.wait(lock, [this] { return state_ == State::Done; });
  abandon_ = false;
  result_ = FetchResult();
  state_ = State::Idle;
}

// The settings of a request ahead were those of its time; a change applies from the next one.
void PrefetchingHttpClient::SetAccessType(int type) {
  Drop();
  inner_.SetAccessType(type);
}

void PrefetchingHttpClient::SetProxy(const Text& address_and_port) {
  Drop();
  inner_.SetProxy(address_and_port);
}

void PrefetchingHttpClient::SetTimeout(int seconds) {
  Drop();
  inner_.SetTimeout(seconds);
}

FetchResult PrefetchingHttpClient::Fetch(const Text& url, const std::function<bool()>& idle) {
  {
    std::unique_lock lock(mutex_);
    if (state_ != State::Idle && url_ == url) {
      while (!changed_.wait_for(lock, kIdleEvery, [this] { return state_ == State::Done; })) {
        lock.unlock();
        const bool stop = idle && idle();
        lock.lock();
        if (stop && state_ != State::Done) {
          abandon_ = true;
          changed_.wait(lock, [this] { return state_ == State::Done; });
          abandon_ = false;
          result_ = FetchResult();
          result_.status = FetchResult::Status::Cancelled;
        }
      }
      FetchResult r = std::move(result_);
      result_ = FetchResult();
      state_ = State::Idle;
      return r;
    }
  }
  Drop();
  return inner_.Fetch(url, idle);
}

}  // namespace pellucor
