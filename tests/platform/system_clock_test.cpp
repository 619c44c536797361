// The pauses of the real clock: a cancel request cuts them short from another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace pellucor {
namespace {

using std::chrono::milliseconds;
using Steady = std::chrono::steady_clock;

TEST(SystemClockTest, PauseEndsWhenTheCancelRequestComes) {
  std::atomic<bool> cancel{false};
  SystemClock clock;
  clock.InterruptOn(&cancel);
  auto pause = [&](int ms) {
    const auto start = Steady::now();
    clock.Sleep(ms);
    return std::chrono::duration_cast<milliseconds>(Steady::now() - start).count();
  };
  // A minute's pause, cancelled from the window's thread after a moment.
  std::thread canceller([&] {
    std::this_thread::sleep_for(milliseconds(30));
    cancel = true;
  });
  const auto cut = pause(60000);
  canceller.join();
  EXPECT_TRUE(cut >= 30 && cut < 10000) << cut;
  EXPECT_LT(pause(60000), 10000);  // while the request stands, a pause does not begin at all
  cancel = false;
  EXPECT_GE(pause(40), 40);  // without one, the pause is whole
}

}  // namespace
}  // namespace pellucor
