#include "support/run_fixture.h"

#include <unistd.h>

#include <atomic>

#include "common/files.h"
#include "engine/definitions.h"
#include "engine/run_driver.h"
#include "support/board_server.h"

namespace pellucor::testing {

namespace fs = std::filesystem;

FetchResult FakeHttp::Answer(std::string body) {
  FetchResult r;
  r.status = FetchResult::Status::Ok;
  r.http_status = 200;
  r.body = std::move(body);
  return r;
}

FetchResult FakeHttp::TimedOut() {
  FetchResult r;
  r.status = FetchResult::Status::Timeout;
  r.error = u"Operation timed out";
  return r;
}

FetchResult FakeHttp::Failure(const Text& error) {
  FetchResult r;
  r.status = FetchResult::Status::Failed;
  r.error = error;
  return r;
}

std::string FakeHttp::Page(int64_t n) const {
  if (n < 1 || n > count)
    return EncodePage(u"<html><body><p>指定されたメッセージは存在しません。</p></body></html>",
                      encoding);
  return EncodePage(MakeBoardPage(SampleMessage(n, highest ? highest : count)), encoding);
}

FetchResult FakeHttp::Fetch(const Text& url, const std::function<bool()>& idle) {
  urls.push_back(url);
  if (on_fetch) on_fetch(url);
  if (idle && idle()) {
    FetchResult r;
    r.status = FetchResult::Status::Cancelled;
    return r;
  }
  size_t eq = url.rfind(u'=');
  int64_t n = eq == Text::npos ? -1 : std::stoll(ToUtf8(url.substr(eq + 1)));
  auto it = scripted.find(n);
  if (it != scripted.end() && !it->second.empty()) {
    FetchResult r = it->second.front();
    it->second.pop_front();
    return r;
  }
  return Answer(Page(n));
}

RunFixture::RunFixture() {
  static std::atomic<int> serial{0};
  dir = fs::temp_directory_path() /
        ("pellucor_run_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  for (const char* f : {"_yahoo.bbs", "_html.out"})
    fs::copy_file(fs::path(PELLUCOR_SOURCE_DIR) / "defs" / f, dir / f);
  program = std::make_unique<Program>(FromUtf8(dir.string() + "/"), ui, clock, http, shell, form);
  program->catalog.boards = RefreshBoardCatalog(program->directory, program->settings_path).entries;
  program->catalog.outputs =
      RefreshOutputCatalog(program->directory, program->settings_path).entries;
  SetDefaults();
}

RunFixture::~RunFixture() {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

void RunFixture::SetDefaults() {
  form.Text_url1().SetValue(u"http://127.0.0.1:1/board/message?mid=");
  form.Text_url2().SetValue(u"");
  form.Text_from().SetValue(u"1");
  form.Text_to().SetValue(u"100");
  form.Check_MaxMsg().SetValue(1);
  form.Combo_bbs().SetIndex(0);
  form.Combo_out().SetIndex(0);
  form.Text_out().SetValue(Path("out/topic.html"));
  form.Check_TopicToFilename().SetValue(0);
  form.Check_devide().SetValue(0);
  form.Text_Timeout().SetValue(u"15");
  form.Text_Retry().SetValue(u"3");
  form.Option_Error().SetIndex(1);
  form.Option_Proxy().SetIndex(1);
}

RunOutcome RunFixture::Run() {
  return RunCommand(*program, [this] { ++shown_results; });
}

Text RunFixture::Path(const std::string& relative) const {
  return FromUtf8((dir / relative).string());
}

std::string RunFixture::Read(const std::string& relative) const {
  return ReadFileBytes(Path(relative)).value_or(std::string());
}

}  // namespace pellucor::testing
