// Reading the update site's version list at the largest size a check accepts (2,000,001
// bytes): decoding from Shift_JIS and parsing into the download list.
// Run: build/release/bin/bench_version_list
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "common/text.h"
#include "update/update.h"

namespace pellucor {
namespace {

// Lines of a busy site: board and output definitions with Japanese comments of varying length.
// Deterministic.
const std::string& VersionListBytes() {
  static const std::string bytes = [] {
    const Text comment =
        u"ヤフー掲示板の新しいページ構成に対応しました。投稿者名と返信先の取得を修正、"
        u"全角スペースを含む題名も正しく読み込みます。";
    std::string out;
    uint32_t seed = 2024;
    for (int n = 1;; ++n) {
      seed = seed * 1103515245u + 12345u;
      const size_t len = 8 + (seed >> 16) % (comment.size() - 8);
      const std::string number = std::to_string(n);
      Text line = FromUtf8("board_" + number + (n % 3 ? ".bbs" : ".out")) + u"," +
                  comment.substr(0, len) + u"（第" + FromUtf8(number) + u"版）," +
                  FromUtf8(std::to_string(1 + n % 40)) + u"\r\n";
      std::string encoded = EncodeCp932(line);
      if (out.size() + encoded.size() > 2000000) break;
      out += encoded;
    }
    return out;
  }();
  return bytes;
}

void BM_ReadVersionList(benchmark::State& state) {
  const std::string& bytes = VersionListBytes();
  DownloadList list;
  for (auto _ : state) {
    if (ParseVersionList(DecodeCp932(bytes), list) != VersionListResult::Ok)
      state.SkipWithError("the list did not parse");
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.counters["list_bytes"] = static_cast<double>(bytes.size());
  state.counters["entries"] = static_cast<double>(list.size());
}
BENCHMARK(BM_ReadVersionList)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellucor

BENCHMARK_MAIN();
