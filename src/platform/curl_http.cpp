#include "platform/curl_http.h"

#include <curl/curl.h>

#include <mutex>

#include "common/project.h"
#include "common/version.h"
#include "platform/transfer_errors.h"

namespace pellucor {
namespace {

struct Sink {
  std::string* body;
  size_t max;
  bool over = false;  // the body passed max: the transfer was stopped there
};

// Keeps at most max + 1 bytes; one byte past the limit is enough to judge the body, so the
// transfer stops there instead of reading the rest.
size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t n = size * count;
  size_t room = sink->max + 1 - sink->body->size();
  if (n < room) {
    sink->body->append(data, n);
    return n;
  }
  sink->body->append(data, room);
  sink->over = true;
  return 0;  // CURLE_WRITE_ERROR
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

CurlHttpClient::CurlHttpClient() {
  GlobalInit();
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
}

CurlHttpClient::~CurlHttpClient() {
  if (easy_) curl_easy_cleanup(static_cast<CURL*>(easy_));
  if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void CurlHttpClient::SetAccessType(int type) {
  access_type_ = type;
}

void CurlHttpClient::SetProxy(const Text& address_and_port) {
  proxy_ = ToUtf8(address_and_port);
}

void CurlHttpClient::SetTimeout(int seconds) {
  timeout_ = seconds;
}

void CurlHttpClient::ApplyOptions() {
  CURL* h = static_cast<CURL*>(easy_);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
  // A redirect may lead to another web page, never to a file, a mail box or another protocol.
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl can decode
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  // A whole message page in one read, not two or three: fewer wake-ups per message.
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 64L * 1024);
  // Names the program and where to learn about it, so a board's keeper can tell who calls.
  std::string agent = "Pellucor/" + ToUtf8(VersionText()) + " (+" + ToUtf8(kSiteUrl) + ")";
  curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(timeout_ > 0 ? timeout_ : 0));
  switch (access_type_) {
    case 1:  // direct: an empty proxy also overrides the environment's
      curl_easy_setopt(h, CURLOPT_PROXY, "");
      curl_easy_setopt(h, CURLOPT_NOPROXY, nullptr);
      break;
    case 2:  // the named proxy for every host, whatever no_proxy says
      curl_easy_setopt(h, CURLOPT_PROXY, proxy_.c_str());
      curl_easy_setopt(h, CURLOPT_NOPROXY, "");
      break;
    default:  // libcurl reads http_proxy, https_proxy and no_proxy itself
      curl_easy_setopt(h, CURLOPT_PROXY, nullptr);
      curl_easy_setopt(h, CURLOPT_NOPROXY, nullptr);
      break;
  }
}

FetchResult CurlHttpClient::Fetch(const Text& url, const std::function<bool()>& idle) {
  FetchResult result;
  CURL* h = static_cast<CURL*>(easy_);
  CURLM* m = static_cast<CURLM*>(multi_);
  if (!h || !m) {
    result.error = u"HTTP クライアントを初期化できませんでした";
    return result;
  }
  ApplyOptions();
  std::string u8 = ToUtf8(url);
  char errbuf[CURL_ERROR_SIZE] = "";
  Sink sink{&result.body, max_body_};
  curl_easy_setopt(h, CURLOPT_URL, u8.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_multi_add_handle(m, h);

  CURLcode code = CURLE_OK;
  bool done = false;
  bool cancelled = false;
  while (!done) {
    int running = 0;
    CURLMcode mc = curl_multi_perform(m, &running);
    if (mc != CURLM_OK) {
      code = CURLE_FAILED_INIT;
      std::snprintf(errbuf, sizeof errbuf, "%s", curl_multi_strerror(mc));
      break;
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(m, &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
        code = msg->data.result;
        done = true;
      }
    }
    if (done) break;
    curl_multi_poll(m, nullptr, 0, 50, nullptr);
    if (idle && idle()) {
      cancelled = true;
      break;
    }
  }
  curl_multi_remove_handle(m, h);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.http_status);
  curl_off_t retry_after = -1;
  if (curl_easy_getinfo(h, CURLINFO_RETRY_AFTER, &retry_after) == CURLE_OK && retry_after > 0)
    result.retry_after = static_cast<int>(std::min<curl_off_t>(retry_after, 86400));
  // A body stopped one byte past the limit is a whole answer: too large, as its callers judge.
  if (sink.over && code == CURLE_WRITE_ERROR) code = CURLE_OK;

  if (cancelled) {
    result.status = FetchResult::Status::Cancelled;
  } else if (code == CURLE_OK) {
    result.status = FetchResult::Status::Ok;
  } else {
    result.status = code == CURLE_OPERATION_TIMEDOUT ? FetchResult::Status::Timeout
                                                     : FetchResult::Status::Failed;
    result.error = DescribeTransferFailure(code, errbuf[0] ? errbuf : curl_easy_strerror(code));
  }
  if (result.status != FetchResult::Status::Ok) result.body.clear();
  return result;
}

}  // namespace pellucor
