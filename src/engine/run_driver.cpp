#include "engine/run_driver.h"

#include "engine/run_journal.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "app/main_form.h"
#include "app/network.h"
#include "common/filename.h"
#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "history/store.h"
#include "platform/clock.h"

namespace pellucor {
namespace {

void Error(Ui& ui, const Text& text) {
  ui.MessageBox(text, kAppCaption, Icon::Critical, Buttons::Ok);
}

bool Ask(Ui& ui, const Text& text) {
  ui.Beep();
  return ui.MessageBox(text, kAppCaption, Icon::Question, Buttons::YesNo) == Answer::Yes;
}

bool EndsWith(TextView text, TextView tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

Text Decimal(int64_t v) {
  return FromUtf8(std::to_string(v));
}

int32_t ToInt32(const Text& text) {
  int64_t v = WholeValue(text);
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// A message number the run can count on by one: finite, and below 2^53, where N + 1 would
// give N again and the same page would be fetched for ever.
bool IsMessageNumberText(const Text& text) {
  if (!IsNumericText(text)) return false;
  const double v = NumericValue(text);
  return std::isfinite(v) && std::fabs(v) <= kMaxMessageNumber;
}

constexpr char16_t kNoBoard[] = u"掲示板設定ファイルが選択されていません";
constexpr char16_t kNoOutput[] = u"出力タイプ指定ファイルが選択されていません";

}  // namespace

void SetRunState(MainForm& form, Ui& ui, bool running) {
  if (running) {
    form.cancel_requested = false;
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

void ProgramRunHooks::UpdateHistory(RunState& state) {
  MainForm& form = program_.form;
  RunSummary run;
  if (const BoardEntry* b = program_.catalog.Board(form.Combo_bbs().Index())) {
    run.board_file = b->file;
    run.board_name = b->name;
  }
  if (const OutputEntry* o = program_.catalog.Output(form.Combo_out().Index()))
    run.output_type_file = o->file;
  run.split_key = state.split_key;
  run.file_message_count = state.file_message_count;
  run.title = state.topic_title;
  run.last_message = state.last_handled;
  run.handled = state.handled_count;
  run.start = state.start_time;
  run.end = program_.clock.Now();
  UpdateHistoryRecord(program_.history, state.history_index, form, run);
}

void ProgramRunHooks::SaveHistory() {
  if (!pellucor::SaveHistory(program_.history_path, program_.history, program_.ui,
                             program_.history_base))
    save_failed_ = true;
}

RunOutcome RunCollection(Program& program, RunHooks& hooks) {
  MainForm& form = program.form;
  Ui& ui = program.ui;
  const DefinitionCatalog& catalog = program.catalog;

  // 1-3: the address and the message numbers.
  if (TrimSpaces(form.Text_url1().Value()).empty()) {
    Error(ui, u"取得URL（左）が未入力です");
    return RunOutcome::Ended;
  }
  if (!IsMessageNumberText(form.Text_from().Value())) {
    Error(ui, u"取得メッセージ番号（左）に数値を入れてください");
    return RunOutcome::Ended;
  }
  if (form.Check_MaxMsg().Value() == 0) {
    if (!IsMessageNumberText(form.Text_to().Value())) {
      Error(ui, u"取得メッセージ番号（右）に数値を入れてください");
      return RunOutcome::Ended;
    }
    if (NumericValue(form.Text_to().Value()) < NumericValue(form.Text_from().Value())) {
      Error(ui, u"取得メッセージ番号は左より右を大きく設定してください");
      return RunOutcome::Ended;
    }
  } else {
    form.Text_to().SetValue(FormatNumber(NumericValue(form.Text_from().Value())));
  }

  // 4-8: output name, split count, network values.
  if (form.Text_out().Value().empty()) {
    Error(ui, u"出力ファイル名を指定してください");
    return RunOutcome::Ended;
  }
  Text offending;
  if (!ValidateFileName(form.Text_out().Value(), &offending)) {
    Error(ui, Text(u"出力ファイル名が不正です") + kCrLf + offending + u"が含まれています");
    return RunOutcome::Ended;
  }
  double devidecnt = NumericValue(form.Text_devidecnt().Value());
  if (devidecnt < 1 || devidecnt > 999999) {
    if (form.Check_devide().Value()) {
      Error(ui, u"分割メッセージ件数は1～999999の範囲で指定してください");
      return RunOutcome::Ended;
    }
    form.Text_devidecnt().SetValue(u"1000");
  }
  if (form.Text_Timeout().Value().empty()) {
    Error(ui, u"タイムアウト値を設定してください");
    return RunOutcome::Ended;
  }
  double timeout = NumericValue(form.Text_Timeout().Value());
  if (timeout <= 0 || timeout > 300) {
    Error(ui, u"正しいタイムアウト値（1～300）を設定してください");
    return RunOutcome::Ended;
  }
  double retry = NumericValue(form.Text_Retry().Value());
  if (retry < 0 || retry > 1000) {
    Error(ui, u"正しいリトライ回数（0～1000）を設定してください");
    return RunOutcome::Ended;
  }

  // 9: the shape of the output path.
  const Text sep(1, kSep);
  Text out = form.Text_out().Value();
  if (FindLast(out, sep) == 0) {
    Error(ui, u"出力ファイル名をフルパスで指定してください");
    return RunOutcome::Ended;
  }
  const OutputEntry* output_entry = catalog.Output(form.Combo_out().Index());
  if (out.back() == kSep) {
    if (form.Check_TopicToFilename().Value() == 0) {
      if (!Ask(ui,
               Text(u"出力ファイル名が未指定です") + kCrLf + u"タイトルをファイル名にしますか？")) {
        Error(ui, u"出力ファイル名を指定してください");
        return RunOutcome::Ended;
      }
      form.Check_TopicToFilename().SetValue(1);
    } else {
      if (!output_entry) {
        Error(ui, kNoOutput);
        return RunOutcome::Ended;
      }
      form.Text_out().SetValue(out + FormatStamp(program.clock.Now()) + u"." + output_entry->mark);
    }
  } else if (out.find(u'.') == Text::npos) {
    if (!output_entry) {
      Error(ui, kNoOutput);
      return RunOutcome::Ended;
    }
    form.Text_out().SetValue(out + u"." + output_entry->mark);
  }

  // 10: the message-number parameter at the end of the address.
  const BoardEntry* board_entry = catalog.Board(form.Combo_bbs().Index());
  if (!board_entry) {
    Error(ui, kNoBoard);
    return RunOutcome::Ended;
  }
  Text msgstr = TrimSpaces(board_entry->msgstr);
  if (!msgstr.empty() && !EndsWith(TrimSpaces(form.Text_url1().Value()), msgstr + u"=")) {
    Text q = u"取得URL（左）が '" + msgstr + u"=' で終わっていません" + kCrLf +
             u"取得URL（左）にメッセージ番号が含まれてしまっていませんか？" + kCrLf +
             u"メッセージ番号は取得メッセージ番号の欄で指定してください" + kCrLf + kCrLf +
             u"このままの設定で取得処理を実行しますか？" + kCrLf +
             u"URLの設定に間違いがない時は「はい(yes)」、戻ってURLを修正する時は「いいえ(no)"
             u"」を選択してください";
    if (!Ask(ui, q)) return RunOutcome::Ended;
  }

  // 11-12: the definitions.
  RunState state;
  auto board = LoadBoardDefinition(*board_entry, program.directory, ui);
  if (!board) return RunOutcome::Ended;
  if (!output_entry) {
    Error(ui, kNoOutput);
    return RunOutcome::Ended;
  }
  auto output = LoadOutputType(*output_entry, program.directory, ui);
  if (!output) return RunOutcome::Ended;
  state.board = std::move(*board);
  state.output = std::move(*output);

  RunEnv env{form,  ui,      program.clock,     program.shell,
             hooks, catalog, program.directory, program.version};

  // 13: the job in the history.
  state.start_time = program.clock.Now();
  HistoryRecord key;
  key.url1 = form.Text_url1().Value();
  key.url2 = form.Text_url2().Value();
  key.outputTypeFile = output_entry->file;
  key.outputPath = form.Text_out().Value();
  key.divideKind = Decimal(form.Option_devidekind().Index());
  state.history_index = FindHistoryRecord(program.history, key, form.Check_devide().Value() != 0);
  if (state.history_index >= 0) {
    const HistoryRecord& r = program.history[state.history_index];
    state.split_key = ToInt32(r.splitKey);
    state.file_message_count = ToInt32(r.fileMessageCount);
    state.topic_title = r.title;
  }
  state.previous_split_key = state.split_key;
  state.history_key = key;
  state.history_devide = form.Check_devide().Value() != 0;

  // The same job running elsewhere (another window or command) would interleave its messages.
  const bool topic = form.Check_TopicToFilename().Value() != 0;
  Text target = (topic ? u"title|" + form.Text_url1().Value() + u"|" + form.Text_url2().Value() +
                             u"|" + FolderPart(form.Text_out().Value())
                       : u"file|" + form.Text_out().Value()) +
                u"|" + Decimal(form.Check_devide().Value() ? form.Option_devidekind().Index() : -1);
  bool busy = false;
  std::shared_ptr<void> job = LockJob(program.directory, target, busy);
  if (busy) {
    Error(ui, u"同じ出力先（" + form.Text_out().Value() + u"）に取得中の処理が他にあります" +
                  kCrLf + u"その処理が終わってから実行してください");
    return RunOutcome::Ended;
  }

  // 14: appending to an existing single file; a folder, FIFO or device is refused at once.
  if (!form.Check_TopicToFilename().Value() && !form.Check_devide().Value()) {
    Text path =
        BuildOutputFileName(form, catalog, state.split_key, state.file_message_count + 1, false);
    if (ExistsButNotAFile(path)) {
      ui.Beep();
      Error(ui, NotAFileText(path));
      return RunOutcome::Ended;
    }
    if (FileExists(path) && !Ask(ui, AppendQuestionText(path))) return RunOutcome::Ended;
  }

  // 15-16: the network.
  form.Label_status().SetValue(u"初期設定");
  if (!ApplyNetworkSettings(form, program.http, ui)) {
    form.Label_status().SetValue(u"");
    return RunOutcome::Ended;
  }

  // 17: the fetch loop.
  state.first_number = state.current_number = NumericValue(form.Text_from().Value());
  state.open_while_collecting = form.Check_Read().Value() != 0;
  ErrorLog log(program.directory + u"error.log", form.Check_Error_Log().Value() != 0);
  // From here on a kill loses nothing: the journal lets the next start close the run.
  if (program.journal) program.journal->Discard();
  program.journal = RunJournal::Create(program.directory);
  state.journal = program.journal.get();
  CheckpointRun(env, state);
  RunOutcome outcome;
  try {
    outcome = FetchLoop(env, state, program.http, log);
  } catch (const std::exception& e) {
    // The run-wide handler: whatever failed unexpectedly, the history is kept.
    AskAbortRetryIgnore(env.ui, FromUtf8(e.what()));
    AbortRun(env, state);
    outcome = RunOutcome::Ended;
  }
  CheckpointClosed(env, state);
  return outcome;
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
