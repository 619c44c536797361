#include "cli/session.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "app/history_messages.h"
#include "app/network.h"
#include "app/run_journal.h"
#include "app/settings.h"
#include "app/wait_setting.h"
#include "common/numeric.h"
#include "engine/definitions.h"
#include "history/store.h"
#include "platform/xdg_shell.h"

namespace pellucor::cli {
namespace {

// The terminal Ui, keeping messages off an in-place status line.
class CliUi : public ConsoleUi {
 public:
  CliUi(Mode mode, StatusLine& status) : ConsoleUi(mode), status_(status) {}
  Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) override {
    status_.Break();
    return ConsoleUi::MessageBox(text, caption, icon, buttons);
  }

 private:
  StatusLine& status_;
};

// Label_status of the terminal: shown on the status line, not kept in a growing history.
class StatusControl : public TextControl {
 public:
  explicit StatusControl(StatusLine& line) : line_(line) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool e) override { enabled_ = e; }
  Text Value() const override { return value_; }
  void SetValue(const Text& v) override {
    if (v == value_) return;
    value_ = v;
    line_.Show(v);
  }

 private:
  StatusLine& line_;
  bool enabled_ = true;
  Text value_;
};

class CliForm : public MemoryForm {
 public:
  explicit CliForm(StatusLine& line) : status_(line) {}
  TextControl& Label_status() override { return status_; }

 private:
  StatusControl status_;
};

}  // namespace

StatusLine::StatusLine(std::FILE* out, bool quiet)
    : out_(out), quiet_(quiet), tty_(isatty(fileno(out)) != 0) {}

void StatusLine::Show(const Text& text) {
  if (quiet_) return;
  std::string line = ToUtf8(ReplaceLineBreaks(text));
  if (tty_) {
    std::fprintf(out_, "\r%s\x1b[K", line.c_str());
    pending_ = !line.empty();
  } else if (!line.empty()) {
    std::fprintf(out_, "%s\n", line.c_str());
  }
  std::fflush(out_);
}

void StatusLine::Break() {
  if (pending_) {
    std::fputc('\n', out_);
    pending_ = false;
  }
}

Session::Session(Options& options) : options_(options) {
  status_ = std::make_unique<StatusLine>(stderr, options.quiet);
  auto ui = std::make_unique<CliUi>(options.mode, *status_);
  CliUi* raw = ui.get();
  ui_ = std::move(ui);
  form_ = std::make_unique<CliForm>(*status_);
  shell_ = std::make_unique<XdgShell>();
  ProgramFolder folder = OpenProgramFolder(options.home, *ui_);
  program_ = std::make_unique<Program>(folder.directory, *ui_, clock_, polite_, *shell_, *form_);
  program_->folder_kind = folder.kind;
  program_->overlap = true;
  MainForm* form = form_.get();
  ConsoleUi::InstallInterruptHandler();
  clock_.InterruptOn(ConsoleUi::InterruptFlag());  // a Ctrl-C ends the pause between retries
  raw->SetInterruptCallback([form] { form->cancel_requested = true; });
}

Session::~Session() = default;

MainForm& Session::form() {
  return *form_;
}

Ui& Session::ui() {
  return *ui_;
}

Text Session::BoardFile() {
  const BoardEntry* b = program_->catalog.Board(form_->Combo_bbs().Index());
  return b ? b->file : Text();
}

Text Session::OutputFile() {
  const OutputEntry* o = program_->catalog.Output(form_->Combo_out().Index());
  return o ? o->file : Text();
}

int Session::Open() {
  Program& p = *program_;
  FirstRunGreeting(p.directory, *ui_);
  RecoverInterruptedRuns(p.directory, *ui_);
  LoadSettings(*form_, p.settings_path, p.directory);
  polite_.SetWait(LoadWaitSetting(p.settings_path, false));
  BoardCatalog boards = RefreshBoardCatalog(p.directory, p.settings_path);
  OutputCatalog outputs = RefreshOutputCatalog(p.directory, p.settings_path);
  p.catalog.boards = boards.entries;
  p.catalog.outputs = outputs.entries;
  form_->Combo_bbs().SetIndex(boards.entries.empty() ? -1 : boards.selected);
  form_->Combo_out().SetIndex(outputs.entries.empty() ? -1 : outputs.selected);

  std::vector<std::pair<std::string, std::string>> overrides;
  for (const auto& key : options_.override_order)
    overrides.emplace_back(key, options_.overrides[key]);
  for (const auto& [key, value] : overrides) {
    Text k = FromUtf8(key), v = FromUtf8(value);
    if (k == u"bbs_file" || k == u"out_file") {
      bool board = k == u"bbs_file";
      int found = -1;
      size_t count = board ? p.catalog.boards.size() : p.catalog.outputs.size();
      for (size_t i = 0; i < count && found < 0; ++i)
        if ((board ? p.catalog.boards[i].file : p.catalog.outputs[i].file) == v)
          found = static_cast<int>(i);
      if (found < 0) {
        std::fprintf(stderr, "pellucor-cli: no %s file %s in %s\n", board ? "board" : "output",
                     value.c_str(), ToUtf8(p.directory).c_str());
        return kExitUsage;
      }
      (board ? form_->Combo_bbs() : form_->Combo_out()).SetIndex(found);
      continue;
    }
    if (k == u"wait") {
      const int ms = ParseWaitSeconds(value);
      if (ms < 0) {
        std::fprintf(stderr, "pellucor-cli: --wait needs seconds from 0 to 3600: --wait=%s\n",
                     value.c_str());
        return kExitUsage;
      }
      polite_.SetWait(ms);
      wait_given_ = true;
      continue;
    }
    bool known = false;
    for (const char16_t* name : kSettingsKeys) known = known || k == name;
    if (!known) {
      std::fprintf(stderr, "pellucor-cli: unknown setting --%s\n", key.c_str());
      return kExitUsage;
    }
    if (!ApplySettingValue(*form_, k, v)) {
      std::fprintf(stderr, "pellucor-cli: value out of range: --%s=%s\n", key.c_str(),
                   value.c_str());
      return kExitUsage;
    }
  }
  if (!LoadHistory(p.history_path, p.history, form_->Check_devide().Value() != 0))
    ShowHistoryLoadFailed(*ui_);
  p.history_base = p.history;
  UpdateNetworkLabel(*form_);
  return kExitOk;
}

bool Session::Close() {
  Program& p = *program_;
  bool ok = SaveHistory(p.history_path, p.history, p.history_base).ok();
  if (!ok) ShowHistorySaveFailed(*ui_, p.history_path);
  if (!SaveSettings(*form_, p.settings_path, BoardFile(), OutputFile())) {
    ui_->MessageBox(u"設定ファイルの保存に失敗しました（" + p.settings_path + u"）", kAppCaption,
                    Icon::Critical, Buttons::Ok);
    ok = false;
  }
  if (wait_given_ && !SaveWaitSetting(p.settings_path, polite_.wait(), false)) ok = false;
  // The last run's journal is owed nothing more.
  if (ok && p.journal) p.journal->Discard();
  return ok;
}

}  // namespace pellucor::cli
