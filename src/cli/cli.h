// pellucor-cli's shared pieces: the parsed command line and the command registry. Each command
// lives in its own cmd_*.cpp and registers itself, so commands never touch main.cpp.
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
  std::vector<std::string> args;  // everything after the command
};

using CommandFn = std::function<int(Options&)>;

// Registers a command at start-up: static bool r = RegisterCommand("run", RunCommand);
bool RegisterCommand(const std::string& name, CommandFn fn);

// Parses argv. Global options may stand before or after the command; anything else that
// begins with "--" is kept as an override or, for a command's own flags, left in args.
// Returns false (with a message on stderr) on a usage error.
bool ParseOptions(int argc, char** argv, Options& out);

// Prints the usage text to the stream.
void PrintUsage(std::FILE* f);

// The help of one command on stdout (the usage text for ""); an unknown command is a usage
// error. Returns the exit status.
int ShowHelp(const std::string& command);

}  // namespace pellucor::cli
