// pellucor-cli check [--all | N ...]: how many messages each job's board has beyond the job's
// last collected one. One line per job on stdout: number, title, last collected, newest on
// the board, new (TAB between them).
#include <cstdio>

#include "app/patrol.h"
#include "cli/cli.h"
#include "cli/patrol_jobs.h"
#include "cli/session.h"
#include "common/numeric.h"

namespace pellucor::cli {
namespace {

int CheckCommand(Options& options) {
  JobChoice choice;
  if (!ParseJobChoice(options, choice)) return kExitUsage;
  Session session(options);
  std::vector<size_t> jobs;
  if (int status = OpenChosenJobs(choice, session, jobs); status != kExitOk) return status;
  Program& p = session.program();
  bool interrupted = false;
  CatchInterrupt(session.ui(), interrupted);
  int status = kExitOk;
  for (size_t index : jobs) {
    if (interrupted || ConsoleUi::Interrupted()) return kExitCancelled;
    const HistoryRecord& r = p.history[index];
    session.status().Show(u"新規発言チェック中: " + r.title);
    NewMessageCheck c =
        CheckNewMessages(p, r, [&] { return interrupted || ConsoleUi::Interrupted(); });
    session.status().Show(u"");
    session.status().Break();
    std::string line = std::to_string(index + 1) + "\t" + ToUtf8(r.title) + "\t" +
                       ToUtf8(FormatNumber(c.last)) + "\t";
    if (!c.ok) {
      line += "-\t失敗: " + ToUtf8(c.error);
      status = kExitEarly;
    } else if (!c.newest_known) {
      line += "?\t1以上";
    } else {
      line += ToUtf8(FormatNumber(c.newest)) + "\t" + std::to_string(c.fresh());
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  if (interrupted) return kExitCancelled;
  return status;
}

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "check",
    .rank = 34,
    .usage = "  check [--all | N ...]     new messages of the marked (every, listed) jobs\n",
    .help =
        "usage: pellucor-cli [OPTIONS] check [--all | N ...] [--wait=SECONDS]\n"
        "How many messages each job's board has beyond the job's last collected one: the marked\n"
        "jobs, every job (--all) or the jobs numbered as history list shows them. One line per\n"
        "job, TAB-separated: number, title, last collected, newest on the board, new. Nothing is\n"
        "written.\n"
        "  --wait=SECONDS   pause between requests to one host (default 1; fractions allowed)\n"
        "Exit status: 0 every job checked, 1 a check failed, 2 usage error, 130 cancelled.\n",
    .flags = {{"--all"}},
    .run = CheckCommand,
});

}  // namespace
}  // namespace pellucor::cli
