// A Shell for tests: records every launch and answers with the results it is given, so nothing
// ever opens a real window.
#pragma once

#include <deque>
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

  std::vector<Call> calls;
  // Results per call, in order; when a queue is empty the call succeeds.
  std::deque<bool> open_results, edit_results, explore_results;

  bool Open(const Text& target) override { return Record(Kind::Open, target, open_results); }
  bool Edit(const Text& file) override { return Record(Kind::Edit, file, edit_results); }
  bool Explore(const Text& folder) override {
    return Record(Kind::Explore, folder, explore_results);
  }

 private:
  bool Record(Kind kind, const Text& target, std::deque<bool>& results) {
    calls.push_back({kind, target});
    if (results.empty()) return true;
    bool r = results.front();
    results.pop_front();
    return r;
  }
};

}  // namespace pellucor::testing
