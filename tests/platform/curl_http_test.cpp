// The libcurl client against the loopback board. The proxy modes are proven end to end through
// tinyproxy in tests/cli/run_cli_test.cpp.
#include "platform/curl_http.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "platform/transfer_errors.h"
#include "support/board_server.h"
#include "support/proxy_fixture.h"

namespace pellucor {
namespace {

using testing::BoardServer;
using testing::Misbehaviour;
using Status = FetchResult::Status;

class CurlHttp : public ::testing::Test {
 protected:
  CurlHttp() {
    http.SetAccessType(1);
    http.SetTimeout(10);
  }
  // Fetches message n, counting the idle calls; the idle callback cancels at call `cancel_at`.
  FetchResult Fetch(int64_t n, int cancel_at = -1) {
    idle_calls = 0;
    return http.Fetch(FromUtf8(board.url1() + std::to_string(n)),
                      [&] { return ++idle_calls == cancel_at; });
  }
  BoardServer board;
  CurlHttpClient http;
  int idle_calls = 0;
};

// Redirects, 404 pages and empty answers are seen end to end in tests/cli/run_cli_test.cpp.
TEST_F(CurlHttp, CompressedPagesAndACappedBody) {
  FetchResult r = Fetch(3);
  EXPECT_EQ(std::tuple(r.status, r.http_status, r.body),
            std::tuple(Status::Ok, 200L, board.PageBytes(3)));
  // The largest page a caller takes comes whole; anything longer stops one byte past it (not
  // read to its end), still judged too large by every caller.
  board.Misbehave(7, Misbehaviour::Oversize);
  for (auto [served, kept] :
       {std::pair<size_t, size_t>{2000001, 2000001}, {2000002, 2000002}, {8000000, 2000002}}) {
    board.SetOversizeBytes(served);
    r = Fetch(7);
    EXPECT_EQ(std::pair(r.status, r.body.size()), std::pair(Status::Ok, kept)) << served;
  }
  http.SetMaxBody(1000);
  EXPECT_EQ(Fetch(7).body.size(), 1001u);
}

// Server errors come back as answers with their status and Retry-After, for the fetch loop
// to retry; a redirect to another scheme is not followed.
TEST_F(CurlHttp, ServerErrorsRetryAfterAndForeignRedirects) {
  board.SetRetryAfter(7);
  for (auto [kind, status, after] : {std::tuple(Misbehaviour::ServerError, 500L, -1),
                                     std::tuple(Misbehaviour::Unavailable, 503L, 7),
                                     std::tuple(Misbehaviour::TooMany, 429L, 7)}) {
    board.Misbehave(4, kind, 1);
    FetchResult r = Fetch(4);
    EXPECT_EQ(std::tuple(r.status, r.http_status, r.retry_after),
              std::tuple(Status::Ok, status, after));
  }
  // A listening socket stands for an FTP server: it must not even be connected to.
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), len), 0);
  ASSERT_EQ(::listen(s, 4), 0);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  board.SetRedirectTarget("ftp://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/x");
  board.Misbehave(5, Misbehaviour::RedirectAway, 1);
  http.SetTimeout(2);
  EXPECT_EQ(Fetch(5).status, Status::Failed);
  EXPECT_LT(::accept(s, nullptr, nullptr), 0);
  ::close(s);
}

TEST_F(CurlHttp, TimeOutIsDistinctAndIdleIsCalledWhileWaiting) {
  board.SetDelay(5000);
  board.Misbehave(1, Misbehaviour::Delay);
  http.SetTimeout(1);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(Fetch(1).status, Status::Timeout);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
  EXPECT_GE(idle_calls, 1000 / 50 / 2);  // polled about every 50 ms

  // A cancel from the idle callback abandons the transfer at once; the handle is fine after.
  http.SetTimeout(30);
  t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(Fetch(1, 2).status, Status::Cancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
  EXPECT_EQ(Fetch(2).status, Status::Ok);
}

// The common failures are described in Japanese, curl's own text kept after them.
TEST_F(CurlHttp, OtherFailuresAreDescribedWithCurlsTextKept) {
  board.Misbehave(2, Misbehaviour::Reset);
  for (auto [url, start] :
       {std::pair(board.url1() + "2", "通信が途中で切断されました(transfer closed"),
        {"http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort()),
         "サーバに接続できませんでした(Failed to connect"}}) {
    FetchResult r = http.Fetch(FromUtf8(url), [] { return false; });
    EXPECT_EQ(r.status, Status::Failed);
    EXPECT_EQ(ToUtf8(r.error).rfind(start, 0), 0u) << ToUtf8(r.error);
  }

  const std::pair<int, const char*> cases[] = {
      {CURLE_COULDNT_RESOLVE_HOST, "サーバ名が見つかりませんでした(x)"},
      {CURLE_OPERATION_TIMEDOUT, "サーバからの応答が時間内にありませんでした(x)"},
      {CURLE_RECV_ERROR, "通信が途中で切断されました(x)"},
      {CURLE_PEER_FAILED_VERIFICATION, "暗号化通信（SSL/TLS）を確立できませんでした(x)"},
      {CURLE_TOO_MANY_REDIRECTS, "転送（リダイレクト）の回数が多すぎます(x)"},
      {CURLE_UNSUPPORTED_PROTOCOL, "x"}};
  for (const auto& [code, text] : cases)
    EXPECT_EQ(ToUtf8(DescribeTransferFailure(code, "x")), text);
}

}  // namespace
}  // namespace pellucor
