// Cost against input size for the two routines that hostile pages and files once made
// quadratic: link removal over a body with N links, and reading a definition value from a file
// with one line of N bytes (a run reads some hundred keys, each a scan of the file). The time
// per link and per byte stays flat as N grows: the cost is linear.
// Run: build/release/bin/bench_long_input
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/deffile.h"
#include "common/files.h"
#include "engine/extract.h"

namespace pellucor {
namespace {

// A message body of Japanese text with `links` links in it, as a board page gives them.
Text LinkedBody(int64_t links) {
  Text body;
  for (int64_t i = 0; i < links; ++i)
    body += u"関連する話題は<a href=\"/board/message?mid=" + FromUtf8(std::to_string(i)) +
            u"\" target=\"_blank\">こちらの投稿（" + FromUtf8(std::to_string(i)) +
            u"）</a>をご覧ください。";
  return body;
}

void BM_RemoveLinks(benchmark::State& state) {
  const Text body = LinkedBody(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(RemoveLinks(body));
  state.SetItemsProcessed(state.iterations() * state.range(0));  // links per second
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size() * 2));
}
BENCHMARK(BM_RemoveLinks)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// A board definition whose [basic] section holds one line of `bytes` bytes of kanji before the
// keys a run reads; one iteration reads 20 keys, as loading a definition does.
void BM_ReadDefinitionLongLine(benchmark::State& state) {
  const std::string path = "/tmp/pellucor-bench-deffile-" + std::to_string(::getpid());
  std::string file = "[basic]\r\nnote=";
  while (file.size() < static_cast<size_t>(state.range(0))) file += "\x8a\xbf\x8e\x9a";
  file += "\r\n";
  for (int k = 0; k < 20; ++k) file += "key" + std::to_string(k) + "=value\r\n";
  WriteFileAtomic(FromUtf8(path), file);
  const Text p = FromUtf8(path);
  for (auto _ : state)
    for (int k = 0; k < 20; ++k)
      benchmark::DoNotOptimize(
          ReadDefinitionValue(u"basic", u"key" + FromUtf8(std::to_string(k)), u"", p));
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * 20 * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_ReadDefinitionLongLine)
    ->Arg(500000)
    ->Arg(5000000)
    ->Arg(20000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellucor

BENCHMARK_MAIN();
