// The Run command: the window's values become a checked Job, the definitions are loaded, the
// engine runs the job, and what the run changes goes back into the window's controls as it
// happens. The history store, the result viewer and the run's journal are the engine's hooks.
#pragma once

#include <functional>
#include <memory>

#include "app/program.h"
#include "engine/fetch_loop.h"
#include "engine/job.h"
#include "engine/pipeline.h"

namespace pellucor {

class MainForm;
class Ui;

// The request as the window's controls hold it.
RunRequest RequestOf(MainForm& form);
// Every control of the request set from it.
void SetRequest(MainForm& form, const RunRequest& request);
// The controls a run may change set back from a request, only where they differ: the range,
// the output path, the split count, title naming and the error mode.
void WriteBack(MainForm& form, const RunRequest& request);

// Running: cancel request cleared, every control but Cancel and the status line disabled, busy
// pointer. Idle: the reverse, Text_to enabled only without Check_MaxMsg, cancel request set.
void SetRunState(MainForm& form, Ui& ui, bool running);

// The history store, the result viewer and the journal as a run of the program reaches them.
class ProgramRunHooks : public RunHooks {
 public:
  ProgramRunHooks(Program& program, std::function<void()> show_result);
  ~ProgramRunHooks() override;

  std::optional<HistoryCarry> LookUp(const Job& job) override;
  bool Claim(const Job& job) override;
  void UpdateHistory(const Job& job, const RunState& state) override;
  void SaveHistory() override;
  void ShowResult() override {
    if (show_result_) show_result_();
  }
  RunCheckpoint* Checkpoint(const RunEnv& env) override;
  bool save_failed() const { return save_failed_; }
  // The run leaves pellu.ini alone, also when it is closed after a kill (patrol).
  void LeaveSettings() { owes_settings_ = false; }

 private:
  Program& program_;
  std::function<void()> show_result_;
  bool save_failed_ = false;
  int index_ = -1;       // the job's history record, -1 for none yet
  HistoryRecord key_;    // what the job was looked up by
  bool devide_ = false;  // splitting was on when it was looked up
  bool owes_settings_ = true;
  std::shared_ptr<void> claim_;
  std::unique_ptr<RunCheckpoint> checkpoint_;
};

// The run itself (between SetRunState(true) and SetRunState(false)).
RunOutcome RunCollection(Program& program, RunHooks& hooks);

// SetRunState, RunCollection with ProgramRunHooks, SetRunState: the Run command.
RunOutcome RunCommand(Program& program, std::function<void()> show_result = {});

}  // namespace pellucor
