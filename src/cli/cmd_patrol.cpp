// pellucor-cli patrol [--all | N ...]: continues the marked jobs (every job, or the ones
// listed), one after another, each as putting it back from the history and running it up to
// the board's newest message would. pellu.ini is left as it was. One summary line per job on
// stdout: number, title, messages added, outcome (TAB between them).
#include <cstdio>

#include "app/patrol.h"
#include "app/wait_setting.h"
#include "cli/cli.h"
#include "cli/patrol_jobs.h"
#include "cli/session.h"

namespace pellucor::cli {
namespace {

int PatrolCommand(Options& options) {
  JobChoice choice;
  if (!ParseJobChoice("patrol", options.args, choice)) return kExitUsage;
  Session session(options);
  if (int status = session.Open(); status != kExitOk) return status;
  Program& p = session.program();
  if (!session.wait_given()) session.polite().SetWait(LoadWaitSetting(p.settings_path, true));
  std::vector<size_t> jobs;
  if (!ChooseJobs(p, choice, jobs)) return kExitUsage;
  if (jobs.empty()) {
    p.ui.MessageBox(u"対象の履歴がありません（自動巡回ONの履歴、--all または番号を指定）",
                    kAppCaption, Icon::Exclamation, Buttons::Ok);
    return kExitEarly;
  }
  bool interrupted = false;
  CatchInterrupt(session.ui(), interrupted);
  PatrolProgress progress;
  progress.status = [&](const Text& s) { session.status().Show(s); };
  progress.cancelled = [&] { return interrupted || ConsoleUi::Interrupted(); };
  progress.job_started = [&](size_t n, size_t count, const HistoryRecord& r) {
    session.status().Break();
    std::fprintf(stderr, "Pellucor: (%zu/%zu) %s\n", n + 1, count, ToUtf8(r.title).c_str());
  };
  std::vector<PatrolReport> reports = Patrol(p, jobs, progress);
  session.status().Break();

  int status = kExitOk;
  for (const PatrolReport& r : reports) {
    std::printf("%zu\t%s\t%lld\t%s\n", r.index + 1, ToUtf8(r.title).c_str(),
                static_cast<long long>(r.added), ToUtf8(PatrolOutcomeText(r)).c_str());
    if (r.outcome == PatrolReport::Outcome::Cancelled ||
        r.outcome == PatrolReport::Outcome::NotStarted)
      status = kExitCancelled;
    else if (r.outcome == PatrolReport::Outcome::Ended && status == kExitOk)
      status = kExitEarly;
  }
  std::fflush(stdout);
  return status;
}

[[maybe_unused]] const bool registered = RegisterCommand("patrol", PatrolCommand);

}  // namespace
}  // namespace pellucor::cli
