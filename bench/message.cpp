// The per-message work of a run on the loopback board's dense pages with seven items: decode,
// prepare, extract, clean up, expand the message template and append it to the output file;
// against glibc iconv decoding of the same page alone (EUC-JP-MS, ISO-2022-JP, CP932 ->
// UTF-16), the floor of this work. Run: build/release/bin/bench_message
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/program.h"
#include "bench_support.h"
#include "common/files.h"
#include "engine/decode.h"
#include "engine/pipeline.h"
#include "platform/clock.h"
#include "platform/shell.h"

namespace pellucor {
namespace {

using bench::Encoding;
using bench::Mix;

constexpr Encoding kEncodings[] = {Encoding::EucJp, Encoding::Iso2022Jp, Encoding::ShiftJis};

std::string Label(const char* what, Mix mix, Encoding e) {
  return std::string(what) + "/" + bench::Name(e) + (mix == Mix::Dense ? "/dense" : "/repeated");
}

struct NullClock : Clock {
  DateTime Now() override { return {2001, 5, 12, 13, 45, 0}; }
  void Sleep(int) override {}
};
struct NullShell : Shell {
  bool Open(const Text&) override { return true; }
  bool Edit(const Text&) override { return true; }
  bool Explore(const Text&) override { return true; }
};
struct NullIntents : RunIntents {
  void Notice(RunNotice, const std::vector<Text>&) override {}
  bool UseTitleAsFileName() override { return false; }
  bool RunWithAddress(const Text&) override { return false; }
  bool AppendToExisting(const Text&) override { return true; }
  bool CreateMissingFolder(const Text&) override { return false; }
  bool GoOnAfterInvalidPage(TextView) override { return false; }
  bool AskAgainNextTime() override { return false; }
  bool ShowResult(int32_t) override { return false; }
  Recovery AfterFailure(const Text&) override { return Recovery::Abort; }
  Recovery AfterWriteError(const Text&) override { return Recovery::Abort; }
  void Status(const Text&) override {}
  void Changed(const Job&) override {}
  void Yield() override {}
  bool CancelRequested() override { return false; }
};
struct NullHooks : RunHooks {
  std::optional<HistoryCarry> LookUp(const Job&) override { return std::nullopt; }
  bool Claim(const Job&) override { return true; }
  void UpdateHistory(const Job&, const RunState&) override {}
  void SaveHistory() override {}
  void ShowResult() override {}
  RunCheckpoint* Checkpoint(const RunEnv&) override { return nullptr; }
};

void PerMessage(benchmark::State& state, Mix mix, Encoding e) {
  const std::vector<std::string> pages = bench::MakePages(mix, e);
  const Text defs = ProgramDirectory();  // the shipped definitions lie beside the program
  NullIntents intents;
  NullClock clock;
  NullShell shell;
  NullHooks hooks;
  BoardEntry board;
  board.file = u"_yahoo.bbs";
  board.name = u"EUC-JP掲示板";
  char tmpl[] = "/tmp/pellucor-bench-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
  const std::string dir = tmpl;
  Job job;
  job.board = board;
  job.output = OutputEntry{u"_html.out", u"HTML形式", u"html"};
  job.output_path = FromUtf8(dir + "/out.html");
  RunEnv env{job, intents, clock, shell, hooks, defs, u"1.00"};
  RunState st;
  auto loaded_board = LoadBoardDefinition(board, defs);
  auto loaded_output = LoadOutputType(*job.output, defs);
  if (!loaded_board || !loaded_output) {  // the definitions are copied beside the program
    throw std::runtime_error(
        "_yahoo.bbs or _html.out not found beside the benchmark: build "
        "the pellucor_defs target");
  }
  st.board = *loaded_board;
  st.board.charchange = testing::CharchangeFor(e);
  st.output = *loaded_output;
  st.first_number = st.current_number = 1;

  int64_t n = 0, bytes = 0;
  for (auto _ : state) {
    const std::string& page = pages[static_cast<size_t>(n) % pages.size()];
    Text text = DecodePreparedPage(page, st.board);
    st.values = ExtractItems(text, st.board);
    CleanUpItems(st.values, st.board, st.output.special, st.topic_title);
    if (WriteMessage(env, st) != Step::Continue) state.SkipWithError("write failed");
    bytes += static_cast<int64_t>(page.size());
    if (++n % 2000 == 0) {  // keep the file at a realistic size
      state.PauseTiming();
      std::filesystem::remove(dir + "/out.html");
      st.current_number = st.first_number;
      st.previous_path.clear();
      state.ResumeTiming();
    }
  }
  std::filesystem::remove_all(dir);
  state.SetBytesProcessed(bytes);
  state.counters["items"] = static_cast<double>(st.values.size());
}

void IconvOnly(benchmark::State& state, Mix mix, Encoding e) {
  const std::vector<std::string> pages = bench::MakePages(mix, e);
  bench::IconvDecoder iconv(e);
  size_t i = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    const std::string& page = pages[i++ % pages.size()];
    iconv.Decode(page);
    bytes += static_cast<int64_t>(page.size());
  }
  state.SetBytesProcessed(bytes);
}

}  // namespace
}  // namespace pellucor

int main(int argc, char** argv) {
  using namespace pellucor;
  const std::pair<Mix, Encoding> rows[] = {{Mix::Dense, Encoding::EucJp},
                                           {Mix::Dense, Encoding::Iso2022Jp},
                                           {Mix::Dense, Encoding::ShiftJis},
                                           {Mix::Repeated, Encoding::EucJp}};
  for (auto [mix, e] : rows) {
    benchmark::RegisterBenchmark(Label("PerMessage", mix, e).c_str(), PerMessage, mix, e)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Label("iconv", mix, e).c_str(), IconvOnly, mix, e)
        ->Unit(benchmark::kMicrosecond);
  }
  return bench::RunWithTargets(argc, argv, [&](bench::TargetReporter& r) {
    bool ok = true;
    for (auto [mix, e] : rows)
      ok &= r.Check(Label("PerMessage", mix, e) + " vs iconv " + bench::IconvName(e) + " decode",
                    Label("PerMessage", mix, e), Label("iconv", mix, e), 1.0, mix == Mix::Repeated);
    return ok;
  });
}
