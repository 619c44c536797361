// An in-process collection run: a program folder with the shipped definitions, a MemoryForm,
// the scripted Ui, the fake clock and an HttpClient that serves board pages from memory.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/program.h"
#include "engine/fetch_loop.h"
#include "platform/http.h"
#include "support/board_pages.h"
#include "support/fake_clock.h"
#include "support/recording_shell.h"
#include "support/scripted_ui.h"

namespace pellucor::testing {

// Pages of a EUC-JP board in memory; answers can be scripted per message number. It keeps the
// network settings it is given.
class FakeHttp : public HttpClient {
 public:
  int64_t count = 25;                                   // messages that exist
  int64_t highest = 0;                                  // shown on each page; 0 = count
  std::map<int64_t, std::deque<FetchResult>> scripted;  // taken before the page is served
  std::vector<Text> urls;                               // every address fetched
  std::function<void(const Text& url)> on_fetch;        // runs before each answer (set a cancel)
  int access = -1, timeout = -1;
  Text proxy;

  void SetAccessType(int type) override { access = type; }
  void SetProxy(const Text& p) override { proxy = p; }
  void SetTimeout(int s) override { timeout = s; }
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override;

  static FetchResult Answer(std::string body) {
    return {FetchResult::Status::Ok, std::move(body), 200, {}};
  }
  static FetchResult Failed(Text error = u"Operation timed out",
                            FetchResult::Status status = FetchResult::Status::Timeout) {
    return {status, {}, 0, std::move(error)};
  }
};

class RunFixture {
 public:
  RunFixture();
  ~RunFixture();

  // The form starts as on a first run, aimed at the fake board with the shipped definitions:
  // url1 ...?mid=, output <dir>/out/topic.html, no title naming, 3 retries.
  RunOutcome Run();
  // Sets controls from "key=value" as pellu.ini would.
  void Set(const std::vector<std::string>& settings);

  Text Path(const std::string& relative) const;  // inside the program folder
  std::string Read(const std::string& relative) const;

  std::filesystem::path dir;
  ScriptedUi ui;
  FakeClock clock;
  FakeHttp http;
  RecordingShell shell;
  MemoryForm form;
  std::unique_ptr<Program> program;
};

}  // namespace pellucor::testing
