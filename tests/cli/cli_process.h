// Runs pellucor-cli as a process: arguments, extra environment, stdin from /dev/null; collects
// stdout, stderr and the exit status.
#pragma once

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
  CliProcess(std::vector<std::string> args, std::vector<std::string> env = {});
  ~CliProcess();
  void Signal(int sig);
  // Reads until the process ends (at most `limit_ms`, then it is killed).
  CliResult Wait(int limit_ms = 60000);

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1, err_fd_ = -1;
};

inline CliResult RunCli(std::vector<std::string> args, std::vector<std::string> env = {}) {
  CliProcess p(std::move(args), std::move(env));
  return p.Wait();
}

std::string CliPath();

}  // namespace pellucor::testing
