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

long ElapsedMs(Steady::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<milliseconds>(Steady::now() - since).count());
}

TEST(SystemClockTest, PauseEndsWhenTheCancelRequestComes) {
  std::atomic<bool> cancel{false};
  SystemClock clock;
  clock.InterruptOn(&cancel);

  // A minute's pause, cancelled from the window's thread after a moment.
  auto start = Steady::now();
  std::thread canceller([&] {
    std::this_thread::sleep_for(milliseconds(30));
    cancel = true;
  });
  clock.Sleep(60000);
  canceller.join();
  EXPECT_LT(ElapsedMs(start), 10000);
  EXPECT_GE(ElapsedMs(start), 30);

  // While the request stands, a pause does not begin at all.
  start = Steady::now();
  clock.Sleep(60000);
  EXPECT_LT(ElapsedMs(start), 10000);

  // Without one, the pause is whole.
  cancel = false;
  start = Steady::now();
  clock.Sleep(40);
  EXPECT_GE(ElapsedMs(start), 40);
}

}  // namespace
}  // namespace pellucor
