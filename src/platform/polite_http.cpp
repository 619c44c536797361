#include "platform/polite_http.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace pellucor {
namespace {

constexpr int kSliceMs = 50;

}  // namespace

std::string HostOf(const Text& url) {
  std::string u = ToUtf8(url);
  size_t start = u.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  size_t end = u.find_first_of("/?#", start);
  std::string host = u.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (size_t at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
  std::transform(host.begin(), host.end(), host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return host;
}

FetchResult PoliteHttpClient::Fetch(const Text& url, const std::function<bool()>& idle) {
  const std::string host = HostOf(url);
  // Only a request that follows one to the same host waits: the first of a run, and a change
  // of board, go at once.
  if (wait_ms_ > 0 && host == last_host_) {
    for (int left = wait_ms_; left > 0; left -= kSliceMs) {
      if (idle && idle()) {
        FetchResult cancelled;
        cancelled.status = FetchResult::Status::Cancelled;
        return cancelled;
      }
      clock_.Sleep(std::min(left, kSliceMs));
    }
  }
  FetchResult r = inner_.Fetch(url, idle);
  last_host_ = host;
  return r;
}

int ParseWaitSeconds(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return -1;
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(seconds) || seconds < 0 || seconds > 3600)
    return -1;
  return static_cast<int>(std::lround(seconds * 1000));
}

}  // namespace pellucor
