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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace pellucor::testing {
namespace {

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

}  // namespace

int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = 0;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
  for (int attempt = 0; attempt < 5 && !ok_; ++attempt) {
    port_ = FreeLoopbackPort();
    std::string conf = dir_ + "/tinyproxy.conf";
    std::string log = dir_ + "/tinyproxy.log";
    std::remove(log.c_str());
    {
      std::ofstream f(conf);
      f << "Port " << port_ << "\n"
        << "Listen 127.0.0.1\n"
        << "Timeout 30\n"
        << "LogFile \"" << log << "\"\n"
        << "LogLevel Info\n"
        << "MaxClients 8\n"
        << "Allow 127.0.0.1\n";
      if (geteuid() == 0) f << "User root\nGroup root\n";
    }
    pid_ = fork();
    if (pid_ == 0) {
      int null = open("/dev/null", O_WRONLY);
      if (null >= 0) {
        dup2(null, 1);
        dup2(null, 2);
      }
      execlp("tinyproxy", "tinyproxy", "-d", "-c", conf.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid_ < 0) return;
    for (int i = 0; i < 100; ++i) {  // at most 5 s
      int status;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      if (Log().find("Accepting connections") != std::string::npos && Accepts(port_)) {
        ok_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!ok_ && pid_ > 0) {
      kill(pid_, SIGKILL);
      int status;
      waitpid(pid_, &status, 0);
      pid_ = -1;
    }
  }
}

TinyProxy::~TinyProxy() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status;
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  if (!dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

std::string TinyProxy::Log() const {
  std::ifstream f(dir_ + "/tinyproxy.log");
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace pellucor::testing

namespace pellucor::testing {

bool TinyProxy::Logged(const std::string& text) const {
  for (int i = 0; i < 40; ++i) {
    if (Log().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace pellucor::testing
