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
  const bool open = options.Has("--open");
  for (const auto& a : options.args) {
    std::fprintf(stderr, "pellucor-cli: view takes only --open: %s\n", a.c_str());
    return kExitUsage;
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

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "view",
    .rank = 20,
    .usage = "  view [--open]             write the result pages, print the target path\n",
    .help =
        "usage: pellucor-cli [OPTIONS] view [--open]\n"
        "The result viewer: over a split series writes the list and frameset pages; prints the\n"
        "file to open.\n"
        "  --open   also open it with the desktop's program for it\n",
    .flags = {{"--open"}},
    .run = ViewCommand,
});

}  // namespace
}  // namespace pellucor::cli
