// The per-message work of a run on a 30 KB EUC-JP page with seven items: decode, prepare,
// extract, clean up, expand the message template and append it to the output file; against
// glibc iconv "EUC-JP-MS" -> UTF-16 decoding of the same page alone, the floor of this work.
// Run: build/release/bin/bench_message
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/main_form.h"
#include "app/program.h"
#include "common/files.h"
#include "engine/decode.h"
#include "engine/pipeline.h"
#include "platform/clock.h"
#include "platform/shell.h"

namespace pellucor {
namespace {

std::string Iconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
  std::string src = in, out(in.size() * 4 + 16, '\0');
  char* ip = src.data();
  char* op = out.data();
  size_t il = src.size(), ol = out.size();
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) throw std::runtime_error("iconv");
  out.resize(out.size() - ol);
  return out;
}

// A message page of the shipped board layout, about 30 KB in EUC-JP: page chrome around the
// seven items, and a body of a few kilobytes of Japanese text.
const std::string& Page() {
  static const std::string page = [] {
    std::string chrome;
    for (int i = 0; chrome.size() < 12000; ++i)
      chrome += "<li><a href=\"/board/topic?tid=" + std::to_string(1000 + i) + "\">関連トピック " +
                std::to_string(i) + " について語る</a> (" + std::to_string(i * 7 % 300) +
                "件)</li>\r\n";
    std::string body;
    for (int i = 0; body.size() < 12000; ++i)
      body += "今日は良い天気でした。掲示板の皆さん、こんにちは！ 第" + std::to_string(i) +
              "段落です。ＡＢＣ、カタカナ、ひらがな、漢字の混じった文章。<br>\r\n";
    std::string p;
    p += "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=EUC-JP\">\r\n<title>テスト用トピック - メッセージ 1234</title>\r\n";
    p += "<script type=\"text/javascript\">var ad = 'banner'; function f(x) { return x * 2; "
         "}</script>\r\n</head>\r\n<body>\r\n<ul class=\"nav\">\r\n" +
         chrome + "</ul>\r\n";
    p += "<div class=\"topic\"><h1>テスト用トピック：今日の話題</h1></div>\r\n";
    p += "<div class=\"nav\">メッセージ <span class=\"msgno\">1234</span> / "
         "<span class=\"maxmsg\">5678</span></div>\r\n<table class=\"msg\">\r\n";
    p += "<tr><th>題名</th><td class=\"subject\">Re: 今日の話題について</td></tr>\r\n";
    p += "<tr><th>投稿者</th><td class=\"author\">名無しさん</td></tr>\r\n";
    p += "<tr><th>日時</th><td class=\"date\">2001/05/12 13:45</td></tr>\r\n";
    p += "<tr><th>返信先</th><td class=\"reply\">1233</td></tr>\r\n</table>\r\n";
    p += "<div class=\"body\">" + body + "<!--/body--></div>\r\n<ul class=\"more\">\r\n" + chrome +
         "</ul>\r\n</body>\r\n</html>\r\n";
    return Iconv("EUC-JP-MS", "UTF-8", p);
  }();
  return page;
}

void BM_IconvDecodeOnly(benchmark::State& state) {
  const std::string& page = Page();
  iconv_t cd = iconv_open("UTF-16LE", "EUC-JP-MS");
  std::string out(page.size() * 2 + 16, '\0');
  for (auto _ : state) {
    char* ip = const_cast<char*>(page.data());
    char* op = out.data();
    size_t il = page.size(), ol = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &ip, &il, &op, &ol);
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_IconvDecodeOnly);

// The decode step alone, to tell it from the rest of the per-message work.
void BM_DecodePageOnly(benchmark::State& state) {
  const std::string& page = Page();
  for (auto _ : state) benchmark::DoNotOptimize(DecodePage(page, 0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_DecodePageOnly);

struct NullClock : Clock {
  DateTime Now() override { return {2001, 5, 12, 13, 45, 0}; }
  void Sleep(int) override {}
};
struct NullShell : Shell {
  bool Open(const Text&) override { return true; }
  bool Edit(const Text&) override { return true; }
  bool Explore(const Text&) override { return true; }
};
struct NullUi : Ui {
  Answer MessageBox(const Text&, const Text&, Icon, Buttons) override { return Answer::Abort; }
  void Beep() override {}
  void Yield() override {}
  std::optional<Text> InputBox(const Text&, const Text&, const Text&) override { return {}; }
  void SetBusy(bool) override {}
};
struct NullHooks : RunHooks {
  void UpdateHistory(RunState&) override {}
  void SaveHistory() override {}
  void ShowResult() override {}
};

void BM_PerMessage(benchmark::State& state) {
  const std::string& page = Page();
  const Text defs = ProgramDirectory();  // the shipped definitions lie beside the program
  NullUi ui;
  NullClock clock;
  NullShell shell;
  NullHooks hooks;
  MemoryForm form;
  DefinitionCatalog catalog;
  BoardEntry board;
  board.file = u"_yahoo.bbs";
  board.name = u"EUC-JP掲示板";
  catalog.boards = {board};
  catalog.outputs = {OutputEntry{u"_html.out", u"HTML形式", u"html"}};
  form.Combo_bbs().SetIndex(0);
  form.Combo_out().SetIndex(0);
  char tmpl[] = "/tmp/pellucor-bench-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
  const std::string dir = tmpl;
  form.Text_out().SetValue(FromUtf8(dir + "/out.html"));
  RunEnv env{form, ui, clock, shell, hooks, catalog, defs, u"1.00"};
  RunState st;
  st.board = *LoadBoardDefinition(board, defs, ui);
  st.output = *LoadOutputType(catalog.outputs[0], defs, ui);
  st.first_number = st.current_number = 1;

  int64_t n = 0;
  for (auto _ : state) {
    Text text = DecodePage(page, st.board.charchange);
    PreparePageInPlace(text, st.board);
    st.values = ExtractItems(text, st.board);
    CleanUpItems(st.values, st.board, st.output.special, st.topic_title);
    if (WriteMessage(env, st) != Step::Continue) state.SkipWithError("write failed");
    if (++n % 2000 == 0) {  // keep the file at a realistic size
      state.PauseTiming();
      std::filesystem::remove(dir + "/out.html");
      st.current_number = st.first_number;
      st.previous_path.clear();
      state.ResumeTiming();
    }
  }
  std::filesystem::remove_all(dir);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["page_bytes"] = static_cast<double>(page.size());
  state.counters["items"] = static_cast<double>(st.values.size());
}
BENCHMARK(BM_PerMessage);

}  // namespace
}  // namespace pellucor

BENCHMARK_MAIN();
