// pellucor-cli's shared pieces: the parsed command line and the command registry. Each command
// lives in its own cmd_*.cpp and registers itself with its flags and help, so commands never
// touch main.cpp.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/console_ui.h"

namespace pellucor::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitEarly = 1;  // failed check, error, a No, a network failure
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

struct Options {
  std::string home;                              // --home DIR ("" = default)
  ConsoleUi::Mode mode = ConsoleUi::Mode::Ask;   // --yes / --no
  bool quiet = false;                            // --quiet
  std::map<std::string, std::string> overrides;  // --KEY=VALUE, in UTF-8
  std::vector<std::string> override_order;       // keys in the order given
  std::string command;
  // The command's own flags as given, in order: name ("--select") and value ("" for a switch).
  std::vector<std::pair<std::string, std::string>> flags;
  std::vector<std::string> args;  // the command's words (not options)

  bool Has(const std::string& flag) const;
  // The value of the last occurrence of the flag ("" when absent).
  std::string Value(const std::string& flag) const;
  int Count(const std::string& flag) const;
};

using CommandFn = std::function<int(Options&)>;

// A flag a command declares: a switch ("--open") or a flag with a value ("--select X" or
// "--select=X").
struct Flag {
  std::string name;
  bool takes_value = false;
};

struct Command {
  std::string name;
  int rank = 0;       // place in the usage list
  std::string usage;  // its lines in the usage list, each ending in "\n"
  std::string help;   // `help NAME`
  std::vector<Flag> flags;
  CommandFn run;
  bool global_options_help = true;  // the global options follow its help
};

// Registers a command at start-up:
//   [[maybe_unused]] const bool registered = RegisterCommand({.name = "run", ...});
bool RegisterCommand(Command command);
const Command* FindCommand(const std::string& name);

// Parses argv. Global options and the command's declared flags may stand before or after the
// command; any other "--KEY=VALUE" is a settings override. Returns false (with a message on
// stderr) on a usage error.
bool ParseOptions(int argc, char** argv, Options& out);

// Prints the usage text to the stream.
void PrintUsage(std::FILE* f);

// The help of one command on stdout (the usage text for ""); an unknown command is a usage
// error. Returns the exit status.
int ShowHelp(const std::string& command);

}  // namespace pellucor::cli
