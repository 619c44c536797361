// Pages and a target report shared by the benchmark programs.
//
// Pages: the loopback board's layout with dense message text (DenseMessageText) or the old
// repeated line, several different pages cycled so no single page stays hot in the caches.
//
// Report: every benchmark runs in several repetitions (5 unless --benchmark_repetitions says
// otherwise); after the usual table each figure is printed against its target as the ratio of
// the median CPU times, with the spread of the per-repetition ratios.
#pragma once

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "loopback-board/board_pages.h"

namespace pellucor::bench {

using testing::Encoding;

enum class Mix { Dense, Repeated };

inline const char* Name(Encoding e) {
  return e == Encoding::EucJp ? "EUC-JP" : e == Encoding::Iso2022Jp ? "ISO-2022-JP" : "Shift_JIS";
}

// The iconv name a board's pages are read with, for the comparison.
inline const char* IconvName(Encoding e) {
  return e == Encoding::EucJp ? "EUC-JP-MS" : e == Encoding::Iso2022Jp ? "ISO-2022-JP" : "CP932";
}

// `count` message pages of about `bytes` bytes (dense: up to 1.5 times that).
inline std::vector<std::string> MakePages(Mix mix, Encoding e, int count = 8,
                                          size_t bytes = 21000) {
  std::vector<std::string> pages;
  for (int n = 1; n <= count; ++n) {
    testing::BoardMessage m = testing::SampleMessage(n, 2000);
    const size_t bare = testing::EncodePage(testing::MakeBoardPage(m), e).size();
    if (mix == Mix::Dense) {
      size_t want = bytes + bytes * static_cast<size_t>(n % 5) / 10;
      m.body += u"\n" + testing::DenseMessageText(1, n, want - bare, e);
    } else {
      const Text line = u"長い本文の行です。かなカナ漢字とASCII 0123456789 を含みます。";
      while (testing::EncodePage(testing::MakeBoardPage(m), e).size() < bytes)
        for (int k = 0; k < 20; ++k) m.body += u"\n" + line;
    }
    pages.push_back(testing::EncodePage(testing::MakeBoardPage(m), e));
  }
  return pages;
}

// glibc iconv into UTF-16, one reset per page: the yardstick for decoding.
class IconvDecoder {
 public:
  explicit IconvDecoder(Encoding e) : cd_(iconv_open("UTF-16LE", IconvName(e))) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~IconvDecoder() { iconv_close(cd_); }
  IconvDecoder(const IconvDecoder&) = delete;
  // Characters written; throws when iconv rejects the page.
  size_t Decode(const std::string& page) {
    if (out_.size() < page.size() * 2 + 16) out_.resize(page.size() * 2 + 16);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(page.data());
    char* op = out_.data();
    size_t il = page.size(), ol = out_.size();
    if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<size_t>(-1))
      throw std::runtime_error("iconv rejected the page");
    benchmark::DoNotOptimize(out_.data());
    return (out_.size() - ol) / 2;
  }

 private:
  iconv_t cd_;
  std::string out_;
};

// Collects the CPU time of every repetition by benchmark name.
class TargetReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      times_[r.run_name.str()].push_back(r.GetAdjustedCPUTime() /
                                         benchmark::GetTimeUnitMultiplier(r.time_unit));
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Prints "what: A vs B" as the ratio of the median CPU times against `limit`; false when
  // it misses (a figure that is missing, e.g. filtered out, prints nothing). A reference row
  // (the old repeated-line pages) is printed with its target but never fails.
  bool Check(const std::string& what, const std::string& a, const std::string& b, double limit,
             bool reference = false) {
    auto ia = times_.find(a), ib = times_.find(b);
    if (ia == times_.end() || ib == times_.end()) return true;
    std::vector<double> ta = ia->second, tb = ib->second, ratios;
    for (size_t i = 0; i < std::min(ta.size(), tb.size()); ++i) ratios.push_back(ta[i] / tb[i]);
    const double ma = Median(ta), mb = Median(tb), r = ma / mb;
    const bool ok = r <= limit;
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "%-58s %8.1f us vs %8.1f us = %5.2fx (spread %.2f-%.2f, %zu runs)  target <= "
        "%.2fx  %s\n",
        what.c_str(), ma * 1e6, mb * 1e6, r, ratios.front(), ratios.back(), ratios.size(), limit,
        ok          ? "ok"
        : reference ? "missed (reference row)"
                    : "MISSED");
    return ok || reference;
  }

 private:
  static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }
  std::map<std::string, std::vector<double>> times_;
};

// Runs the benchmarks with the reporter; repetitions default to 5.
template <class Summary>
int RunWithTargets(int argc, char** argv, Summary summary) {
  std::vector<char*> args(argv, argv + argc);
  bool has_reps = false;
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0) has_reps = true;
  static char reps[] = "--benchmark_repetitions=5";
  static char min_time[] = "--benchmark_min_time=0.2";
  if (!has_reps) args.push_back(reps), args.push_back(min_time);
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 2;
  TargetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf(
      "\nFigures against their targets (median CPU time per page; spread = lowest and "
      "highest per-repetition ratio):\n");
  bool ok = summary(reporter);
  benchmark::Shutdown();
  return ok ? 0 : 1;
}

}  // namespace pellucor::bench
