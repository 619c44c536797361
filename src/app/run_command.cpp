#include "app/run_command.h"

#include <algorithm>
#include <climits>

#include "app/history_messages.h"
#include "app/main_form.h"
#include "app/run_dialogs.h"
#include "app/run_journal.h"
#include "common/filename.h"
#include "common/files.h"
#include "common/format.h"
#include "common/numeric.h"
#include "engine/run_driver.h"
#include "history/store.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace pellucor {
namespace {

template <class C, class V>
void SetIfChanged(C& control, const V& value) {
  if (control.Value() != value) control.SetValue(value);
}

void SetIndexIfChanged(ChoiceControl& control, int index) {
  if (control.Index() != index) control.SetIndex(index);
}

int32_t ToInt32(const Text& text) {
  int64_t v = WholeValue(text);
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

RunRequest RequestOf(MainForm& f) {
  RunRequest r;
  r.url1 = f.Text_url1().Value();
  r.url2 = f.Text_url2().Value();
  r.from = f.Text_from().Value();
  r.to = f.Text_to().Value();
  r.max_msg = f.Check_MaxMsg().Value() != 0;
  r.board = f.Combo_bbs().Index();
  r.output = f.Combo_out().Index();
  r.out = f.Text_out().Value();
  r.topic_to_filename = f.Check_TopicToFilename().Value() != 0;
  r.devide = f.Check_devide().Value() != 0;
  r.devide_kind = f.Option_devidekind().Index();
  r.devide_count = f.Text_devidecnt().Value();
  r.devide_date_kind = f.Combo_devidedatekind().Index();
  r.devide_file_size = f.Text_devidefilesize().Value();
  r.create_title_index = f.Check_CreateTitleIndex().Value() != 0;
  r.no_out_blank = f.Check_nooutblank().Value() != 0;
  r.read = f.Check_Read().Value() != 0;
  r.error_mode = f.Option_Error().Index();
  r.error_log = f.Check_Error_Log().Value() != 0;
  r.proxy = f.Option_Proxy().Index();
  r.proxy_address = f.Text_Proxy_address().Value();
  r.proxy_port = f.Text_Proxy_port().Value();
  r.timeout = f.Text_Timeout().Value();
  r.retry = f.Text_Retry().Value();
  return r;
}

void SetRequest(MainForm& f, const RunRequest& r) {
  WriteBack(f, r);
  SetIfChanged(f.Text_url1(), r.url1);
  SetIfChanged(f.Text_url2(), r.url2);
  SetIfChanged(f.Check_MaxMsg(), r.max_msg ? 1 : 0);
  SetIndexIfChanged(f.Combo_bbs(), r.board);
  SetIndexIfChanged(f.Combo_out(), r.output);
  SetIfChanged(f.Check_devide(), r.devide ? 1 : 0);
  SetIndexIfChanged(f.Option_devidekind(), r.devide_kind);
  SetIndexIfChanged(f.Combo_devidedatekind(), r.devide_date_kind);
  SetIfChanged(f.Text_devidefilesize(), r.devide_file_size);
  SetIfChanged(f.Check_CreateTitleIndex(), r.create_title_index ? 1 : 0);
  SetIfChanged(f.Check_nooutblank(), r.no_out_blank ? 1 : 0);
  SetIfChanged(f.Check_Read(), r.read ? 1 : 0);
  SetIfChanged(f.Check_Error_Log(), r.error_log ? 1 : 0);
  SetIndexIfChanged(f.Option_Proxy(), r.proxy);
  SetIfChanged(f.Text_Proxy_address(), r.proxy_address);
  SetIfChanged(f.Text_Proxy_port(), r.proxy_port);
  SetIfChanged(f.Text_Timeout(), r.timeout);
  SetIfChanged(f.Text_Retry(), r.retry);
}

void WriteBack(MainForm& f, const RunRequest& r) {
  SetIfChanged(f.Text_from(), r.from);
  SetIfChanged(f.Text_to(), r.to);
  SetIfChanged(f.Text_out(), r.out);
  SetIfChanged(f.Text_devidecnt(), r.devide_count);
  SetIfChanged(f.Check_TopicToFilename(), r.topic_to_filename ? 1 : 0);
  SetIndexIfChanged(f.Option_Error(), r.error_mode);
}

void SetRunState(MainForm& form, Ui& ui, bool running) {
  if (running) {
    form.cancel_requested = form.cancel_at_start.exchange(false);
    for (Control* c : form.AllControls()) c->SetEnabled(false);
    form.Command_Cancel().SetEnabled(true);
    form.Label_status().SetEnabled(true);
    ui.SetBusy(true);
  } else {
    ui.SetBusy(false);
    for (Control* c : form.AllControls()) c->SetEnabled(true);
    form.Command_Cancel().SetEnabled(false);
    form.Text_to().SetEnabled(form.Check_MaxMsg().Value() == 0);
    form.cancel_requested = true;
  }
}

ProgramRunHooks::ProgramRunHooks(Program& program, std::function<void()> show_result)
    : program_(program), show_result_(std::move(show_result)) {}

ProgramRunHooks::~ProgramRunHooks() = default;

std::optional<HistoryCarry> ProgramRunHooks::LookUp(const Job& job) {
  key_ = HistoryRecord();
  key_.url1 = job.url1;
  key_.url2 = job.url2;
  key_.outputTypeFile = job.output ? job.output->file : Text();
  key_.outputPath = job.output_path;
  key_.divideKind = IntegerText(job.request.devide_kind);
  devide_ = job.split.enabled;
  index_ = FindHistoryRecord(program_.history, key_, devide_);
  if (index_ < 0) return std::nullopt;
  const HistoryRecord& r = program_.history[index_];
  return HistoryCarry{ToInt32(r.splitKey), ToInt32(r.fileMessageCount), r.title};
}

bool ProgramRunHooks::Claim(const Job& job) {
  Text target = (job.topic_to_filename
                     ? u"title|" + job.url1 + u"|" + job.url2 + u"|" + FolderPart(job.output_path)
                     : u"file|" + job.output_path) +
                u"|" + IntegerText(job.split.enabled ? job.request.devide_kind : -1);
  bool busy = false;
  claim_ = LockJob(program_.directory, target, busy);
  return !busy;
}

void ProgramRunHooks::UpdateHistory(const Job& job, const RunState& state) {
  RunSummary run;
  if (job.board) {
    run.board_file = job.board->file;
    run.board_name = job.board->name;
  }
  if (job.output) run.output_type_file = job.output->file;
  run.split_key = state.split_key;
  run.file_message_count = state.file_message_count;
  run.title = state.topic_title;
  run.last_message = state.last_handled;
  run.handled = state.handled_count;
  run.start = state.start_time;
  run.end = program_.clock.Now();
  UpdateHistoryRecord(program_.history, index_, job, run);
}

void ProgramRunHooks::SaveHistory() {
  if (!pellucor::SaveHistory(program_.history_path, program_.history, program_.history_base)) {
    ShowHistorySaveFailed(program_.ui, program_.history_path);
    save_failed_ = true;
  }
}

RunCheckpoint* ProgramRunHooks::Checkpoint(const RunEnv& env) {
  if (program_.journal) program_.journal->Discard();
  program_.journal = RunJournal::Create(program_.directory);
  if (!program_.journal) return nullptr;
  checkpoint_ =
      std::make_unique<JournalCheckpoint>(*program_.journal, env, key_, devide_, owes_settings_);
  return checkpoint_.get();
}

RunOutcome RunCollection(Program& program, RunHooks& hooks) {
  RunDialogs dialogs(program.ui, program.form);
  RunRequest request = RequestOf(program.form);
  std::optional<Job> job = BuildJob(request, program.catalog, program.clock, dialogs);
  WriteBack(program.form, request);
  if (!job) return RunOutcome::Ended;

  // 11-12: the definitions.
  auto board = LoadBoardDefinition(*job->board, program.directory);
  if (!board) {
    ShowDefinitionError(program.ui, board.error());
    return RunOutcome::Ended;
  }
  if (!job->output) {
    dialogs.Notice(RunNotice::NoOutputType);
    return RunOutcome::Ended;
  }
  auto output = LoadOutputType(*job->output, program.directory);
  if (!output) {
    ShowDefinitionError(program.ui, output.error());
    return RunOutcome::Ended;
  }

  RunWorld world{dialogs,           hooks,          program.clock, program.shell, program.http,
                 program.directory, program.version};
  world.overlap = program.overlap;
  return RunJob(*job, std::move(*board), std::move(*output), world);
}

RunOutcome RunCommand(Program& program, std::function<void()> show_result) {
  ProgramRunHooks hooks(program, std::move(show_result));
  SetRunState(program.form, program.ui, true);
  RunOutcome outcome = RunCollection(program, hooks);
  if (outcome == RunOutcome::Finished && hooks.save_failed()) outcome = RunOutcome::Incomplete;
  SetRunState(program.form, program.ui, false);
  return outcome;
}

}  // namespace pellucor
