// pellucor-cli history list | show N | delete N | comment N TEXT | set N: the history window
// without the window. Entries are numbered from 1 in the window's order, newest first.
#include <cstdio>
#include <string>

#include "app/form_values.h"
#include "app/history_window.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "history/patrol_marks.h"
#include "history/view.h"

namespace pellucor::cli {
namespace {

// The terminal's Ui with the input box answered by the text given on the command line.
class PresetInputUi : public Ui {
 public:
  PresetInputUi(Ui& inner, Text answer) : inner_(inner), answer_(std::move(answer)) {}
  Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) override {
    return inner_.MessageBox(text, caption, icon, buttons);
  }
  void Beep() override { inner_.Beep(); }
  void Yield() override { inner_.Yield(); }
  std::optional<Text> InputBox(const Text&, const Text&, const Text&) override { return answer_; }
  void SetBusy(bool busy) override { inner_.SetBusy(busy); }

 private:
  Ui& inner_;
  Text answer_;
};

int Usage(const char* why) {
  std::fprintf(stderr, "pellucor-cli: %s\n", why);
  std::fputs(
      "usage: pellucor-cli history list | show N | delete N | comment N TEXT | set N"
      " | patrol N on|off\n",
      stderr);
  return kExitUsage;
}

// 1-based entry number; 0 when the text is not a plain positive number.
size_t EntryNumber(const std::string& s) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return 0;
  return static_cast<size_t>(std::stoul(s));
}

// The subcommand's words checked before anything is read: kExitOk, or the usage error's status.
// `number` gets the entry number of the subcommands that take one.
int CheckArguments(const std::vector<std::string>& args, size_t& number) {
  if (args.empty()) return Usage("history needs a subcommand");
  const std::string sub = args[0];
  const bool needs_entry =
      sub == "show" || sub == "delete" || sub == "comment" || sub == "set" || sub == "patrol";
  if (sub == "list") {
    if (args.size() != 1) return Usage("history list takes no argument");
  } else if (!needs_entry) {
    return Usage(("unknown history subcommand " + sub).c_str());
  } else if (args.size() != (sub == "comment" || sub == "patrol" ? 3u : 2u)) {
    return Usage(sub == "comment"  ? "history comment needs N and TEXT"
                 : sub == "patrol" ? "history patrol needs N and on or off"
                                   : "history needs N");
  } else if (sub == "patrol" && args[2] != "on" && args[2] != "off") {
    return Usage("history patrol takes on or off");
  }
  if (needs_entry && (number = EntryNumber(args[1])) == 0)
    return Usage(("not an entry number: " + args[1]).c_str());
  return kExitOk;
}

int HistoryCommand(Options& options) {
  const std::vector<std::string>& args = options.args;
  size_t number = 0;
  if (int status = CheckArguments(args, number); status != kExitOk) return status;
  const std::string& sub = args[0];

  Session session(options);
  if (int status = session.Open(); status != kExitOk) return status;
  Program& p = session.program();
  if (p.history.empty()) {
    p.ui.MessageBox(Text(u"履歴情報は有りません") + kCrLf, kAppCaption, Icon::Exclamation,
                    Buttons::Ok);
    return sub == "list" ? kExitOk : kExitEarly;
  }
  if (number > p.history.size()) {
    std::fprintf(stderr, "pellucor-cli: no history entry %zu (there are %zu)\n", number,
                 p.history.size());
    return kExitUsage;
  }
  // The window's order: sorted each time before it opens, and kept from then on.
  SortHistoryForWindow(p.history, p.clock.Now());

  PresetInputUi comment_ui(p.ui, sub == "comment" ? FromUtf8(args[2]) : Text());
  HistoryWindow window(
      p.history, [&p](const PutBack& v) { ApplyPutBack(p.form, v); }, comment_ui,
      RunInPlace(comment_ui, p.shell), p.catalog);
  window.Load();
  const Text marks_path = PatrolMarksPath(p.directory);
  PatrolMarks marks = PatrolMarks::Load(marks_path);
  if (sub == "list") {
    // A job marked for patrol has "*" after its number.
    const int width = static_cast<int>(std::to_string(window.Lines().size()).size());
    for (size_t i = 0; i < window.Lines().size(); ++i)
      std::printf("%*zu%s %s\n", width, i + 1, marks.IsMarked(p.history[i]) ? "*" : " ",
                  ToUtf8(window.Lines()[i]).c_str());
    return kExitOk;
  }
  window.Select(static_cast<int>(number - 1));
  if (sub == "show") {
    std::fputs(
        ToUtf8(ReplaceLineBreaks(HistoryDetailText(p.history[number - 1], p.catalog))).c_str(),
        stdout);
    std::printf("自動巡回 : %s\n", marks.IsMarked(p.history[number - 1]) ? "する" : "しない");
    return kExitOk;
  }
  if (sub == "patrol") {
    marks.Set(p.history[number - 1], args[2] == "on");
    if (!marks.Save(marks_path)) {
      p.ui.MessageBox(u"自動巡回の設定を保存できませんでした（" + marks_path + u"）", kAppCaption,
                      Icon::Critical, Buttons::Ok);
      return kExitEarly;
    }
    return kExitOk;
  }
  int status = kExitOk;
  if (sub == "delete") {
    const size_t before = p.history.size();
    window.Delete();
    if (p.history.size() == before) status = kExitEarly;  // answered No
    // A deleted job loses its mark; one run again later starts unmarked.
    marks.KeepOnly(p.history);
    if (!marks.Save(marks_path)) status = kExitEarly;
  } else if (sub == "comment") {
    window.EditComment();
  } else {
    window.SetMain();
  }
  if (!session.Close()) status = kExitEarly;
  return status;
}

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "history",
    .rank = 30,
    .usage = "  history list | show N | delete N | comment N TEXT | set N | patrol N on|off\n",
    .help =
        "usage: pellucor-cli [OPTIONS] history list | show N | delete N | comment N TEXT | set N\n"
        "                                   | patrol N on|off\n"
        "The jobs kept in record.dat, newest first, numbered from 1.\n"
        "  list             one line per job\n"
        "  show N           job N in detail\n"
        "  delete N         remove job N\n"
        "  comment N TEXT   set the comment of job N\n"
        "  set N            put job N back into pellu.ini: the next run continues it\n"
        "  patrol N on|off  mark job N for patrol, or unmark it (\"*\" after its number)\n",
    .flags = {},
    .run = HistoryCommand,
});

}  // namespace
}  // namespace pellucor::cli
