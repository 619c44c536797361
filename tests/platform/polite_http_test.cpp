#include "platform/polite_http.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "support/fake_clock.h"

namespace pellucor {
namespace {

class CountingClient : public HttpClient {
 public:
  void SetAccessType(int) override {}
  void SetProxy(const Text&) override {}
  void SetTimeout(int) override {}
  FetchResult Fetch(const Text&, const std::function<bool()>&) override {
    ++fetches;
    FetchResult r;
    r.status = FetchResult::Status::Ok;
    return r;
  }
  int fetches = 0;
};

int Slept(const testing::FakeClock& clock) {
  return std::accumulate(clock.sleeps.begin(), clock.sleeps.end(), 0);
}

TEST(PoliteHttp, WaitsOnlyBetweenRequestsToTheSameHost) {
  CountingClient inner;
  testing::FakeClock clock;
  PoliteHttpClient http(inner, clock);
  http.SetWait(1250);
  const std::pair<const char16_t*, int> kSteps[] = {
      {u"http://a.jp/t?mid=1", 0},       // the first request goes at once
      {u"http://A.jp/t?mid=2", 1250},    // the same host, in other letters
      {u"http://b.jp:8080/x", 1250},     // another host
      {u"https://u@b.jp:8080/y", 2500},  // b again, with a user part
      {u"http://b.jp:8081/y", 2500},     // another port is another host
  };
  for (const auto& [url, slept] : kSteps) {
    http.Fetch(url, {});
    EXPECT_EQ(Slept(clock), slept) << ToUtf8(url);
  }
  // Slept in slices short enough for a cancel to be seen.
  EXPECT_LE(*std::max_element(clock.sleeps.begin(), clock.sleeps.end()), 50);
  EXPECT_EQ(inner.fetches, 5);

  int polls = 0;
  FetchResult r = http.Fetch(u"http://b.jp:8081/z", [&] { return ++polls > 3; });
  EXPECT_EQ(r.status, FetchResult::Status::Cancelled);
  EXPECT_EQ(inner.fetches, 5);
  EXPECT_EQ(Slept(clock), 2500 + 150);
}

TEST(PoliteHttp, WaitTextsAreSecondsWithFractions) {
  const std::pair<const char*, int> kCases[] = {
      {"0", 0},   {"0.5", 500}, {"1", 1000}, {"2.25", 2250}, {"3600", 3600000}, {"3601", -1},
      {"-1", -1}, {"", -1},     {"1s", -1},  {"1e3", -1},    {".5", 500},       {"1.", 1000}};
  for (const auto& [text, ms] : kCases) EXPECT_EQ(ParseWaitSeconds(text), ms) << text;
}

}  // namespace
}  // namespace pellucor
