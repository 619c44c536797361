#include "loopback-board/board_server.h"

#include <httplib.h>

#include <chrono>
#include <thread>

namespace pellucor::testing {
namespace {

constexpr char kPagePath[] = "/board/message";
constexpr char kMovedPath[] = "/board/moved";

// httplib compresses text/* answers for a client that accepts it; a binary type is sent as
// it is.
const char* ContentType(Encoding e, bool compress = true) {
  if (!compress) return "application/octet-stream";
  switch (e) {
    case Encoding::EucJp:
      return "text/html; charset=EUC-JP";
    case Encoding::Iso2022Jp:
      return "text/html; charset=ISO-2022-JP";
    case Encoding::ShiftJis:
      return "text/html; charset=Shift_JIS";
  }
  return "text/html";
}

int64_t NumberOf(const httplib::Request& req) {
  if (!req.has_param("mid")) return -1;
  std::string v = req.get_param_value("mid");
  if (v.empty() || v.size() > 15 || v.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoll(v);
}

// A page of the board's layout without any message on it, as boards answer beyond the end.
std::string NoMessagePage(Encoding e) {
  return EncodePage(
      u"<html><head><title>メッセージがありません</title></head><body>\r\n"
      u"<p>指定されたメッセージは存在しません。</p>\r\n</body></html>\r\n",
      e);
}

}  // namespace

BoardServer::BoardServer(TopicSpec topic, int port) : server_(std::make_unique<httplib::Server>()) {
  SetTopic(topic);
  server_->set_tcp_nodelay(true);
  auto page = [this](const httplib::Request& req, httplib::Response& res) {
    int64_t n = NumberOf(req);
    Misbehaviour kind = Misbehaviour::None;
    Encoding enc;
    bool compress;
    {
      std::lock_guard<std::mutex> lock(mu_);
      compress = topic_.compress;
      requests_.push_back(req.path + (req.params.empty() ? "" : "?mid=" + std::to_string(n)));
      request_times_.push_back(std::chrono::steady_clock::now());
      user_agent_ = req.get_header_value("User-Agent");
      ++counts_[n];
      enc = topic_.encoding;
    }
    if (req.path == kPagePath) kind = TakeMisbehaviour(n);
    switch (kind) {
      case Misbehaviour::Delay:
        WaitDelay();
        break;
      case Misbehaviour::Empty:
        res.set_content("", ContentType(enc));
        return;
      case Misbehaviour::Oversize: {
        size_t size;
        {
          std::lock_guard<std::mutex> lock(mu_);
          size = oversize_bytes_;
        }
        std::string body = PageBytes(n);
        body.resize(std::max(size, body.size()), ' ');
        res.set_content(body, ContentType(enc));
        return;
      }
      case Misbehaviour::Reset:
        res.set_content_provider(4096, ContentType(enc),
                                 [](size_t, size_t, httplib::DataSink&) { return false; });
        return;
      case Misbehaviour::NotFound:
        res.status = 404;
        res.set_content("<html><body><h1>404 Not Found</h1></body></html>\r\n", "text/html");
        return;
      case Misbehaviour::Redirect:
        res.set_redirect(std::string(kMovedPath) + "?mid=" + std::to_string(n));
        return;
      case Misbehaviour::ServerError:
      case Misbehaviour::Unavailable:
      case Misbehaviour::TooMany: {
        res.status = kind == Misbehaviour::ServerError ? 500
                     : kind == Misbehaviour::TooMany   ? 429
                                                       : 503;
        std::lock_guard<std::mutex> lock(mu_);
        if (kind != Misbehaviour::ServerError && retry_after_ >= 0)
          res.set_header("Retry-After", std::to_string(retry_after_));
        res.set_content("<html><head><title>" + std::to_string(res.status) +
                            " Service Temporarily Unavailable</title></head><body><h1>" +
                            std::to_string(res.status) + "</h1></body></html>\r\n",
                        "text/html");
        return;
      }
      case Misbehaviour::RedirectAway: {
        std::lock_guard<std::mutex> lock(mu_);
        res.set_redirect(redirect_target_);
        return;
      }
      case Misbehaviour::None:
        break;
    }
    res.set_content(PageBytes(n), ContentType(enc, compress));
  };
  server_->Get(kPagePath, page);
  server_->Get(kMovedPath, page);
  server_->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(mu_);
    requests_.push_back(req.path);
    auto it = files_.find(req.path);
    if (it == files_.end()) {
      res.status = 404;
      res.set_content("not found\r\n", "text/plain");
    } else {
      res.status = it->second.first;
      res.set_content(it->second.second, "application/octet-stream");
    }
  });
  if (port == 0) {
    port_ = server_->bind_to_any_port("127.0.0.1");
  } else if (server_->bind_to_port("127.0.0.1", port)) {
    port_ = port;
  }
  if (port_ <= 0) throw std::runtime_error("loopback board: cannot bind 127.0.0.1");
  thread_ = std::make_unique<std::thread>([this] { server_->listen_after_bind(); });
  for (int i = 0; i < 500 && !server_->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

BoardServer::~BoardServer() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = true;
  }
  stop_cv_.notify_all();
  server_->stop();
  if (thread_ && thread_->joinable()) thread_->join();
}

std::string BoardServer::base() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::string BoardServer::url1() const {
  return base() + kPagePath + "?mid=";
}

void BoardServer::SetTopic(const TopicSpec& topic) {
  Text padding;
  size_t bare = 0;
  if (topic.page_bytes) {
    BoardMessage m = SampleMessage(1, topic.count);
    m.topic_title = topic.topic_title;
    auto size_with = [&](const Text& pad) {
      BoardMessage p = m;
      p.body += u"\n" + pad;
      return EncodePage(MakeBoardPage(p), topic.encoding).size();
    };
    bare = size_with(Text());
    if (topic.text == PageText::Repeated) {
      // Lines of mixed text until the sampled page reaches the size asked for.
      const Text line = u"長い本文の行です。かなカナ漢字とASCII 0123456789 を含みます。\n";
      size_t per_line = size_with(line) - bare;
      if (bare < topic.page_bytes)
        for (size_t i = (topic.page_bytes - bare + per_line - 1) / per_line; i > 0; --i)
          padding += line;
    }
  }
  std::lock_guard<std::mutex> lock(mu_);
  topic_ = topic;
  padding_ = std::move(padding);
  bare_bytes_ = bare;
  pages_.clear();
}

void BoardServer::Misbehave(int64_t n, Misbehaviour kind, int times) {
  std::lock_guard<std::mutex> lock(mu_);
  misbehave_[n] = {kind, times};
}

void BoardServer::SetDelay(int ms) {
  std::lock_guard<std::mutex> lock(mu_);
  delay_ms_ = ms;
}

void BoardServer::SetOversizeBytes(size_t bytes) {
  std::lock_guard<std::mutex> lock(mu_);
  oversize_bytes_ = bytes;
}

void BoardServer::SetRetryAfter(int seconds) {
  std::lock_guard<std::mutex> lock(mu_);
  retry_after_ = seconds;
}

void BoardServer::SetRedirectTarget(std::string url) {
  std::lock_guard<std::mutex> lock(mu_);
  redirect_target_ = std::move(url);
}

void BoardServer::ServeFile(const std::string& path, std::string bytes, int status) {
  std::lock_guard<std::mutex> lock(mu_);
  files_[path] = {status, std::move(bytes)};
}

BoardMessage BoardServer::Message(int64_t n) {
  std::lock_guard<std::mutex> lock(mu_);
  BoardMessage m = SampleMessage(n, topic_.highest ? topic_.highest : topic_.count);
  m.topic_title = topic_.topic_title;
  if (!padding_.empty()) m.body += u"\n" + padding_;
  if (topic_.text == PageText::Dense && topic_.page_bytes > bare_bytes_) {
    // Page sizes spread over [page_bytes, 1.5 page_bytes), by the number.
    uint64_t h = (static_cast<uint64_t>(n) + topic_.seed) * 0x9E3779B97F4A7C15ull;
    size_t want = topic_.page_bytes + static_cast<size_t>((h >> 33) % (topic_.page_bytes / 2 + 1));
    m.body += u"\n" + DenseMessageText(topic_.seed, n, want - bare_bytes_, topic_.encoding);
  }
  return m;
}

std::string BoardServer::PageBytes(int64_t n) {
  Encoding enc;
  int64_t count;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (auto it = pages_.find(n); it != pages_.end()) return it->second;
    enc = topic_.encoding;
    count = topic_.count;
  }
  std::string bytes =
      n < 1 || n > count ? NoMessagePage(enc) : EncodePage(MakeBoardPage(Message(n)), enc);
  // Pages are made once, so a benchmark measures the client rather than the board.
  std::lock_guard<std::mutex> lock(mu_);
  pages_.emplace(n, bytes);
  return bytes;
}

std::vector<std::string> BoardServer::Requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

std::vector<double> BoardServer::RequestGaps() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<double> gaps;
  for (size_t i = 1; i < request_times_.size(); ++i)
    gaps.push_back(
        std::chrono::duration<double>(request_times_[i] - request_times_[i - 1]).count());
  return gaps;
}

std::string BoardServer::UserAgent() const {
  std::lock_guard<std::mutex> lock(mu_);
  return user_agent_;
}

int BoardServer::RequestCount(int64_t n) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = counts_.find(n);
  return it == counts_.end() ? 0 : it->second;
}

Misbehaviour BoardServer::TakeMisbehaviour(int64_t n) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = misbehave_.find(n);
  if (it == misbehave_.end()) return Misbehaviour::None;
  Misbehaviour kind = it->second.first;
  if (it->second.second > 0 && --it->second.second == 0) misbehave_.erase(it);
  return kind;
}

void BoardServer::WaitDelay() {
  std::unique_lock<std::mutex> lock(mu_);
  stop_cv_.wait_for(lock, std::chrono::milliseconds(delay_ms_), [this] { return stopping_; });
}

}  // namespace pellucor::testing
