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
#include <string>
#include <vector>

#include "app/main_form.h"
#include "common/format.h"
#include "common/text.h"
#include "engine/definitions.h"
#include "engine/extract.h"
#include "engine/template.h"
#include "history/store.h"
#include "platform/clock.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace pellucor {

struct RunState;
class RunJournal;

// A file as the run's journal knows it: its length after the last write, and its last bytes.
struct TrackedFile {
  Text path;
  int64_t length = -1;  // -1: absent
  std::string tail;
};

// What the end and stop steps need from the history store and the result viewer.
class RunHooks {
 public:
  virtual ~RunHooks() = default;
  // UpdateHistoryRecord: creates the record when state.history_index is -1 (and stores the
  // new index there), then fills it from the window and the run state.
  virtual void UpdateHistory(RunState& state) = 0;
  // SaveHistory: writes the history store; errors are ignored.
  virtual void SaveHistory() = 0;
  // The result viewer (the user asked to see the result).
  virtual void ShowResult() = 0;
};

// The world a run works in; outlives the run.
struct RunEnv {
  MainForm& form;
  Ui& ui;
  Clock& clock;
  Shell& shell;
  RunHooks& hooks;
  const DefinitionCatalog& catalog;
  Text program_dir;   // ends with the separator
  Text version_text;  // VersionText, for <@SYS_APP_VER>
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
  int history_index = -1;  // the matching history record, -1 for none

  bool open_while_collecting = false;  // from Check_Read

  double first_number = 0;    // Text_from when the run started
  double current_number = 0;  // N: the message being handled
  double highest_number = 0;  // the board's newest number as last read (Check_MaxMsg)

  double last_handled = 0;  // kept by the writer for the history record
  int32_t handled_count = 0;
  int32_t unwritten = 0;  // writes the user chose to skip (Ignore)

  // The split state after the last message written, where an abort leaves the history.
  int32_t committed_split_key = 1;
  int32_t committed_file_message_count = 0;

  // The run's journal (engine/run_journal.h), when it has one, and what it records.
  RunJournal* journal = nullptr;
  HistoryRecord history_key;  // the record the run was looked up by
  bool history_devide = false;
  TrackedFile journal_out, journal_index;
  std::string journal_footer;  // the footer slot of journal_out as a cancel would write it (hex)
  Text journal_footer_path;
  bool journal_footer_fixed = false;
  std::vector<Text> journal_unsynced;  // files finished since the last record
  std::string journal_common;          // settings and history key, as last recorded
  Text journal_common_sig;

  std::vector<Text> values;  // item values of the current message

  Text previous_path;  // output file of the previous message of this run ("" before the first)
  Text open_path;      // output file begun by this run and not yet given its footer
};

enum class Step {
  Continue,  // go on with the run
  End,       // the run is over; its closing steps (messages, history) have been done
};

// The system macro values read from the window now.
MacroContext MacroContextOf(RunEnv& env);

// The path of the output file (or of its title index) for a split key and file message count.
Text BuildOutputFileName(MainForm& form, const DefinitionCatalog& catalog, int32_t split_key,
                         int32_t file_message_count, bool index);
Text BuildOutputFileName(RunEnv& env, const RunState& state, bool index);

// "ファイル（path）が既に存在します" CR LF "このファイルにデータを追加しますか？"
Text AppendQuestionText(TextView path);

// Title-naming step (first message, Check_TopicToFilename checked): Text_out becomes the
// folder + the title as a file name + "." + mark. Ends the run on an empty title or a No to
// the append question (without saving the history).
Step NameOutputAfterTitle(RunEnv& env, RunState& state);

// Split step (every message, Check_devide checked): updates the split key and file message
// count. May end the run on a No to the append question.
Step SplitStep(RunEnv& env, RunState& state);

// The write step of one message: header of a new file, the message, the title index entry,
// the open-while-collecting step; then the handled count grows, the window gets a yield and
// state.current_number moves on by one.
Step WriteMessage(RunEnv& env, RunState& state);

// Title naming at the first message, the split step and the write step, as the fetch loop
// calls them for every message.
Step OutputMessage(RunEnv& env, RunState& state);

// Opens the file for appending (creating it), writes the text and CR LF in CP932, closes it.
// 0, or the errno of the failure.
int AppendLine(TextView path, TextView text);

// Writes the 200-byte footer slot of the current output file.
Step FinishOutputFile(RunEnv& env, RunState& state);

// Normal end (N has passed Text_to): footer, history record, Text_from/Text_to moved on, the
// question whether to show the result, "取得完了", history saved.
void EndRun(RunEnv& env, RunState& state);

// Early end (cancel, network failure, No in the invalid-page question): when something was
// written, footer, history record and Text_from = N; the history is saved in every case.
void StopRun(RunEnv& env, RunState& state);

// Abort in the general error dialog, and every other end after an error: as after a cancel,
// the current output file gets its footer and, when something was written, the history record
// and Text_from stand just past the last message written; the history is saved. Write errors
// here are not reported again.
void AbortRun(RunEnv& env, RunState& state);

// "出力ファイル（path）はファイルではありません" ...: a folder, FIFO or device where an output
// file belongs; such a path is refused at once, never opened for writing.
Text NotAFileText(TextView path);
bool ExistsButNotAFile(TextView path);

// For tests: the output bytes the disk can still take in this process; past them every write
// fails with ENOSPC, as on a full disk (after writing what fits). Negative: no limit.
void SetOutputSpaceForTesting(int64_t bytes);

}  // namespace pellucor
