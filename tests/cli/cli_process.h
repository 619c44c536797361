// Runs pellucor-cli as a process: arguments, the environment without PELLUCOR_HOME and with
// `env` ("NAME=value") added, stdin from /dev/null; collects stdout, stderr and the exit status.
// Several may run at once.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

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

}  // namespace pellucor::testing
