// The run's questions and notices as the user sees them: every text, caption, icon, beep and
// button set of a collection run is composed here, over the Ui. Progress goes to the window's
// status line, and the values a run changes are written back into the window's controls.
#pragma once

#include "engine/job.h"
#include "engine/run_intents.h"

namespace pellucor {

class MainForm;
class Ui;

// The text of a notice.
Text RunNoticeText(RunNotice notice, const std::vector<Text>& args = {});

// "ファイル（path）が既に存在します" CR LF "このファイルにデータを追加しますか？"
Text AppendQuestionText(TextView path);

// The invalid-page question for a page text.
Text InvalidPageQuestion(TextView page);

class RunDialogs : public RunIntents {
 public:
  RunDialogs(Ui& ui, MainForm& form) : ui_(ui), form_(form) {}

  void Notice(RunNotice notice, const std::vector<Text>& args = {}) override;
  bool UseTitleAsFileName() override;
  bool RunWithAddress(const Text& msgstr) override;
  bool AppendToExisting(const Text& path) override;
  bool CreateMissingFolder(const Text& folder) override;
  bool GoOnAfterInvalidPage(TextView page) override;
  bool AskAgainNextTime() override;
  bool ShowResult(int32_t unwritten) override;
  Recovery AfterFailure(const Text& description) override;
  Recovery AfterWriteError(const Text& description) override;
  void Status(const Text& text) override;
  void Changed(const Job& job) override;
  void Yield() override;
  bool CancelRequested() override;

 private:
  bool Ask(const Text& text, bool beep = true);
  Ui& ui_;
  MainForm& form_;
};

}  // namespace pellucor
