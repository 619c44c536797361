// What a run asks of its user and tells them, as intents: the front end words them (the texts,
// captions, icons, beeps and buttons live in one place there) and gives the answers.
#pragma once

#include <cstdint>
#include <vector>

#include "common/text.h"
#include "platform/ui.h"

namespace pellucor {

struct Job;

// A notice ends the run or the step it names. `args` fill its blanks, in this order.
enum class RunNotice {
  UrlEmpty,
  FromNotNumber,
  ToNotNumber,
  ToBelowFrom,
  OutputNameMissing,
  OutputNameInvalid,  // offending characters
  SplitCountRange,
  TimeoutMissing,
  TimeoutRange,
  RetryRange,
  OutputNotFullPath,
  NoBoard,
  NoOutputType,
  ProxyAddressMissing,
  ProxyPortMissing,
  JobBusy,    // output path
  NotAFile,   // path
  Cancelled,  // last message handled
  NetworkFailure,
  HighestUnknown,
  NothingFrom,  // first number, highest number
  NoTitle,
  WrongOutputName,
  FolderNotCreatable,  // folder, its parent
};

class RunIntents {
 public:
  virtual ~RunIntents() = default;

  virtual void Notice(RunNotice notice, const std::vector<Text>& args = {}) = 0;

  // Questions; true for yes.
  virtual bool UseTitleAsFileName() = 0;                // only a folder was given
  virtual bool RunWithAddress(const Text& msgstr) = 0;  // url1 does not end in msgstr + "="
  virtual bool AppendToExisting(const Text& path) = 0;
  virtual bool CreateMissingFolder(const Text& folder) = 0;
  virtual bool GoOnAfterInvalidPage(TextView page) = 0;
  virtual bool AskAgainNextTime() = 0;  // after the first yes to the invalid-page question
  virtual bool ShowResult(int32_t unwritten) = 0;  // the run finished

  // A fetch or an unexpected error, and a failed write: Abort, Retry or Ignore.
  virtual Recovery AfterFailure(const Text& description) = 0;
  virtual Recovery AfterWriteError(const Text& description) = 0;

  // Progress: the status line, and the job's values the run changed (range, output path,
  // error mode, title naming).
  virtual void Status(const Text& text) = 0;
  virtual void Changed(const Job& job) = 0;

  // The front end's chance to stay alive, and whether the user asked to stop.
  virtual void Yield() = 0;
  virtual bool CancelRequested() = 0;
};

}  // namespace pellucor
