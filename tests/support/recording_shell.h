// A Shell for tests: records every launch and answers with the results it is given, so nothing
// ever opens a real window.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "platform/shell.h"

namespace pellucor::testing {

class RecordingShell : public Shell {
 public:
  enum class Kind { Open, Edit, Explore };
  struct Call {
    Kind kind;
    Text target;
  };

  std::vector<Call> calls;  // read directly only while no other thread uses the shell
  // Results per call, in order; when a queue is empty the call succeeds.
  std::deque<bool> open_results, edit_results, explore_results;

  bool Open(const Text& target) override { return Record(Kind::Open, target, open_results); }
  bool Edit(const Text& file) override { return Record(Kind::Edit, file, edit_results); }
  bool Explore(const Text& folder) override {
    return Record(Kind::Explore, folder, explore_results);
  }
  // The targets of one kind so far, also while a worker thread launches.
  std::vector<Text> Targets(Kind kind) const {
    std::lock_guard lock(mutex_);
    std::vector<Text> out;
    for (const Call& c : calls)
      if (c.kind == kind) out.push_back(c.target);
    return out;
  }

 private:
  bool Record(Kind kind, const Text& target, std::deque<bool>& results) {
    std::lock_guard lock(mutex_);
    calls.push_back({kind, target});
    if (results.empty()) return true;
    bool r = results.front();
    results.pop_front();
    return r;
  }
  mutable std::mutex mutex_;
};

}  // namespace pellucor::testing
