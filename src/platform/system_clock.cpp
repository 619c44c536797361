#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/clock.h"

namespace pellucor {

DateTime SystemClock::Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

void SystemClock::Sleep(int milliseconds) {
  using std::chrono::steady_clock;
  // Short slices that look at the cancel request: the setter needs no way to wake us.
  constexpr auto kSlice = std::chrono::milliseconds(10);
  const auto end = steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  for (;;) {
    if (cancel_ && cancel_->load()) return;
    const auto now = steady_clock::now();
    if (now >= end) return;
    std::this_thread::sleep_for(std::min<steady_clock::duration>(end - now, kSlice));
  }
}

}  // namespace pellucor
