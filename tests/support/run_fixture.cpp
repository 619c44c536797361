#include "support/run_fixture.h"

#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "app/run_command.h"
#include "app/settings.h"
#include "common/files.h"
#include "engine/definitions.h"

namespace pellucor::testing {

namespace fs = std::filesystem;

FetchResult FakeHttp::Fetch(const Text& url, const std::function<bool()>& idle) {
  urls.push_back(url);
  if (on_fetch) on_fetch(url);
  if (idle && idle()) return Failed(u"", FetchResult::Status::Cancelled);
  size_t eq = url.rfind(u'=');
  int64_t n = eq == Text::npos ? -1 : std::stoll(ToUtf8(url.substr(eq + 1)));
  auto it = scripted.find(n);
  if (it != scripted.end() && !it->second.empty()) {
    FetchResult r = it->second.front();
    it->second.pop_front();
    return r;
  }
  Text page = n >= 1 && n <= count
                  ? MakeBoardPage(SampleMessage(n, highest ? highest : count))
                  : u"<html><body><p>指定されたメッセージは存在しません。</p></body></html>";
  return Answer(EncodePage(page, Encoding::EucJp));
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
  LoadSettings(form, Path("pellu.ini"), program->directory);
  Set({"url1=http://127.0.0.1:1/board/message?mid=", "outfile=" + (dir / "out/topic.html").string(),
       "topictofilename=0", "retry=3", "proxy=1"});
  form.Combo_bbs().SetIndex(0);
  form.Combo_out().SetIndex(0);
}

RunFixture::~RunFixture() {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

void RunFixture::Set(const std::vector<std::string>& settings) {
  for (const std::string& kv : settings) {
    size_t eq = kv.find('=');
    if (!ApplySettingValue(form, FromUtf8(kv.substr(0, eq)), FromUtf8(kv.substr(eq + 1))))
      throw std::invalid_argument(kv);
  }
}

RunOutcome RunFixture::Run() {
  return RunCommand(*program);
}

Text RunFixture::Path(const std::string& relative) const {
  return FromUtf8((dir / relative).string());
}

std::string RunFixture::Read(const std::string& relative) const {
  return ReadFileBytes(Path(relative)).value_or(std::string());
}

}  // namespace pellucor::testing
