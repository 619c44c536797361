// pellucor-cli view [--open]: the result viewer. Writes the list and frameset pages as the View
// button does, prints the file it would open, and with --open hands it to the desktop.
#include <cstdio>

#include "app/form_values.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "viewer/result_viewer.h"

namespace pellucor::cli {
namespace {

int ViewCommand(Options& options) {
  bool open = false;
  for (const auto& a : options.args) {
    if (a == "--open") {
      open = true;
    } else if (a.rfind("--bbs_file=", 0) != 0 && a.rfind("--out_file=", 0) != 0) {
      std::fprintf(stderr, "pellucor-cli: view takes only --open: %s\n", a.c_str());
      return kExitUsage;
    }
  }
  Session session(options);
  if (int status = session.Open(); status != kExitOk) return status;
  Program& p = session.program();
  ViewerContext ctx{p.ui, p.shell, p.clock};
  std::optional<Text> target = PrepareResultFor(p.form, ctx, p.catalog);
  session.status().Break();
  if (!target) return kExitEarly;
  if (!CheckTargetExists(p.ui, *target)) return kExitEarly;
  std::printf("%s\n", ToUtf8(*target).c_str());
  std::fflush(stdout);
  if (open && !OpenResultTarget(p.ui, p.shell, *target)) return kExitEarly;
  return kExitOk;
}

[[maybe_unused]] const bool registered = RegisterCommand("view", ViewCommand);

}  // namespace
}  // namespace pellucor::cli
