// Time as the logic sees it: the current local date and time, and blocking pauses.
#pragma once

#include "common/format.h"

namespace pellucor {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() = 0;  // local time, whole seconds
  virtual void Sleep(int milliseconds) = 0;
};

class SystemClock : public Clock {
 public:
  DateTime Now() override;
  void Sleep(int milliseconds) override;
};

}  // namespace pellucor
