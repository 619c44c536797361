// Keeping many topics current: how many messages each job's board has beyond the job's last
// collected one, and the patrol that continues jobs one after another exactly as putting each
// back from the history and running it up to the board's newest message would. Nothing here
// asks the user: questions get the answers below, and whatever would have needed the user
// ends that job and is reported.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "app/program.h"
#include "common/text.h"
#include "history/store.h"

namespace pellucor {

// The result of one new-message check.
struct NewMessageCheck {
  bool ok = false;
  double last = 0;    // the job's last collected message
  double newest = 0;  // the board's newest message (== last when there is nothing new)
  // False when the board definition has no highest-number item: then only whether the next
  // message exists is known (newest = last + 1 when it does).
  bool newest_known = true;
  Text error;  // why the check failed

  int64_t fresh() const { return newest > last ? static_cast<int64_t>(newest - last) : 0; }
};

// One fetch of the page after the job's last message, with the network settings of the
// program's form. Writes nothing. `cancelled` is polled while the page is on its way.
NewMessageCheck CheckNewMessages(Program& program, const HistoryRecord& record,
                                 const std::function<bool()>& cancelled = {});

// The check as the history list shows it: "+5", "+1?" when only the next message is known to
// exist, "×" for a failed check.
Text CheckColumnText(const NewMessageCheck& check);

// How one job of a patrol ended.
struct PatrolReport {
  enum class Outcome {
    Finished,    // ran up to the board's newest message (possibly nothing new)
    Ended,       // ended early: a failure, or something that would have asked
    Cancelled,   // the cancel arrived during this job
    NotStarted,  // the patrol was cancelled before this job
  };
  size_t index = 0;  // position in the program's history
  Text title;
  int64_t added = 0;  // messages collected
  Outcome outcome = Outcome::NotStarted;
  Text reason;  // for Ended: the message that ended it, first line
};

// What the patrol tells its front end while it works.
struct PatrolProgress {
  std::function<void(const Text&)> status;  // the status line of the job in hand
  std::function<bool()> cancelled;          // polled often; true ends the job in hand cleanly
  // A job is about to start (position among the chosen jobs, their count, the record).
  std::function<void(size_t, size_t, const HistoryRecord&)> job_started;
};

// Continues the jobs at `indexes` of program.history, one after another. Each runs on a form
// of its own filled from its record (the program's form keeps the user's values; only its
// network settings and error handling are taken over), appending to the job's file or series.
// The history is saved after each job. Stops starting jobs once cancelled.
std::vector<PatrolReport> Patrol(Program& program, const std::vector<size_t>& indexes,
                                 const PatrolProgress& progress);

// "完了", "中断: reason", "キャンセル", "未実行".
Text PatrolOutcomeText(const PatrolReport& report);

// The window's patrol of the jobs marked in patrol.dat, newest first: the run state held, the
// status line naming the job in hand, Cancel ending that job as a cancel ends a run, the
// patrol's wait between requests. At the end a notice with one line per job (title, messages
// added, outcome). Returns the reports (none when no job is marked: a notice says so).
std::vector<PatrolReport> PatrolMarkedJobs(Program& program);

}  // namespace pellucor
