// The stages one collection run passes each message through after it has been fetched and
// decoded, and the steps that close a run. The fetch loop calls them in this order:
//
//   page = PreparePage(DecodePage(bytes, board.charchange), board)
//   state.values = ExtractItems(page, board)
//   (invalid-page question when AllItemsEmpty(state.values); excerpt from StripTags)
//   CleanUpItems(state.values, board, output.special, state.topic_title)
//   (highest-number check)
//   if (OutputMessage(env, state) == Step::End) return;   // names, splits, writes, N += 1
//
// and after the last message EndRun, or StopRun on a cancel, a network failure or a No.
// Every file write opens, seeks, writes and closes: nothing stays open between messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/format.h"
#include "common/text.h"
#include "engine/definitions.h"
#include "engine/extract.h"
#include "engine/job.h"
#include "engine/output_files.h"
#include "engine/run_intents.h"
#include "engine/template.h"
#include "platform/clock.h"
#include "platform/shell.h"

namespace pellucor {

struct RunEnv;
struct RunState;
class RunCheckpoint;

// What a matching history record hands to a run: its split state and topic title.
struct HistoryCarry {
  int32_t split_key = 1;
  int32_t file_message_count = 0;
  Text title;
};

// The history store and the result viewer as the set-up, end and stop steps of a run reach
// them; the front end implements them.
class RunHooks {
 public:
  virtual ~RunHooks() = default;
  // The record of this job in the history, looked up once before the run.
  virtual std::optional<HistoryCarry> LookUp(const Job& job) = 0;
  // Marks that this job writes its output now; false when another run writes there already.
  virtual bool Claim(const Job& job) = 0;
  // Writes the run's history record (created at the first call when the job had none) from the
  // job and the run state.
  virtual void UpdateHistory(const Job& job, const RunState& state) = 0;
  // Writes the history store; errors are ignored.
  virtual void SaveHistory() = 0;
  // The result viewer (the user asked to see the result).
  virtual void ShowResult() = 0;
  // The run's checkpoint from its first message on (nullptr: the run goes on without one).
  virtual RunCheckpoint* Checkpoint(const RunEnv& env) = 0;
};

// The run's progress kept on disk, so that a run killed at any moment can be closed afterwards
// as a cancel would have closed it. The writer reports every step of its files here.
class RunCheckpoint {
 public:
  virtual ~RunCheckpoint() = default;
  // After each message written (and once at the start): what a cancel would leave now.
  virtual void AfterMessage(const RunState& state) = 0;
  // Before a file is begun: how to undo what beginning it will change.
  virtual void BeforeBegin(const RunState& state, const Text& path, const Text& index) = 0;
  // The output file in hand changed to `path`.
  virtual void Began(const Text& path) = 0;
  // `bytes` were appended to the output file and `index_bytes` to the title index (when
  // `index` is not empty).
  virtual void Wrote(const Text& path, std::string_view bytes, const Text& index,
                     std::string_view index_bytes) = 0;
  // A file of the series got its footer; it is flushed with the next record.
  virtual void Finished(const Text& path) = 0;
  // After the run's closing steps: the history is saved.
  virtual void Closed(const RunState& state) = 0;
};

// The world a run works in; outlives the run.
struct RunEnv {
  Job& job;  // moved on by the run (range, output path, error mode)
  RunIntents& intents;
  Clock& clock;
  Shell& shell;
  RunHooks& hooks;
  Text program_dir;   // ends with the separator
  Text version_text;  // VersionText, for <@SYS_APP_VER>
  RunCheckpoint* checkpoint = nullptr;
};

// Everything one run keeps; dropped when it ends (the split state and topic title go into
// its history record).
struct RunState {
  BoardDefinition board;
  OutputType output;

  DateTime start_time;
  bool ask_again = true;  // the invalid-page follow-up question may still be asked

  // Split state: taken over from a matching history record, else (1, 0).
  int32_t split_key = 1;
  int32_t file_message_count = 0;
  int32_t previous_split_key = 1;
  Text topic_title;

  bool open_while_collecting = false;  // opened once, at the first message written

  double first_number = 0;    // the first message of the run
  double current_number = 0;  // N: the message being handled
  double highest_number = 0;  // the board's newest number as last read (max-message flag)

  double last_handled = 0;  // kept by the writer for the history record
  int32_t handled_count = 0;
  int32_t unwritten = 0;  // writes the user chose to skip (Ignore)

  // The split state after the last message written, where an abort leaves the history.
  int32_t committed_split_key = 1;
  int32_t committed_file_message_count = 0;

  std::vector<Text> values;  // item values of the current message

  Text previous_path;  // output file of the previous message of this run ("" before the first)
  Text open_path;      // output file begun by this run and not yet given its footer
};

enum class Step {
  Continue,  // go on with the run
  End,       // the run is over; its closing steps (messages, history) have been done
};

// The system macro values of the job.
MacroContext MacroContextOf(const Job& job, const Text& version_text);
inline MacroContext MacroContextOf(const RunEnv& env) {
  return MacroContextOf(env.job, env.version_text);
}

// The path of the output file (or of its title index) for a split key and file message count.
Text BuildOutputFileName(const Job& job, int32_t split_key, int32_t file_message_count, bool index);
Text BuildOutputFileName(const RunEnv& env, const RunState& state, bool index);

// Title-naming step (first message, title naming on): the output path becomes the folder + the
// title as a file name + "." + mark. Ends the run on an empty title or a No to the append
// question (without saving the history).
Step NameOutputAfterTitle(RunEnv& env, RunState& state);

// Split step (every message, splitting on): updates the split key and file message count. May
// end the run on a No to the append question.
Step SplitStep(RunEnv& env, RunState& state);

// The write step of one message: header of a new file, the message, the title index entry,
// the open-while-collecting step; then the handled count grows, the front end gets a yield and
// state.current_number moves on by one.
Step WriteMessage(RunEnv& env, RunState& state);

// Title naming at the first message, the split step and the write step, as the fetch loop
// calls them for every message.
Step OutputMessage(RunEnv& env, RunState& state);

// Writes the 200-byte footer slot of the current output file.
Step FinishOutputFile(RunEnv& env, RunState& state);

// Normal end (N has passed the range): footer, history record, the range moved on, the
// question whether to show the result, "取得完了", history saved.
void EndRun(RunEnv& env, RunState& state);

// Early end (cancel, network failure, No in the invalid-page question): when something was
// written, footer, history record and the first number = N; the history is saved in every case.
void StopRun(RunEnv& env, RunState& state);

// Abort in the general error dialog, and every other end after an error: as after a cancel,
// the current output file gets its footer and, when something was written, the history record
// and the first number stand just past the last message written; the history is saved. Write
// errors here are not reported again.
void AbortRun(RunEnv& env, RunState& state);

}  // namespace pellucor
