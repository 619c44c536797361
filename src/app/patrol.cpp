#include "app/patrol.h"

#include "app/form_values.h"
#include "app/history_messages.h"
#include "app/main_form.h"
#include "app/network.h"
#include "app/run_command.h"
#include "app/run_dialogs.h"
#include "app/run_journal.h"
#include "app/wait_setting.h"
#include "common/numeric.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "engine/job.h"
#include "engine/pipeline.h"
#include "engine/run_driver.h"
#include "engine/run_intents.h"
#include "engine/template.h"
#include "history/patrol_marks.h"
#include "history/view.h"
#include "platform/http.h"
#include "platform/polite_http.h"

namespace pellucor {
namespace {

Text FirstLine(const Text& text) {
  size_t end = text.find_first_of(u"\r\n");
  return end == Text::npos ? text : text.substr(0, end);
}

// Answers what a loader or a check would show, remembering the first message as the reason.
class QuietUi : public Ui {
 public:
  explicit QuietUi(Ui& inner) : inner_(inner) {}
  Answer MessageBox(const Text& text, const Text&, Icon, Buttons buttons) override {
    if (reason.empty()) reason = FirstLine(text);
    switch (buttons) {
      case Buttons::Ok:
        return Answer::Ok;
      case Buttons::AbortRetryIgnore:
        return Answer::Abort;
      case Buttons::OkCancel:
      case Buttons::RetryCancel:
        return Answer::Cancel;
      default:
        return Answer::No;
    }
  }
  void Beep() override {}
  void Yield() override { inner_.Yield(); }
  std::optional<Text> InputBox(const Text&, const Text&, const Text&) override {
    return std::nullopt;
  }
  void SetBusy(bool) override {}

  Text reason;

 private:
  Ui& inner_;
};

// A patrol job's questions answered without the user: appending is what a patrol is for, the
// result is not shown, and anything else is declined (or aborted) and kept as the reason.
class PatrolIntents : public RunIntents {
 public:
  PatrolIntents(Ui& ui, const PatrolProgress& progress) : ui_(ui), progress_(progress) {}

  void Notice(RunNotice notice, const std::vector<Text>& args) override {
    Keep(RunNoticeText(notice, args));
  }
  bool UseTitleAsFileName() override { return false; }  // the notice that follows says why
  bool RunWithAddress(const Text& msgstr) override {
    Keep(u"取得URL（左）が '" + msgstr + u"=' で終わっていません");
    return false;
  }
  bool AppendToExisting(const Text&) override { return true; }
  bool CreateMissingFolder(const Text& folder) override {
    Keep(u"出力先のフォルダが存在しません（" + folder + u"）");
    return false;
  }
  bool GoOnAfterInvalidPage(TextView) override {
    Keep(u"有効なメッセージが取得できませんでした");
    return false;
  }
  bool AskAgainNextTime() override { return true; }
  bool ShowResult(int32_t) override { return false; }
  Recovery AfterFailure(const Text& description) override {
    Keep(description);
    return Recovery::Abort;
  }
  Recovery AfterWriteError(const Text& description) override {
    Keep(description);
    return Recovery::Abort;
  }
  void Status(const Text& text) override {
    if (progress_.status) progress_.status(text);
  }
  void Changed(const Job&) override {}
  void Yield() override { ui_.Yield(); }
  bool CancelRequested() override { return progress_.cancelled && progress_.cancelled(); }

  Text reason;

 private:
  void Keep(const Text& text) {
    if (reason.empty()) reason = FirstLine(text);
  }
  Ui& ui_;
  const PatrolProgress& progress_;
};

// The request of putting the record back, on the user's network settings and error handling,
// run up to the board's newest message.
RunRequest PatrolRequest(const RunRequest& user, const HistoryRecord& r,
                         const DefinitionCatalog& catalog) {
  const PutBack v = PutBackValues(r, catalog);
  RunRequest q = user;
  q.url1 = v.url1;
  q.url2 = v.url2;
  q.from = v.from;
  q.to = v.to;
  q.max_msg = true;
  // A definition the folder no longer has must not be replaced by whatever is selected.
  q.board = v.board_index;
  q.output = v.output_index;
  q.out = v.output_path;
  q.topic_to_filename = v.topic_to_filename != 0;
  q.devide = v.devide != 0;
  q.devide_count = v.devide_count;
  if (v.devide_kind >= 0) q.devide_kind = v.devide_kind;
  if (v.devide_date_kind >= 0) q.devide_date_kind = v.devide_date_kind;
  q.devide_file_size = v.devide_file_size;
  q.create_title_index = v.create_title_index != 0;
  q.no_out_blank = v.no_out_blank != 0;
  q.read = false;
  return q;
}

RunOutcome RunPatrolJob(Program& program, const HistoryRecord& record, PatrolIntents& intents) {
  RunRequest request = PatrolRequest(RequestOf(program.form), record, program.catalog);
  std::optional<Job> job = BuildJob(request, program.catalog, program.clock, intents);
  if (!job) return RunOutcome::Ended;
  auto board = LoadBoardDefinition(*job->board, program.directory);
  if (!board) {
    intents.reason = board.error().text;
    return RunOutcome::Ended;
  }
  if (!job->output) {
    intents.Notice(RunNotice::NoOutputType, {});
    return RunOutcome::Ended;
  }
  auto output = LoadOutputType(*job->output, program.directory);
  if (!output) {
    intents.reason = output.error().text;
    return RunOutcome::Ended;
  }
  ProgramRunHooks hooks(program, {});
  hooks.LeaveSettings();
  RunWorld world{intents,           hooks,          program.clock, program.shell, program.http,
                 program.directory, program.version};
  RunOutcome outcome = RunJob(*job, std::move(*board), std::move(*output), world);
  if (outcome == RunOutcome::Finished && hooks.save_failed()) {
    intents.reason = HistorySaveFailedReason();
    outcome = RunOutcome::Incomplete;
  }
  // The history is saved; the user's settings are owed nothing by a patrol.
  if (program.journal) program.journal->Discard();
  return outcome;
}

// The job's record as the run looks it up: the split kind counts only while splitting is on
// (a run writes it even then, so an older record's empty kind becomes "0").
int FindJob(const HistoryList& list, const HistoryRecord& job) {
  for (size_t i = 0; i < list.size(); ++i) {
    const HistoryRecord& r = list[i];
    if (r.url1 == job.url1 && r.url2 == job.url2 && r.outputTypeFile == job.outputTypeFile &&
        r.outputPath == job.outputPath &&
        (r.divideKind == job.divideKind || WholeValue(job.divide) == 0))
      return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

NewMessageCheck CheckNewMessages(Program& program, const HistoryRecord& record,
                                 const std::function<bool()>& cancelled) {
  NewMessageCheck check;
  check.last = NumericValue(record.lastMessage);
  check.newest = check.last;
  const BoardEntry* entry = nullptr;
  for (const BoardEntry& b : program.catalog.boards)
    if (b.file == record.boardFile) entry = &b;
  if (!entry) {
    check.error = u"掲示板設定ファイル（" + record.boardFile + u"）がありません";
    return check;
  }
  auto board = LoadBoardDefinition(*entry, program.directory);
  if (!board) {
    check.error = board.error().text;
    return check;
  }
  QuietUi quiet(program.ui);
  if (!ApplyNetworkSettings(program.form, program.http, quiet)) {
    check.error = quiet.reason;
    return check;
  }
  const Text url = record.url1 + FormatMessageNumber(check.last + 1, board->msg_keta) + record.url2;
  FetchResult r = program.http.Fetch(url, [&] {
    program.ui.Yield();
    return cancelled && cancelled();
  });
  if (r.status == FetchResult::Status::Cancelled) {
    check.error = u"キャンセルされました";
    return check;
  }
  if (r.status != FetchResult::Status::Ok) {
    check.error = r.status == FetchResult::Status::Timeout ? Text(u"タイムアウト") : r.error;
    return check;
  }
  if (r.http_status >= 400) {
    check.error = u"HTTP " + FromUtf8(std::to_string(r.http_status));
    return check;
  }
  std::vector<Text> items = ExtractItems(DecodePreparedPage(r.body, *board), *board);
  check.ok = true;
  if (AllItemsEmpty(items)) return check;  // the next message does not exist yet
  if (board->maxmsg_item >= 0) {
    const double highest = NumericValue(items[board->maxmsg_item]);
    if (highest > check.last) {
      check.newest = highest;
      return check;
    }
  }
  // The next message exists, but how many follow it is not on the page.
  check.newest_known = false;
  check.newest = check.last + 1;
  return check;
}

std::vector<PatrolReport> Patrol(Program& program, const std::vector<size_t>& indexes,
                                 const PatrolProgress& progress) {
  // A save merges with the file and may reorder the list: jobs are followed by what they are.
  std::vector<HistoryRecord> chosen;
  std::vector<size_t> numbers;
  for (size_t index : indexes) {
    if (index >= program.history.size()) continue;
    chosen.push_back(program.history[index]);
    numbers.push_back(index);
  }
  std::vector<PatrolReport> reports;
  bool stopped = false;
  for (size_t n = 0; n < chosen.size(); ++n) {
    PatrolReport& report = reports.emplace_back();
    report.index = numbers[n];
    report.title = chosen[n].title;
    if (stopped || (progress.cancelled && progress.cancelled())) {
      stopped = true;
      continue;  // NotStarted
    }
    const int at = FindJob(program.history, chosen[n]);
    if (at < 0) {
      report.outcome = PatrolReport::Outcome::Ended;
      report.reason = u"履歴から削除されています";
      continue;
    }
    const HistoryRecord before = program.history[at];
    if (progress.job_started) progress.job_started(n, chosen.size(), before);

    // A job with nothing new is not run: its run would end at the first page, finding no
    // message there, and report that as a stop.
    const NewMessageCheck check = CheckNewMessages(program, before, progress.cancelled);
    if (progress.cancelled && progress.cancelled()) {
      report.outcome = PatrolReport::Outcome::Cancelled;
      stopped = true;
      continue;
    }
    if (!check.ok) {
      report.outcome = PatrolReport::Outcome::Ended;
      report.reason = check.error;
      continue;
    }
    if (check.fresh() == 0) {
      report.outcome = PatrolReport::Outcome::Finished;
      continue;
    }

    PatrolIntents intents(program.ui, progress);
    const RunOutcome outcome = RunPatrolJob(program, before, intents);
    if (const int after = FindJob(program.history, before); after >= 0) {
      report.title = program.history[after].title;
      report.added =
          WholeValue(program.history[after].totalMessages) - WholeValue(before.totalMessages);
    }
    switch (outcome) {
      case RunOutcome::Finished:
        report.outcome = PatrolReport::Outcome::Finished;
        break;
      case RunOutcome::Cancelled:
        report.outcome = PatrolReport::Outcome::Cancelled;
        stopped = true;
        break;
      case RunOutcome::Incomplete:
      case RunOutcome::Ended:
        report.outcome = PatrolReport::Outcome::Ended;
        report.reason = intents.reason.empty() ? Text(u"途中で終了しました") : intents.reason;
        break;
    }
  }
  return reports;
}

Text CheckColumnText(const NewMessageCheck& check) {
  if (!check.ok) return u"×";
  return u"+" + FromUtf8(std::to_string(check.fresh())) + (check.newest_known ? u"" : u"?");
}

Text PatrolOutcomeText(const PatrolReport& report) {
  switch (report.outcome) {
    case PatrolReport::Outcome::Finished:
      return u"完了";
    case PatrolReport::Outcome::Ended:
      return u"中断: " + report.reason;
    case PatrolReport::Outcome::Cancelled:
      return u"キャンセル";
    case PatrolReport::Outcome::NotStarted:
      break;
  }
  return u"未実行";
}

std::vector<PatrolReport> PatrolMarkedJobs(Program& program) {
  MainForm& form = program.form;
  SortHistoryForWindow(program.history, program.clock.Now());
  const PatrolMarks marks = PatrolMarks::Load(PatrolMarksPath(program.directory));
  std::vector<size_t> jobs;
  for (size_t i = 0; i < program.history.size(); ++i)
    if (marks.IsMarked(program.history[i])) jobs.push_back(i);
  if (jobs.empty()) {
    program.ui.MessageBox(
        u"自動巡回ONの履歴がありません" + Text(kCrLf) +
            u"履歴画面のポップアップメニューの「自動巡回ON/OFF」で設定してください",
        kAppCaption, Icon::Exclamation, Buttons::Ok);
    return {};
  }
  auto* polite = dynamic_cast<PoliteHttpClient*>(&program.http);
  const int single_wait = polite ? polite->wait() : 0;
  if (polite) polite->SetWait(LoadWaitSetting(program.settings_path, true));

  Text job_text;
  PatrolProgress progress;
  progress.job_started = [&](size_t n, size_t count, const HistoryRecord& r) {
    job_text = u"自動巡回(" + FromUtf8(std::to_string(n + 1)) + u"/" +
               FromUtf8(std::to_string(count)) + u") " + r.title;
    form.Label_status().SetValue(job_text);
  };
  progress.status = [&](const Text& status) {
    form.Label_status().SetValue(job_text + u" : " + status);
  };
  progress.cancelled = [&] { return form.cancel_requested.load(); };
  SetRunState(form, program.ui, true);
  std::vector<PatrolReport> reports = Patrol(program, jobs, progress);
  SetRunState(form, program.ui, false);
  if (polite) polite->SetWait(single_wait);

  form.Label_status().SetValue(u"自動巡回終了");
  Text summary = u"自動巡回が終了しました";
  for (const PatrolReport& r : reports)
    summary += Text(kCrLf) + r.title + u" : " + FromUtf8(std::to_string(r.added)) + u"件追加 " +
               PatrolOutcomeText(r);
  program.ui.Beep();
  program.ui.MessageBox(summary, kAppCaption, Icon::Information, Buttons::Ok);
  return reports;
}

}  // namespace pellucor
