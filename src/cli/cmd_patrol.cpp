// pellucor-cli patrol [--all | N ...]: continues the marked jobs (every job, or the ones
// listed), one after another, each as putting it back from the history and running it up to
// the board's newest message would. pellu.ini is left as it was. One summary line per job on
// stdout: number, title, messages added, outcome (TAB between them).
#include <cstdio>

#include "app/patrol.h"
#include "cli/cli.h"
#include "cli/patrol_jobs.h"
#include "cli/session.h"

namespace pellucor::cli {
namespace {

int PatrolCommand(Options& options) {
  JobChoice choice;
  if (!ParseJobChoice(options, choice)) return kExitUsage;
  Session session(options);
  std::vector<size_t> jobs;
  if (int status = OpenChosenJobs(choice, session, jobs); status != kExitOk) return status;
  Program& p = session.program();
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

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "patrol",
    .rank = 36,
    .usage = "  patrol [--all | N ...]    continue the marked (every, listed) jobs\n",
    .help =
        "usage: pellucor-cli [OPTIONS] patrol [--all | N ...] [--wait=SECONDS]\n"
        "Continues the marked jobs (every job with --all, or the ones numbered) one after "
        "another,\n"
        "each as history set N and a run up to the board's newest message would: the same file\n"
        "or series, appended to, the history updated. Asks nothing; whatever would ask ends that\n"
        "job. pellu.ini is left as it was. One summary line per job on stdout, TAB-separated:\n"
        "number, title, messages added, outcome (完了, 中断: reason, キャンセル, 未実行).\n"
        "  --wait=SECONDS   pause between requests to one host (default 1; fractions allowed)\n"
        "Exit status: 0 every job finished, 1 any ended early, 2 usage error, 130 cancelled.\n",
    .flags = {{"--all"}},
    .run = PatrolCommand,
});

}  // namespace
}  // namespace pellucor::cli
