// `pellucor-cli help COMMAND` and `pellucor-cli COMMAND --help`: each command's own help, and
// the global options every command takes.
#include "cli/cli.h"

namespace pellucor::cli {
namespace {

constexpr char kOptions[] =
    "OPTIONS (before or after the command):\n"
    "  --home DIR   the program folder (else PELLUCOR_HOME, the executable's folder when it\n"
    "               holds a *.bbs, else $XDG_DATA_HOME/pellucor/)\n"
    "  --yes, --no  answer every question so; otherwise a terminal asks (without one: No)\n"
    "  --quiet      no status line\n";

int HelpCommand(Options& options) {
  if (options.args.size() > 1) {
    std::fputs("pellucor-cli: help takes one command\n", stderr);
    return kExitUsage;
  }
  return ShowHelp(options.args.empty() ? std::string() : options.args[0]);
}

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "help",
    .rank = 90,
    .usage = "  help [COMMAND]            describe one command with its options\n",
    .help = "usage: pellucor-cli help [COMMAND]\n"
            "Describes one command with its options, or lists the commands.\n",
    .flags = {},
    .run = HelpCommand,
    .global_options_help = false,
});

}  // namespace

int ShowHelp(const std::string& command) {
  if (command.empty()) {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (const Command* c = FindCommand(command)) {
    std::fputs(c->help.c_str(), stdout);
    if (c->global_options_help) std::fputs(kOptions, stdout);
    return kExitOk;
  }
  std::fprintf(stderr, "pellucor-cli: unknown command %s\n", command.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

}  // namespace pellucor::cli
