// A pause between requests to the same host, so that a patrol over many topics of one board
// does not hammer it. It wraps the program's HTTP client; the pause is taken on the Clock in
// short slices, so a cancel ends it at once.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/http.h"

namespace pellucor {

// "http://User@Host:80/path" -> "host:80": the scheme-less authority without user, lower case.
std::string HostOf(const Text& url);

class PoliteHttpClient : public HttpClient {
 public:
  PoliteHttpClient(HttpClient& inner, Clock& clock) : inner_(inner), clock_(clock) {}

  // Milliseconds between the end of one request and the start of the next to the same host;
  // 0 (the default) waits nothing.
  void SetWait(int milliseconds) { wait_ms_ = milliseconds > 0 ? milliseconds : 0; }
  int wait() const { return wait_ms_; }

  void SetAccessType(int type) override { inner_.SetAccessType(type); }
  void SetProxy(const Text& address_and_port) override { inner_.SetProxy(address_and_port); }
  void SetTimeout(int seconds) override { inner_.SetTimeout(seconds); }
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override;

 private:
  HttpClient& inner_;
  Clock& clock_;
  int wait_ms_ = 0;
  std::string last_host_;  // the host of the previous request, "" before the first
};

// The wait as typed ("0.5", "2"): whole milliseconds, or -1 when the text is not a number of
// seconds from 0 to 3600.
int ParseWaitSeconds(const std::string& text);

}  // namespace pellucor
