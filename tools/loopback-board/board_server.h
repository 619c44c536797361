// A message board on 127.0.0.1 for tests and benchmarks: a topic of numbered message pages in
// the layout of the shipped _yahoo.bbs, in a chosen encoding, that can misbehave per message
// number. It runs in its own thread on an ephemeral port; it can also serve plain files.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loopback-board/board_pages.h"

namespace httplib {
class Server;
}

namespace pellucor::testing {

enum class Misbehaviour {
  None,
  Delay,         // answers only after delay_ms (past the client's time-out)
  Empty,         // 200 with an empty body
  Oversize,      // 200 with oversize_bytes of body
  Reset,         // headers announce a body, then the connection is closed
  NotFound,      // 404 with a short error page
  Redirect,      // 302 to /board/moved?mid=N, which serves the page
  ServerError,   // 500 with an HTML error page
  Unavailable,   // 503 with an HTML error page and Retry-After (retry_after seconds)
  TooMany,       // 429, the same
  RedirectAway,  // 302 to redirect_target (another scheme, say)
};

// What fills a page up to page_bytes.
enum class PageText {
  Repeated,  // one short mixed line, over and over
  Dense,     // DenseMessageText, different on every page; pages of page_bytes to 1.5 times that
};

struct TopicSpec {
  int64_t count = 25;   // messages 1..count exist; others get a page without items
  int64_t highest = 0;  // highest message number shown on each page; 0 = count
  Encoding encoding = Encoding::EucJp;
  size_t page_bytes = 0;  // pad each body so the page is about this many bytes; 0 = as sampled
  Text topic_title = u"テスト用トピック";
  bool compress = true;  // answer gzip/br when asked; false serves every page as it is
  PageText text = PageText::Repeated;
  uint64_t seed = 1;  // of the dense text
};

class BoardServer {
 public:
  explicit BoardServer(TopicSpec topic = {}, int port = 0);  // 0 = ephemeral
  ~BoardServer();
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  int port() const { return port_; }
  std::string base() const;  // "http://127.0.0.1:PORT"
  std::string url1() const;  // base() + "/board/message?mid="

  void SetTopic(const TopicSpec& topic);
  // The next `times` requests for message n misbehave (-1: every request).
  void Misbehave(int64_t n, Misbehaviour kind, int times = -1);
  void SetDelay(int milliseconds);
  void SetOversizeBytes(size_t bytes);
  void SetRetryAfter(int seconds);  // < 0: no Retry-After header
  void SetRedirectTarget(std::string url);
  // Serves `bytes` at `path` ("/update/version") with the HTTP status given.
  void ServeFile(const std::string& path, std::string bytes, int status = 200);

  // The page bytes the board serves for message n.
  std::string PageBytes(int64_t n);
  // The message the page of n shows.
  BoardMessage Message(int64_t n);

  // Requests seen, as "path?query" in order; and how many asked for message n.
  std::vector<std::string> Requests() const;
  int RequestCount(int64_t n) const;
  // Seconds between consecutive message requests, and the User-Agent of the last one.
  std::vector<double> RequestGaps() const;
  std::string UserAgent() const;

 private:
  Misbehaviour TakeMisbehaviour(int64_t n);
  void WaitDelay();

  std::unique_ptr<httplib::Server> server_;
  std::unique_ptr<std::thread> thread_;
  int port_ = 0;

  mutable std::mutex mu_;
  std::condition_variable stop_cv_;
  bool stopping_ = false;
  TopicSpec topic_;
  Text padding_;           // body lines added to reach topic_.page_bytes (repeated text)
  size_t bare_bytes_ = 0;  // the sampled page without padding (dense text)
  std::map<int64_t, std::pair<Misbehaviour, int>> misbehave_;
  int delay_ms_ = 2500;
  size_t oversize_bytes_ = 2000002;
  int retry_after_ = 1;
  std::string redirect_target_ = "ftp://127.0.0.1:1/";
  std::map<std::string, std::pair<int, std::string>> files_;  // path: status, bytes
  std::map<int64_t, std::string> pages_;                      // made on first request
  std::vector<std::string> requests_;
  std::vector<std::chrono::steady_clock::time_point> request_times_;  // of message requests
  std::string user_agent_;
  std::map<int64_t, int> counts_;
};

}  // namespace pellucor::testing
