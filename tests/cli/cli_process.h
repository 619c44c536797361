// Runs pellucor-cli as a process: arguments, the environment without PELLUCOR_HOME and with
// `env` ("NAME=value") added, stdin from /dev/null; collects stdout, stderr and the exit status.
// Several may run at once.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/store.h"
#include "support/scratch_folder.h"

namespace pellucor::testing {

struct CliResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args, std::vector<std::string> env = {});
  ~CliProcess();
  void Signal(int sig) {
    if (pid_ > 0) ::kill(pid_, sig);
  }
  // Waits for the end (at most about `limit_ms`, then the process is killed).
  CliResult Wait(int limit_ms = 60000);

 private:
  std::string io_;  // stdout and stderr go to io_ + ".out" and ".err"
  pid_t pid_ = -1;
};

inline CliResult RunCli(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
  return CliProcess(args, std::move(env)).Wait();
}

std::string Slurp(const std::filesystem::path& p);
inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
HistoryList ReadHistory(const std::filesystem::path& home);
std::string Ini(const std::filesystem::path& home, const char16_t* key);  // of [main]

class CliTest : public ::testing::Test {
 protected:
  // A program folder that is not at its first start, with the shipped definitions.
  std::filesystem::path MakeHome();
  CliResult Cli(const std::filesystem::path& home, std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string()});
    return RunCli(args);
  }
  std::deque<ScratchFolder> homes_;
};

}  // namespace pellucor::testing
