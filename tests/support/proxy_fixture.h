// tinyproxy in the foreground on a free loopback port, with a configuration written for the
// test and a log the test can read to see which requests went through it.
#pragma once

#include <sys/types.h>

#include <string>

namespace pellucor::testing {

class TinyProxy {
 public:
  TinyProxy();  // starts it; ok() tells whether it came up
  ~TinyProxy();
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  bool ok() const { return ok_; }
  int port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Log() const;  // everything tinyproxy has logged so far

 private:
  std::string dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  bool ok_ = false;
};

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
int FreeLoopbackPort();

}  // namespace pellucor::testing
