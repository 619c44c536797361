// pellucor-cli: the headless front end.
#include <cstdio>
#include <cstring>

#include "app/program.h"
#include "cli/cli.h"
#include "pellucor_revision.h"

namespace pellucor::cli {
namespace {

std::map<std::string, CommandFn>& Registry() {
  static std::map<std::string, CommandFn> commands;
  return commands;
}

// Flags that belong to a command rather than to settings overrides.
bool IsCommandFlag(const std::string& a) {
  static const char* const kFlags[] = {"--open", "--select", "--bbs_file", "--out_file",
                                       "--charchange"};
  for (const char* f : kFlags) {
    size_t n = std::strlen(f);
    if (a.compare(0, n, f) == 0 && (a.size() == n || a[n] == '=')) return true;
  }
  return false;
}

}  // namespace

bool RegisterCommand(const std::string& name, CommandFn fn) {
  Registry()[name] = std::move(fn);
  return true;
}

void PrintUsage(std::FILE* f) {
  std::fputs(
      "usage: pellucor-cli [--home DIR] [--yes | --no] [--quiet] [--KEY=VALUE ...] COMMAND\n"
      "  run                       one collection run, as the Run button does it\n"
      "  view [--open]             write the result pages, print the target path\n"
      "  history list | show N | delete N | comment N TEXT | set N | patrol N on|off\n"
      "  check [--all | N ...]     new messages of the marked (every, listed) jobs\n"
      "  patrol [--all | N ...]    continue the marked (every, listed) jobs\n"
      "  update bbs | out | both [--select all | --select FILE[,FILE...]]\n"
      "  settings                  print the settings keys in their write order\n"
      "  extract --bbs_file=FILE [--out_file=FILE] [--charchange=N] PAGEFILE\n"
      "                            check a board definition against a saved page\n"
      "  help [COMMAND]            describe one command with its options\n"
      "pellucor-cli --version prints the version and the source revision.\n",
      f);
}

bool ParseOptions(int argc, char** argv, Options& out) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
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
    } else if (IsCommandFlag(a) || out.command.empty() == false) {
      if (a.rfind("--", 0) == 0 && !IsCommandFlag(a) && a.find('=') != std::string::npos) {
        std::string key = a.substr(2, a.find('=') - 2);
        if (!out.overrides.count(key)) out.override_order.push_back(key);
        out.overrides[key] = a.substr(a.find('=') + 1);
      } else {
        out.args.push_back(a);
      }
    } else if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
      std::string key = a.substr(2, a.find('=') - 2);
      if (!out.overrides.count(key)) out.override_order.push_back(key);
      out.overrides[key] = a.substr(a.find('=') + 1);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "pellucor-cli: unknown option %s\n", a.c_str());
      return false;
    } else {
      out.command = a;
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
  if (opts.command == "help") {
    if (opts.args.size() > 1) {
      std::fputs("pellucor-cli: help takes one command\n", stderr);
      return kExitUsage;
    }
    return ShowHelp(opts.args.empty() ? std::string() : opts.args[0]);
  }
  auto& reg = Registry();
  auto it = reg.find(opts.command);
  if (it == reg.end()) {
    std::fprintf(stderr, "pellucor-cli: unknown command %s\n", opts.command.c_str());
    PrintUsage(stderr);
    return kExitUsage;
  }
  return it->second(opts);
}
