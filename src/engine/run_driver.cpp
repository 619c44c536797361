#include "engine/run_driver.h"

#include <exception>

#include "common/files.h"

namespace pellucor {
namespace {

// 13: the job in the history, and the mark that it runs. False when the run ends here.
bool TakeOver(RunEnv& env, RunState& state) {
  state.start_time = env.clock.Now();
  if (std::optional<HistoryCarry> carry = env.hooks.LookUp(env.job)) {
    state.split_key = carry->split_key;
    state.file_message_count = carry->file_message_count;
    state.topic_title = carry->title;
  }
  state.previous_split_key = state.split_key;
  // The same job running elsewhere (another window or command) would interleave its messages.
  if (!env.hooks.Claim(env.job)) {
    env.intents.Notice(RunNotice::JobBusy, {env.job.output_path});
    return false;
  }
  return true;
}

// 14: appending to an existing single file; a folder, FIFO or device is refused at once.
bool MayAppend(RunEnv& env, const RunState& state) {
  if (env.job.topic_to_filename || env.job.split.enabled) return true;
  Text path = BuildOutputFileName(env.job, state.split_key, state.file_message_count + 1, false);
  if (ExistsButNotAFile(path)) {
    env.intents.Notice(RunNotice::NotAFile, {path});
    return false;
  }
  return !FileExists(path) || env.intents.AppendToExisting(path);
}

}  // namespace

std::optional<RunNotice> ApplyNetwork(const NetworkSettings& n, HttpClient& http) {
  switch (n.access) {
    case AccessType::SystemDefault:
    case AccessType::Direct:
      http.SetAccessType(static_cast<int>(n.access));
      break;
    case AccessType::NamedProxy:
      if (n.proxy_address.empty()) return RunNotice::ProxyAddressMissing;
      if (n.proxy_port.empty()) return RunNotice::ProxyPortMissing;
      http.SetProxy(TrimSpaces(n.proxy_address) + u":" + TrimSpaces(n.proxy_port));
      http.SetAccessType(2);
      break;
    case AccessType::Unchanged:
      break;
  }
  http.SetTimeout(n.timeout_seconds);
  return std::nullopt;
}

RunOutcome RunJob(Job& job, BoardDefinition board, OutputType output, RunWorld& world) {
  RunEnv env{job,         world.intents,     world.clock,       world.shell,
             world.hooks, world.program_dir, world.version_text};
  RunState state;
  state.board = std::move(board);
  state.output = std::move(output);
  if (!TakeOver(env, state) || !MayAppend(env, state)) return RunOutcome::Ended;

  // 15-16: the network.
  env.intents.Status(u"初期設定");
  if (std::optional<RunNotice> problem = ApplyNetwork(job.network, world.http)) {
    env.intents.Notice(*problem);
    env.intents.Status(u"");
    return RunOutcome::Ended;
  }

  // 17: the fetch loop. From here on a kill loses nothing: the checkpoint lets the next start
  // close the run.
  state.first_number = state.current_number = job.from;
  state.open_while_collecting = job.open_while_collecting;
  ErrorLog log(world.program_dir + u"error.log", job.error_log);
  env.checkpoint = world.hooks.Checkpoint(env);
  if (env.checkpoint) env.checkpoint->AfterMessage(state);
  RunOutcome outcome;
  try {
    outcome = FetchLoop(env, state, world.http, log, world.overlap);
  } catch (const std::exception& e) {
    // The run-wide handler: whatever failed unexpectedly, the history is kept.
    env.intents.AfterFailure(FromUtf8(e.what()));
    AbortRun(env, state);
    outcome = RunOutcome::Ended;
  }
  if (env.checkpoint) env.checkpoint->Closed(state);
  return outcome;
}

}  // namespace pellucor
