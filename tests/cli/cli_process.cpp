#include "cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace pellucor::testing {

std::string CliPath() {
  return std::string(PELLUCOR_BIN_DIR) + "/pellucor-cli";
}

CliProcess::CliProcess(std::vector<std::string> args, std::vector<std::string> env) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return;
  std::vector<std::string> full_env;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    if (v.rfind("PELLUCOR_HOME=", 0) == 0) continue;
    full_env.push_back(v);
  }
  for (auto& v : env) full_env.push_back(v);
  args.insert(args.begin(), CliPath());
  pid_ = fork();
  if (pid_ == 0) {
    int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& v : full_env) envp.push_back(v.data());
    envp.push_back(nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  out_fd_ = out[0];
  err_fd_ = err[0];
}

CliProcess::~CliProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    int st;
    waitpid(pid_, &st, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
  if (err_fd_ >= 0) close(err_fd_);
}

void CliProcess::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

CliResult CliProcess::Wait(int limit_ms) {
  CliResult r;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (out_fd_ >= 0 || err_fd_ >= 0) {
    pollfd fds[2];
    int n = 0;
    if (out_fd_ >= 0) fds[n++] = {out_fd_, POLLIN, 0};
    if (err_fd_ >= 0) fds[n++] = {err_fd_, POLLIN, 0};
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) {
      kill(pid_, SIGKILL);
      break;
    }
    if (poll(fds, n, left) <= 0) continue;
    for (int i = 0; i < n; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t got = read(fds[i].fd, buf, sizeof buf);
      bool is_out = fds[i].fd == out_fd_;
      if (got <= 0) {
        close(fds[i].fd);
        (is_out ? out_fd_ : err_fd_) = -1;
      } else {
        (is_out ? r.out : r.err).append(buf, static_cast<size_t>(got));
      }
    }
  }
  int st = 0;
  waitpid(pid_, &st, 0);
  pid_ = -1;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

}  // namespace pellucor::testing
