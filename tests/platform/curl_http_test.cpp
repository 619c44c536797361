#include "platform/curl_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "support/board_server.h"
#include "support/proxy_fixture.h"

namespace pellucor {
namespace {

using testing::BoardServer;
using testing::Misbehaviour;
using Status = FetchResult::Status;

Text Url(const BoardServer& b, int64_t n) {
  return FromUtf8(b.url1() + std::to_string(n));
}

struct Idle {
  int calls = 0;
  int cancel_after = -1;
  std::function<bool()> fn() {
    return [this] { return ++calls == cancel_after; };
  }
};

TEST(CurlHttp, BodiesWhateverTheStatusRedirectsAndCompression) {
  BoardServer board;
  CurlHttpClient http;
  http.SetAccessType(1);
  http.SetTimeout(10);
  Idle idle;

  FetchResult r = http.Fetch(Url(board, 3), idle.fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(r.http_status, 200);
  EXPECT_EQ(r.body, board.PageBytes(3));

  board.Misbehave(4, Misbehaviour::Redirect);
  r = http.Fetch(Url(board, 4), idle.fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(r.body, board.PageBytes(4));

  board.Misbehave(5, Misbehaviour::NotFound);
  r = http.Fetch(Url(board, 5), idle.fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(r.http_status, 404);
  EXPECT_NE(r.body.find("404 Not Found"), std::string::npos);

  board.Misbehave(6, Misbehaviour::Empty);
  r = http.Fetch(Url(board, 6), idle.fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_TRUE(r.body.empty());

  board.Misbehave(7, Misbehaviour::Oversize);
  http.SetMaxBody(1000);
  r = http.Fetch(Url(board, 7), idle.fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(r.body.size(), 1001u);  // capped, still judged too large by every caller
}

TEST(CurlHttp, TimeOutIsDistinctAndIdleIsCalledWhileWaiting) {
  BoardServer board;
  board.SetDelay(5000);
  board.Misbehave(1, Misbehaviour::Delay);
  CurlHttpClient http;
  http.SetAccessType(1);
  http.SetTimeout(1);
  Idle idle;
  auto t0 = std::chrono::steady_clock::now();
  FetchResult r = http.Fetch(Url(board, 1), idle.fn());
  auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  EXPECT_EQ(r.status, Status::Timeout);
  EXPECT_LT(ms, 3000);
  EXPECT_GE(idle.calls, 1000 / 50 / 2);  // polled about every 50 ms

  // A cancel from the idle callback abandons the transfer at once.
  Idle cancel;
  cancel.cancel_after = 2;
  http.SetTimeout(30);
  t0 = std::chrono::steady_clock::now();
  r = http.Fetch(Url(board, 1), cancel.fn());
  ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
           .count();
  EXPECT_EQ(r.status, Status::Cancelled);
  EXPECT_LT(ms, 1000);

  // The handle is fine afterwards.
  board.Misbehave(1, Misbehaviour::None);
  r = http.Fetch(Url(board, 2), Idle().fn());
  EXPECT_EQ(r.status, Status::Ok);
}

TEST(CurlHttp, OtherFailuresCarryCurlsText) {
  BoardServer board;
  board.Misbehave(2, Misbehaviour::Reset);
  CurlHttpClient http;
  http.SetAccessType(1);
  http.SetTimeout(5);
  FetchResult r = http.Fetch(Url(board, 2), Idle().fn());
  EXPECT_EQ(r.status, Status::Failed);
  EXPECT_FALSE(r.error.empty());

  int port = testing::FreeLoopbackPort();
  r = http.Fetch(FromUtf8("http://127.0.0.1:" + std::to_string(port) + "/x"), Idle().fn());
  EXPECT_EQ(r.status, Status::Failed);
  EXPECT_FALSE(r.error.empty());
}

class EnvProxy {
 public:
  explicit EnvProxy(const std::string& value) {
    ::setenv("http_proxy", value.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
  }
  ~EnvProxy() { ::unsetenv("http_proxy"); }
};

TEST(CurlHttp, ProxyModes) {
  testing::TinyProxy proxy;
  if (!proxy.ok()) GTEST_SKIP() << "tinyproxy could not be started";
  BoardServer board;
  CurlHttpClient http;
  http.SetTimeout(10);

  // Mode 2: through the named proxy, which logs the request.
  http.SetProxy(FromUtf8(proxy.address()));
  http.SetAccessType(2);
  FetchResult r = http.Fetch(Url(board, 11), Idle().fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(r.body, board.PageBytes(11));
  EXPECT_TRUE(proxy.Logged("mid=11")) << proxy.Log();

  EnvProxy env("http://" + proxy.address());
  // Mode 1: direct, whatever http_proxy says.
  http.SetAccessType(1);
  r = http.Fetch(Url(board, 12), Idle().fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_EQ(proxy.Log().find("mid=12"), std::string::npos);

  // Mode 0: the environment's proxy.
  http.SetAccessType(0);
  r = http.Fetch(Url(board, 13), Idle().fn());
  EXPECT_EQ(r.status, Status::Ok);
  EXPECT_TRUE(proxy.Logged("mid=13")) << proxy.Log();
}

}  // namespace
}  // namespace pellucor
