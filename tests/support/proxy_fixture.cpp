#include "support/proxy_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace pellucor::testing {
namespace {

// A TCP socket and 127.0.0.1:port; the caller binds or connects, then closes the socket.
int LoopbackSocket(int port, sockaddr_in& a) {
  a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return socket(AF_INET, SOCK_STREAM, 0);
}

bool Accepts(int port) {
  sockaddr_in a;
  int fd = LoopbackSocket(port, a);
  bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

// Whether `pid` ended within `tries` looks `ms` apart; reaped if so.
bool Ended(pid_t pid, int tries, int ms) {
  for (int status, i = 0; i < tries; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  return false;
}

void Kill(pid_t pid) {
  int status;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
}

}  // namespace

int FreeLoopbackPort() {
  sockaddr_in a;
  int fd = LoopbackSocket(0, a);
  if (fd < 0) return 0;
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

TinyProxy::TinyProxy() {
  char tmpl[] = "/tmp/pellucor_proxy_XXXXXX";
  if (!mkdtemp(tmpl)) return;
  dir_ = tmpl;
  // The free port may be taken by someone else before tinyproxy binds it: then it exits, and
  // another port is tried. It is ready once its own log says so (not merely when something
  // accepts connections on the port).
  const std::string conf = dir_ + "/tinyproxy.conf", log = dir_ + "/tinyproxy.log";
  for (int attempt = 0; attempt < 5 && !ok_; ++attempt) {
    port_ = FreeLoopbackPort();
    std::remove(log.c_str());
    std::ofstream(conf) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nLogFile \"" << log
                        << "\"\nLogLevel Info\nMaxClients 8\nAllow 127.0.0.1\n"
                        << (geteuid() == 0 ? "User root\nGroup root\n" : "");
    pid_ = fork();
    if (pid_ == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("tinyproxy", "tinyproxy", "-d", "-c", conf.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid_ < 0) return;
    for (int i = 0; i < 100 && !ok_; ++i) {  // at most 5 s
      if (Ended(pid_, 1, 50)) pid_ = -1;
      if (pid_ < 0) break;
      ok_ = Log().find("Accepting connections") != std::string::npos && Accepts(port_);
    }
    if (!ok_ && pid_ > 0) Kill(pid_);
  }
  if (!ok_) pid_ = -1;
}

TinyProxy::~TinyProxy() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (!Ended(pid_, 100, 20)) Kill(pid_);
  }
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

std::string TinyProxy::Log() const {
  std::stringstream s;
  s << std::ifstream(dir_ + "/tinyproxy.log").rdbuf();
  return s.str();
}

}  // namespace pellucor::testing
