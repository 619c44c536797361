// One collection run as the Run command starts it: the window is locked, the values are checked
// in their fixed order, the output path completed, the definitions loaded, the job looked up in
// the history, and the fetch loop entered.
#pragma once

#include <functional>

#include "app/program.h"
#include "engine/fetch_loop.h"
#include "engine/pipeline.h"

namespace pellucor {

// Running: cancel request cleared, every control but Cancel and the status line disabled, busy
// pointer. Idle: the reverse, Text_to enabled only without Check_MaxMsg, cancel request set.
void SetRunState(MainForm& form, Ui& ui, bool running);

// The history store and the result viewer as the end and stop steps of a run reach them.
class ProgramRunHooks : public RunHooks {
 public:
  ProgramRunHooks(Program& program, std::function<void()> show_result)
      : program_(program), show_result_(std::move(show_result)) {}
  void UpdateHistory(RunState& state) override;
  void SaveHistory() override;
  void ShowResult() override {
    if (show_result_) show_result_();
  }
  bool save_failed() const { return save_failed_; }

 private:
  Program& program_;
  std::function<void()> show_result_;
  bool save_failed_ = false;
};

// The run itself (between SetRunState(true) and SetRunState(false)).
RunOutcome RunCollection(Program& program, RunHooks& hooks);

// SetRunState, RunCollection with ProgramRunHooks, SetRunState: the Run command.
RunOutcome RunCommand(Program& program, std::function<void()> show_result = {});

}  // namespace pellucor
