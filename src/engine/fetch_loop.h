// The middle of a collection run: every message number of the job's range is fetched
// (with its time-out and empty-answer retries), decoded, cut into items, checked, and handed to
// the output stages; the status line shows the progress and an estimate of the time left.
#pragma once

#include <string>

#include "common/text.h"
#include "engine/pipeline.h"
#include "platform/http.h"

namespace pellucor {

// How a run ended, for callers that report it (the CLI's exit status).
enum class RunOutcome {
  Finished,    // ran past the range
  Incomplete,  // ran past the range, but left data unwritten or the history unsaved
  Ended,       // ended early: a failed check, a No, a network failure, an error
  Cancelled,   // the cancel request was seen
};

// error.log in the program folder: one CP932 line per retry, time-out, invalid page and
// failure of a run, when the job asks for it.
class ErrorLog {
 public:
  ErrorLog(Text path, bool enabled) : path_(std::move(path)), enabled_(enabled) {}
  void Add(const DateTime& when, double number, const Text& url, const Text& what);
  const Text& path() const { return path_; }

 private:
  Text path_;
  bool enabled_;
};

// Seconds per message and the status line at the start of message N.
Text FetchStatusText(double n, double first, double to, int64_t elapsed_seconds);

// The loop from state.current_number on. The run driver has set up `state` and applied the
// network settings. With `overlap` the request of the next message is sent while the current
// one is worked on (on a background thread, through `http`); everything else, and what the run
// writes, asks, records and shows, stays as without it.
RunOutcome FetchLoop(RunEnv& env, RunState& state, HttpClient& http, ErrorLog& log,
                     bool overlap = false);

}  // namespace pellucor
