// The one HTTP transfer client of the program.
#pragma once

#include <functional>
#include <string>

#include "common/text.h"

namespace pellucor {

struct FetchResult {
  enum class Status { Ok, Timeout, Failed, Cancelled };
  Status status = Status::Failed;
  std::string body;  // whatever the server sent, whatever the HTTP status
  long http_status = 0;
  Text error;            // the client's description of a failure
  int retry_after = -1;  // the answer's Retry-After in seconds; -1 when it has none
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // 0: the system's default settings (environment proxies), 1: direct, 2: named proxy.
  virtual void SetAccessType(int type) = 0;
  virtual void SetProxy(const Text& address_and_port) = 0;
  virtual void SetTimeout(int seconds) = 0;
  // Returns when the body has arrived or the request failed. `idle` is called at least every
  // 50 ms while waiting; when it returns true the transfer is abandoned (Status::Cancelled).
  virtual FetchResult Fetch(const Text& url, const std::function<bool()>& idle) = 0;
};

}  // namespace pellucor
