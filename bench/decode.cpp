// Decoding message pages, and encoding their text back to code page 932, on the loopback
// board's dense pages (and the old repeated-line pages as a second row): DecodePage against
// glibc iconv (EUC-JP-MS, ISO-2022-JP, CP932 -> UTF-16) on the same bytes, and EncodeCp932
// of the decoded text against DecodePage. Run: build/release/bin/bench_decode
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine/decode.h"

namespace pellucor::bench {
namespace {

constexpr Encoding kEncodings[] = {Encoding::EucJp, Encoding::Iso2022Jp, Encoding::ShiftJis};

const std::vector<std::string>& Pages(Mix mix, Encoding e) {
  static std::map<std::pair<int, int>, std::vector<std::string>> cache;
  auto key = std::make_pair(static_cast<int>(mix), static_cast<int>(e));
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, MakePages(mix, e)).first;
  return it->second;
}

std::string Label(const char* what, Mix mix, Encoding e) {
  return std::string(what) + "/" + Name(e) + (mix == Mix::Dense ? "/dense" : "/repeated");
}

void Register(Mix mix, Encoding e) {
  const int charchange = testing::CharchangeFor(e);
  benchmark::RegisterBenchmark(Label("DecodePage", mix, e).c_str(), [=](benchmark::State& state) {
    const auto& pages = Pages(mix, e);
    size_t i = 0, bytes = 0;
    for (auto _ : state) {
      const std::string& page = pages[i++ % pages.size()];
      Text text = DecodePage(page, charchange);
      benchmark::DoNotOptimize(text.data());
      bytes += page.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
  })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Label("iconv", mix, e).c_str(), [=](benchmark::State& state) {
    const auto& pages = Pages(mix, e);
    IconvDecoder iconv(e);
    size_t i = 0, bytes = 0;
    for (auto _ : state) {
      const std::string& page = pages[i++ % pages.size()];
      iconv.Decode(page);
      bytes += page.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
  })->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(Label("EncodeCp932", mix, e).c_str(), [=](benchmark::State& state) {
    std::vector<Text> texts;
    size_t chars = 0, double_byte = 0;
    for (const std::string& page : Pages(mix, e)) {
      texts.push_back(DecodePage(page, charchange));
      for (char16_t c : texts.back()) double_byte += Cp932Width(c) == 2, ++chars;
    }
    size_t i = 0;
    for (auto _ : state) {
      std::string bytes = EncodeCp932(texts[i++ % texts.size()]);
      benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["chars"] = static_cast<double>(chars) / static_cast<double>(texts.size());
    state.counters["double_byte_%"] =
        100.0 * static_cast<double>(double_byte) / static_cast<double>(chars);
  })->Unit(benchmark::kMicrosecond);
}

}  // namespace
}  // namespace pellucor::bench

int main(int argc, char** argv) {
  using namespace pellucor::bench;
  for (Mix mix : {Mix::Dense, Mix::Repeated})
    for (Encoding e : kEncodings) Register(mix, e);
  return RunWithTargets(argc, argv, [](TargetReporter& r) {
    bool ok = true;
    for (Mix mix : {Mix::Dense, Mix::Repeated}) {
      for (Encoding e : kEncodings) {
        ok &=
            r.Check(Label("DecodePage", mix, e) + " vs iconv " + IconvName(e),
                    Label("DecodePage", mix, e), Label("iconv", mix, e), 0.5, mix == Mix::Repeated);
      }
      for (Encoding e : kEncodings) {
        ok &= r.Check(Label("EncodeCp932", mix, e) + " vs DecodePage", Label("EncodeCp932", mix, e),
                      Label("DecodePage", mix, e), 1.0, mix == Mix::Repeated);
      }
    }
    return ok;
  });
}
