// Decoding one 64 KB EUC-JP message page: DecodePage against glibc iconv "EUC-JP-MS" ->
// UTF-16 on the same bytes. Run: build/release/bin/bench_decode
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/decode.h"

namespace {

// A page-like mix: markup and ASCII runs, kanji (JIS rows 16-46), hiragana, katakana, and some
// half-width katakana, with CR LF line breaks. Deterministic.
std::string MakeEucPage(size_t size) {
  std::string page;
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  const std::string ascii = "<td class=\"msg\">Re: message 12345</td> http://example/ ";
  while (page.size() + 64 < size) {
    switch (next(6)) {
      case 0: {
        size_t len = 4 + next(24);
        size_t at = next(static_cast<uint32_t>(ascii.size() - len));
        page += ascii.substr(at, len);
        break;
      }
      case 1:
      case 2:
        for (uint32_t k = 0, n = 2 + next(10); k < n; ++k) {
          page.push_back(static_cast<char>(0xB0 + next(31)));
          page.push_back(static_cast<char>(0xA1 + next(94)));
        }
        break;
      case 3:
        for (uint32_t k = 0, n = 2 + next(8); k < n; ++k) {
          page.push_back(static_cast<char>(0xA4));
          page.push_back(static_cast<char>(0xA1 + next(83)));
        }
        break;
      case 4:
        for (uint32_t k = 0, n = 2 + next(6); k < n; ++k) {
          if (next(4) == 0) {
            page.push_back(static_cast<char>(0x8E));
            page.push_back(static_cast<char>(0xB1 + next(45)));
          } else {
            page.push_back(static_cast<char>(0xA5));
            page.push_back(static_cast<char>(0xA1 + next(86)));
          }
        }
        break;
      default:
        page += "<br>\r\n";
    }
  }
  page.append(size - page.size(), ' ');
  return page;
}

const std::string& Page() {
  static const std::string page = MakeEucPage(64 * 1024);
  return page;
}

void BM_DecodePage(benchmark::State& state) {
  const std::string& page = Page();
  for (auto _ : state) {
    pellucor::Text text = pellucor::DecodePage(page, 0);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_DecodePage);

void BM_IconvEucJpMs(benchmark::State& state) {
  const std::string& page = Page();
  iconv_t cd = iconv_open("UTF-16LE", "EUC-JP-MS");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open EUC-JP-MS failed");
    return;
  }
  std::vector<char> out(page.size() * 2 + 16);
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(page.data());
    size_t il = page.size();
    char* op = out.data();
    size_t ol = out.size();
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
      state.SkipWithError("iconv rejected the page");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_IconvEucJpMs);

}  // namespace

BENCHMARK_MAIN();
