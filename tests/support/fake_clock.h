// A Clock for tests: time moves only when the test or a Sleep moves it.
#pragma once

#include <vector>

#include "platform/clock.h"

namespace pellucor::testing {

class FakeClock : public Clock {
 public:
  DateTime now{2001, 5, 12, 13, 45, 0};
  std::vector<int> sleeps;  // every pause asked for, in milliseconds

  DateTime Now() override { return now; }
  void Sleep(int milliseconds) override {
    sleeps.push_back(milliseconds);
    now = AddSeconds(now, milliseconds / 1000);
  }
};

}  // namespace pellucor::testing
