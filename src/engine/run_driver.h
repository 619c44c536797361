// One collection run after its job has been built and checked and its definitions loaded: the
// job is looked up in the history, an existing single output file is asked about, the network
// settings are applied and the fetch loop entered.
#pragma once

#include <optional>

#include "engine/fetch_loop.h"
#include "engine/job.h"
#include "engine/pipeline.h"
#include "platform/http.h"

namespace pellucor {

// The world a run works in, as the front end gives it.
struct RunWorld {
  RunIntents& intents;
  RunHooks& hooks;
  Clock& clock;
  Shell& shell;
  HttpClient& http;
  Text program_dir;   // ends with the separator
  Text version_text;  // VersionText
  // The next message's request sent while the current one is worked on (FetchLoop).
  bool overlap = false;
};

// Sets access type, proxy and time-out; nothing is set and the problem is returned when the
// named proxy lacks its address or port.
std::optional<RunNotice> ApplyNetwork(const NetworkSettings& network, HttpClient& http);

// The run from the history look-up on; `job` is moved on as the run goes (the front end hears
// of it through the intents).
RunOutcome RunJob(Job& job, BoardDefinition board, OutputType output, RunWorld& world);

}  // namespace pellucor
