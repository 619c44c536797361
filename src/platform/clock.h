// Time as the logic sees it: the current local date and time, and pauses.
#pragma once

#include <atomic>

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
  // Ends early, within a few milliseconds, once `*cancel` (see InterruptOn) is true.
  void Sleep(int milliseconds) override;

  // The cancel request that cuts a pause short; the flag must outlive the clock's use. While
  // it is set a pause ends at once: a cancelled operation has nothing to wait for.
  void InterruptOn(const std::atomic<bool>* cancel) { cancel_ = cancel; }

 private:
  const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace pellucor
