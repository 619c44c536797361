// A Clock for tests: time moves only when the test or a Sleep moves it.
#pragma once

#include <vector>

#include "platform/clock.h"

namespace pellucor::testing {

class FakeClock : public Clock {
 public:
  DateTime now{2001, 5, 12, 13, 45, 0};
  std::vector<int> sleeps;  // every pause asked for, in milliseconds
  int advance_per_now = 0;  // seconds added after each Now(), to simulate work

  DateTime Now() override {
    DateTime t = now;
    if (advance_per_now) now = AddSeconds(now, advance_per_now);
    return t;
  }
  void Sleep(int milliseconds) override {
    sleeps.push_back(milliseconds);
    now = AddSeconds(now, milliseconds / 1000);
  }
};

}  // namespace pellucor::testing
