// pellucor-cli run: one collection run, as the Run button does it.
#include <malloc.h>

#include "app/form_values.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "app/run_command.h"

namespace pellucor::cli {
namespace {

int RunCommandLine(Options& options) {
  for (const auto& a : options.args) {
    if (a.rfind("--bbs_file=", 0) == 0 || a.rfind("--out_file=", 0) == 0) continue;
    std::fprintf(stderr, "pellucor-cli: run takes no argument: %s\n", a.c_str());
    return kExitUsage;
  }
  // Every message allocates and frees the same few page-sized buffers. Without this, glibc
  // hands the freed top of the heap back to the system after each message and takes it again
  // for the next (a system call and fresh page faults per message); the peak stays the same.
  mallopt(M_TRIM_THRESHOLD, 4 << 20);
  Session session(options);
  if (int status = session.Open(); status != kExitOk) return status;
  Program& program = session.program();
  RunOutcome outcome = RunCommand(program, [&program] {
    // The terminal prints where the result is, then hands it to the desktop.
    ViewerContext ctx{program.ui, program.shell, program.clock};
    if (auto target = PrepareResultFor(program.form, ctx, program.catalog)) {
      std::printf("%s\n", ToUtf8(*target).c_str());
      std::fflush(stdout);
      OpenResultTarget(program.ui, program.shell, *target);
    }
  });
  session.status().Break();
  const bool saved = session.Close();
  switch (outcome) {
    case RunOutcome::Finished:
      return saved ? kExitOk : kExitEarly;
    case RunOutcome::Cancelled:
      return kExitCancelled;
    case RunOutcome::Incomplete:
    case RunOutcome::Ended:
      break;
  }
  return kExitEarly;
}

[[maybe_unused]] const bool registered = RegisterCommand("run", RunCommandLine);

}  // namespace
}  // namespace pellucor::cli
