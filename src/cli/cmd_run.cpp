// pellucor-cli run: one collection run, as the Run button does it.
#include <malloc.h>

#include "app/form_values.h"
#include "app/run_command.h"
#include "cli/cli.h"
#include "cli/session.h"

namespace pellucor::cli {
namespace {

int RunCommandLine(Options& options) {
  for (const auto& a : options.args) {
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

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "run",
    .rank = 10,
    .usage = "  run                       one collection run, as the Run button does it\n",
    .help =
        "usage: pellucor-cli [OPTIONS] [--KEY=VALUE ...] run\n"
        "One collection run, as the Run button does it: fetches the messages from --from to --to\n"
        "(or up to the newest with --maxmsg=1) of the topic --url1 + N + --url2 and writes them\n"
        "through the output type into --outfile. A job found in the history continues where it\n"
        "stopped. Afterwards the settings go back to pellu.ini (from moved past the last message)\n"
        "and the job to record.dat.\n"
        "  --bbs_file=FILE   board definition (*.bbs in the program folder)\n"
        "  --out_file=FILE   output type (*.out in the program folder)\n"
        "  --KEY=VALUE       any other settings key, for this call (pellucor-cli settings)\n"
        "  --wait=SECONDS    pause between requests to one host, remembered (default 0)\n"
        "Exit status: 0 finished, 1 ended early, 2 usage error, 130 cancelled (Ctrl-C).\n",
    .flags = {},
    .run = RunCommandLine,
});

}  // namespace
}  // namespace pellucor::cli
