// The HTTP client over libcurl. One easy handle and one multi handle live as long as the
// client, so connections are reused from fetch to fetch.
#pragma once

#include <cstddef>
#include <string>

#include "platform/http.h"

namespace pellucor {

class CurlHttpClient : public HttpClient {
 public:
  CurlHttpClient();
  ~CurlHttpClient() override;
  CurlHttpClient(const CurlHttpClient&) = delete;
  CurlHttpClient& operator=(const CurlHttpClient&) = delete;

  void SetAccessType(int type) override;
  void SetProxy(const Text& address_and_port) override;
  void SetTimeout(int seconds) override;
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override;

  // The largest body a caller accepts (a message page: 2,000,001 bytes). A longer answer is
  // stopped one byte past it, so a runaway answer costs neither memory nor time; the body then
  // holds max_body + 1 bytes, which every caller judges too large.
  void SetMaxBody(size_t bytes) { max_body_ = bytes; }

  int access_type() const { return access_type_; }
  const std::string& proxy() const { return proxy_; }
  int timeout() const { return timeout_; }

 private:
  void ApplyOptions();

  void* easy_ = nullptr;   // CURL*
  void* multi_ = nullptr;  // CURLM*
  int access_type_ = 0;
  std::string proxy_;
  int timeout_ = 0;
  size_t max_body_ = 2000001;
};

}  // namespace pellucor
