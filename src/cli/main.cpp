// pellucor-cli: the headless front end.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/program.h"
#include "cli/cli.h"
#include "pellucor_revision.h"

namespace pellucor::cli {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

// The flag of `command` that `arg` ("--name" or "--name=value") names, or nothing.
const Flag* FlagOf(const Command* command, const std::string& arg) {
  if (!command) return nullptr;
  for (const Flag& f : command->flags) {
    if (arg.compare(0, f.name.size(), f.name) != 0) continue;
    if (arg.size() == f.name.size() || arg[f.name.size()] == '=') return &f;
  }
  return nullptr;
}

void AddOverride(const std::string& arg, Options& out) {
  std::string key = arg.substr(2, arg.find('=') - 2);
  if (!out.overrides.count(key)) out.override_order.push_back(key);
  out.overrides[key] = arg.substr(arg.find('=') + 1);
}

// The position of the command word: the first word that is neither an option nor the folder
// of --home. argc when there is none.
int CommandPosition(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--home") == 0)
      ++i;
    else if (argv[i][0] != '-')
      return i;
  }
  return argc;
}

}  // namespace

bool Options::Has(const std::string& flag) const {
  return Count(flag) > 0;
}

int Options::Count(const std::string& flag) const {
  return static_cast<int>(
      std::count_if(flags.begin(), flags.end(), [&](const auto& f) { return f.first == flag; }));
}

std::string Options::Value(const std::string& flag) const {
  std::string value;
  for (const auto& [name, v] : flags)
    if (name == flag) value = v;
  return value;
}

bool RegisterCommand(Command command) {
  Registry().push_back(std::move(command));
  return true;
}

const Command* FindCommand(const std::string& name) {
  for (const Command& c : Registry())
    if (c.name == name) return &c;
  return nullptr;
}

void PrintUsage(std::FILE* f) {
  std::vector<const Command*> commands;
  for (const Command& c : Registry()) commands.push_back(&c);
  std::stable_sort(commands.begin(), commands.end(),
                   [](const Command* a, const Command* b) { return a->rank < b->rank; });
  std::fputs(
      "usage: pellucor-cli [--home DIR] [--yes | --no] [--quiet] [--KEY=VALUE ...] COMMAND\n", f);
  for (const Command* c : commands) std::fputs(c->usage.c_str(), f);
  std::fputs("pellucor-cli --version prints the version and the source revision.\n", f);
}

bool ParseOptions(int argc, char** argv, Options& out) {
  const int at = CommandPosition(argc, argv);
  if (at < argc) out.command = argv[at];
  const Command* command = FindCommand(out.command);
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i == at) continue;
    if (a == "--home") {
      if (i + 1 >= argc) {
        std::fputs("pellucor-cli: --home needs a folder\n", stderr);
        return false;
      }
      out.home = argv[++i];
    } else if (a.rfind("--home=", 0) == 0) {
      out.home = a.substr(7);
    } else if (a == "--yes") {
      out.mode = ConsoleUi::Mode::AlwaysYes;
    } else if (a == "--no") {
      out.mode = ConsoleUi::Mode::AlwaysNo;
    } else if (a == "--quiet") {
      out.quiet = true;
    } else if (const Flag* flag = FlagOf(command, a)) {
      std::string value;
      if (a.size() > flag->name.size()) {
        if (!flag->takes_value) {
          std::fprintf(stderr, "pellucor-cli: %s takes no value\n", flag->name.c_str());
          return false;
        }
        value = a.substr(flag->name.size() + 1);
      } else if (flag->takes_value && i + 1 < argc && i + 1 != at) {
        value = argv[++i];
      }
      out.flags.emplace_back(flag->name, value);
    } else if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
      AddOverride(a, out);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "pellucor-cli: unknown option %s\n", a.c_str());
      return false;
    } else {
      out.args.push_back(a);
    }
  }
  return true;
}

}  // namespace pellucor::cli

int main(int argc, char** argv) {
  using namespace pellucor::cli;
  std::string command;  // the first word that is not an option, for COMMAND --help
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--home") == 0) {
      ++i;
    } else if (argv[i][0] != '-' && command.empty()) {
      command = argv[i];
    }
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("pellucor-cli %s (Rev:%d, commit %s)\n",
                  pellucor::ToUtf8(pellucor::VersionText()).c_str(), PELLUCOR_REVISION,
                  PELLUCOR_SOURCE_COMMIT);
      return kExitOk;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
      return ShowHelp(command == "help" ? std::string() : command);
  }
  Options opts;
  if (!ParseOptions(argc, argv, opts)) return kExitUsage;
  if (opts.command.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const Command* found = FindCommand(opts.command);
  if (!found) {
    std::fprintf(stderr, "pellucor-cli: unknown command %s\n", opts.command.c_str());
    PrintUsage(stderr);
    return kExitUsage;
  }
  return found->run(opts);
}
