#include "cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "common/deffile.h"
#include "common/files.h"

extern char** environ;

namespace pellucor::testing {

static std::atomic<int> serial{0};

// posix_spawn, not fork: the tests run board servers on threads of their own.
CliProcess::CliProcess(const std::vector<std::string>& args, std::vector<std::string> env)
    : io_((std::filesystem::temp_directory_path() / "pellucor_cli_io_").string() +
          std::to_string(::getpid()) + "_" + std::to_string(serial++)) {
  env.insert(env.begin(), {"/usr/bin/env", "-u", "PELLUCOR_HOME"});
  env.push_back(std::string(PELLUCOR_BIN_DIR) + "/pellucor-cli");
  env.insert(env.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : env) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, (io_ + ".out").c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, (io_ + ".err").c_str(), O_WRONLY | O_CREAT, 0600);
  if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&fa);
}

CliProcess::~CliProcess() {
  Wait(0);
  std::remove((io_ + ".out").c_str());
  std::remove((io_ + ".err").c_str());
}

CliResult CliProcess::Wait(int limit_ms) {
  int st = 0;
  if (pid_ <= 0) return {};
  for (int waited = 0; ::waitpid(pid_, &st, WNOHANG) == 0; waited += 10) {
    if (waited >= limit_ms) ::kill(pid_, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  auto slurp = [this](const char* ext) { return ReadFileBytes(FromUtf8(io_ + ext)).value_or(""); };
  return {WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st), slurp(".out"), slurp(".err")};
}

std::string Slurp(const std::filesystem::path& p) {
  return ReadFileBytes(FromUtf8(p.string())).value_or("");
}

HistoryList ReadHistory(const std::filesystem::path& home) {
  HistoryList list;
  ParseHistory(Slurp(home / "record.dat"), list, false);
  return list;
}

std::string Ini(const std::filesystem::path& home, const char16_t* key) {
  return ToUtf8(
      ReadSettingsValue(u"main", key, u"<none>", FromUtf8((home / "pellu.ini").string())));
}

std::filesystem::path CliTest::MakeHome() {
  std::filesystem::path h = ToUtf8(homes_.emplace_back().Dir());
  std::filesystem::create_directories(h / "data");
  std::filesystem::create_directories(h / "out");
  for (const char* f : {"_yahoo.bbs", "_html.out", "text.out", "dat_2ch.out"})
    std::filesystem::copy_file(std::filesystem::path(PELLUCOR_BIN_DIR) / f, h / f);
  return h;
}

}  // namespace pellucor::testing
