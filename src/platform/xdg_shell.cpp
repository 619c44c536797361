#include "platform/xdg_shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pellucor {
namespace {

void SleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

}  // namespace

XdgShell::XdgShell(std::string opener, std::string editor)
    : opener_(std::move(opener)), editor_(std::move(editor)) {}

std::string XdgShell::EditorFromEnvironment() {
  const char* e = std::getenv("PELLUCOR_EDITOR");
  return e ? std::string(e) : std::string();
}

bool XdgShell::Open(const Text& target) {
  if (target.empty()) return false;
  return Launch(opener_, "", ToUtf8(target));
}

bool XdgShell::Edit(const Text& file) {
  if (file.empty()) return false;
  if (editor_.empty()) return Open(file);
  // The editor setting is a command line ("gedit", "code -n"): let the shell split it.
  return Launch("/bin/sh", editor_ + " \"$1\"", ToUtf8(file));
}

bool XdgShell::Explore(const Text& folder) {
  // The desktop's file manager is what the associated program of a folder is.
  return Open(folder);
}

// Starts the program without waiting for it. An intermediate process watches the launch for a
// short grace time: an early non-zero exit (no such program, nothing associated) is a failure;
// a program still running then (an editor in the foreground, say) counts as started and is
// left to itself, adopted by init, so nothing ever blocks on it and no zombie is left.
bool XdgShell::Launch(const std::string& program, const std::string& script,
                      const std::string& arg) {
  pid_t watcher = fork();
  if (watcher < 0) return false;
  if (watcher == 0) {
    setsid();
    pid_t child = fork();
    if (child < 0) _exit(1);
    if (child == 0) {
      int devnull = open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        // Nothing of ours stays attached to the program (a caller reading our output would
        // otherwise wait for it to end).
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        if (devnull > 2) close(devnull);
      }
      if (script.empty()) {
        execlp(program.c_str(), program.c_str(), arg.c_str(), static_cast<char*>(nullptr));
      } else {
        execl(program.c_str(), program.c_str(), "-c", script.c_str(), "pellucor", arg.c_str(),
              static_cast<char*>(nullptr));
      }
      _exit(127);
    }
    const int step = 20;
    for (int waited = 0; waited < grace_ms_; waited += step) {
      int status = 0;
      pid_t r = waitpid(child, &status, WNOHANG);
      if (r == child) _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
      if (r < 0) _exit(1);
      SleepMs(step);
    }
    _exit(0);
  }
  const int poll_ms = 20;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(watcher, &status, WNOHANG);
    if (r == watcher) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (r < 0 && errno != EINTR) return false;
    if (r == 0) SleepMs(poll_ms);
  }
}

}  // namespace pellucor
