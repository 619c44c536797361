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
#include "platform/shell.h"
#include "support/board_pages.h"
#include "support/fake_clock.h"
#include "support/scripted_ui.h"

namespace pellucor::testing {

// Pages of a board in memory; answers can be scripted per message number.
class FakeHttp : public HttpClient {
 public:
  int64_t count = 25;   // messages that exist
  int64_t highest = 0;  // shown on each page; 0 = count
  Encoding encoding = Encoding::EucJp;
  std::map<int64_t, std::deque<FetchResult>> scripted;  // taken before the page is served
  std::vector<Text> urls;                               // every address fetched
  std::function<void(const Text& url)> on_fetch;        // runs before each answer (set a cancel)

  int access = -1;
  Text proxy;
  int timeout = -1;

  void SetAccessType(int type) override { access = type; }
  void SetProxy(const Text& p) override { proxy = p; }
  void SetTimeout(int s) override { timeout = s; }
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override;

  static FetchResult Answer(std::string body);
  static FetchResult TimedOut();
  static FetchResult Failure(const Text& error);
  std::string Page(int64_t n) const;
};

class NullShell : public Shell {
 public:
  std::vector<Text> opened;
  bool Open(const Text& t) override {
    opened.push_back(t);
    return true;
  }
  bool Edit(const Text& t) override { return Open(t); }
  bool Explore(const Text& t) override { return Open(t); }
};

class RunFixture {
 public:
  RunFixture();
  ~RunFixture();

  // The form as a fresh program sets it, aimed at the fake board with the shipped definitions:
  // url1 ...?mid=, from 1, Check_MaxMsg, output <dir>/out/topic.html, no title naming.
  void SetDefaults();
  RunOutcome Run();

  Text Path(const std::string& relative) const;  // inside the program folder
  std::string Read(const std::string& relative) const;

  std::filesystem::path dir;
  ScriptedUi ui;
  FakeClock clock;
  FakeHttp http;
  NullShell shell;
  MemoryForm form;
  std::unique_ptr<Program> program;
  int shown_results = 0;
};

}  // namespace pellucor::testing
