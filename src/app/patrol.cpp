#include "app/patrol.h"

#include "app/form_values.h"
#include "app/main_form.h"
#include "app/network.h"
#include "common/numeric.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "engine/pipeline.h"
#include "app/run_command.h"
#include "app/run_journal.h"
#include "engine/template.h"
#include "history/view.h"
#include "platform/http.h"

namespace pellucor {
namespace {

Text FirstLine(const Text& text) {
  size_t end = text.find_first_of(u"\r\n");
  return end == Text::npos ? text : text.substr(0, end);
}

bool EndsWith(TextView text, TextView tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Answers what a job asks without the user: appending is what a patrol is for, the result is
// not shown, and anything else is declined (or aborted) and remembered as the job's reason.
class PatrolUi : public Ui {
 public:
  PatrolUi(Ui& inner, std::function<bool()> cancelled, MainForm*& form)
      : inner_(inner), cancelled_(std::move(cancelled)), form_(form) {}

  Answer MessageBox(const Text& text, const Text&, Icon icon, Buttons buttons) override {
    if (buttons == Buttons::YesNo && IsAppendQuestion(text)) return Answer::Yes;
    if (buttons == Buttons::YesNo && EndsWith(text, u"結果を表示しますか？")) return Answer::No;
    if (icon != Icon::Information && reason.empty()) reason = FirstLine(text);
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
  void Yield() override {
    inner_.Yield();
    if (form_ && cancelled_ && cancelled_()) form_->cancel_requested = true;
  }
  std::optional<Text> InputBox(const Text&, const Text&, const Text&) override {
    return std::nullopt;
  }
  void SetBusy(bool) override {}
  Answer AskAfterWriteError(const Text& text) override {
    if (reason.empty()) reason = FirstLine(text);
    return Answer::Abort;
  }

  Text reason;

 private:
  static bool IsAppendQuestion(const Text& text) {
    const Text tail = Text(u"）が既に存在します") + kCrLf + u"このファイルにデータを追加しますか？";
    return text.rfind(u"ファイル（", 0) == 0 && EndsWith(text, tail);
  }

  Ui& inner_;
  std::function<bool()> cancelled_;
  MainForm*& form_;
};

// The form one job runs on: its status line goes to the front end.
class JobForm : public MemoryForm {
 public:
  explicit JobForm(std::function<void(const Text&)> status) : status_(std::move(status)) {}
  TextControl& Label_status() override { return label_; }

 private:
  class Label : public TextControl {
   public:
    explicit Label(JobForm& form) : form_(form) {}
    bool Enabled() const override { return true; }
    void SetEnabled(bool) override {}
    Text Value() const override { return value_; }
    void SetValue(const Text& v) override {
      value_ = v;
      if (form_.status_) form_.status_(v);
    }

   private:
    JobForm& form_;
    Text value_;
  };
  std::function<void(const Text&)> status_;
  Label label_{*this};
};

// The user's network settings and error handling, the job's everything else.
void FillJobForm(MainForm& job, MainForm& user, const HistoryRecord& r,
                 const DefinitionCatalog& catalog) {
  job.Option_Proxy().SetIndex(user.Option_Proxy().Index());
  job.Text_Proxy_address().SetValue(user.Text_Proxy_address().Value());
  job.Text_Proxy_port().SetValue(user.Text_Proxy_port().Value());
  job.Text_Timeout().SetValue(user.Text_Timeout().Value());
  job.Text_Retry().SetValue(user.Text_Retry().Value());
  job.Option_Error().SetIndex(user.Option_Error().Index());
  job.Check_Error_Log().SetValue(user.Check_Error_Log().Value());
  job.Check_Read().SetValue(0);
  // A definition the folder no longer has must not be replaced by whatever is selected.
  job.Combo_bbs().SetIndex(-1);
  job.Combo_out().SetIndex(-1);
  ApplyPutBack(job, PutBackValues(r, catalog));
  job.Check_MaxMsg().SetValue(1);
}

int FindJob(const HistoryList& list, const HistoryRecord& job) {
  for (size_t i = 0; i < list.size(); ++i) {
    const HistoryRecord& r = list[i];
    if (r.url1 == job.url1 && r.url2 == job.url2 && r.outputTypeFile == job.outputTypeFile &&
        r.outputPath == job.outputPath && r.divideKind == job.divideKind)
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
  MainForm* no_form = nullptr;
  PatrolUi quiet(program.ui, {}, no_form);
  auto board = LoadBoardDefinition(*entry, program.directory, quiet);
  if (!board) {
    check.error = quiet.reason;
    return check;
  }
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
    const int at = FindJob(program.history, chosen[n]);
    if (at < 0) {
      report.outcome = PatrolReport::Outcome::Ended;
      report.reason = u"履歴から削除されています";
      continue;
    }
    const HistoryRecord before = program.history[at];
    if (stopped || (progress.cancelled && progress.cancelled())) {
      stopped = true;
      continue;  // NotStarted
    }
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

    MainForm* current = nullptr;
    PatrolUi ui(program.ui, progress.cancelled, current);
    JobForm form(progress.status);
    FillJobForm(form, program.form, before, program.catalog);
    current = &form;
    Program job(program.directory, ui, program.clock, program.http, program.shell, form);
    job.folder_kind = program.folder_kind;
    job.catalog = program.catalog;
    job.history = std::move(program.history);
    job.history_base = std::move(program.history_base);
    const RunOutcome outcome = RunCommand(job);
    // The history was saved by the run; the journal owes nothing to the user's settings.
    if (job.journal) job.journal->Discard();
    program.history = std::move(job.history);
    program.history_base = std::move(job.history_base);

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
        report.reason = ui.reason.empty() ? Text(u"途中で終了しました") : ui.reason;
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

}  // namespace pellucor
