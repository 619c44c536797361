#include "cli/patrol_jobs.h"

#include <cstdio>

#include "app/wait_setting.h"
#include "cli/session.h"
#include "history/patrol_marks.h"
#include "history/view.h"
#include "platform/clock.h"

namespace pellucor::cli {

bool ParseJobChoice(const Options& options, JobChoice& choice) {
  const std::string& command = options.command;
  choice.all = options.Has("--all");
  auto usage = [&](const std::string& why) {
    std::fprintf(stderr, "pellucor-cli: %s\nusage: pellucor-cli %s [--all | N ...]\n", why.c_str(),
                 command.c_str());
    return false;
  };
  for (const std::string& a : options.args) {
    if (!a.empty() && a.size() <= 9 && a.find_first_not_of("0123456789") == std::string::npos &&
        std::stoul(a) > 0) {
      choice.numbers.push_back(std::stoul(a));
    } else {
      return usage("not an entry number: " + a);
    }
  }
  if (choice.all && !choice.numbers.empty()) return usage("--all and numbers exclude each other");
  return true;
}

bool ChooseJobs(Program& program, const JobChoice& choice, std::vector<size_t>& indexes) {
  SortHistoryForWindow(program.history, program.clock.Now());
  const PatrolMarks marks = PatrolMarks::Load(PatrolMarksPath(program.directory));
  for (size_t number : choice.numbers) {
    if (number > program.history.size()) {
      std::fprintf(stderr, "pellucor-cli: no history entry %zu (there are %zu)\n", number,
                   program.history.size());
      return false;
    }
    indexes.push_back(number - 1);
  }
  if (!choice.numbers.empty()) return true;
  for (size_t i = 0; i < program.history.size(); ++i)
    if (choice.all || marks.IsMarked(program.history[i])) indexes.push_back(i);
  return true;
}

void CatchInterrupt(Ui& ui, bool& flag) {
  if (auto* console = dynamic_cast<ConsoleUi*>(&ui))
    console->SetInterruptCallback([&flag] { flag = true; });
}

int OpenChosenJobs(const JobChoice& choice, Session& session, std::vector<size_t>& jobs) {
  if (int status = session.Open(); status != kExitOk) return status;
  Program& p = session.program();
  if (!session.wait_given()) session.polite().SetWait(LoadWaitSetting(p.settings_path, true));
  if (!ChooseJobs(p, choice, jobs)) return kExitUsage;
  if (jobs.empty()) {
    p.ui.MessageBox(u"対象の履歴がありません（自動巡回ONの履歴、--all または番号を指定）",
                    kAppCaption, Icon::Exclamation, Buttons::Ok);
    return kExitEarly;
  }
  return kExitOk;
}

}  // namespace pellucor::cli
