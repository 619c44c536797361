// The writer: header, message, title index entry and footer slot of each output file, with the
// questions after a failed write, and the closing steps of a run.
#include "engine/pipeline.h"

#include <errno.h>

#include <string>

#include "common/filename.h"
#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/footer_slot.h"

namespace pellucor {
namespace {

bool IsFirstMessage(const RunState& st) {
  return st.current_number == st.first_number;
}

Result<> WriteFooter(RunEnv& env, RunState& st, TextView path) {
  return WithFile(path, OpenFor::Update, [&](int fd, int64_t size) -> Result<> {
    if (size == 0 || st.output.html3.empty()) return {};
    Text footer = ExpandTemplate(st.output.html3, st.values, st.board.items, st.board.changewords,
                                 MacroContextOf(env), MessageNumber{0, 0}, path);
    return WriteAll(fd, FooterSlotBytes(footer), size);
  });
}

// ---- Failure handling of the writer ----

// What the writer does after a failed file operation.
enum class Next { Retry, Skip, End };

// How a guarded file operation came out.
enum class Done { Ok, Skipped, Ended };

Text FolderOf(TextView path) {
  int64_t p = FindLast(path, Text(1, kSep));
  return p > 0 ? Text(path.substr(0, p - 1)) : Text();
}

Next EndWith(RunEnv& env, RunState& st, RunNotice notice, std::vector<Text> args = {}) {
  env.intents.Notice(notice, args);
  AbortRun(env, st);
  return Next::End;
}

Next AskAfterError(RunEnv& env, RunState& st, const Error& error, TextView path) {
  Text text = error.text;
  if (!path.empty()) text += kCrLf + Text(path);
  switch (env.intents.AfterWriteError(text)) {
    case Recovery::Retry:
      return Next::Retry;
    case Recovery::Skip:
      return Next::Skip;
    case Recovery::Abort:
      break;
  }
  AbortRun(env, st);
  return Next::End;
}

// The output folder is missing: offer to create it (one level only).
Next MissingFolder(RunEnv& env, RunState& st, TextView path) {
  Text folder = FolderOf(path);
  int64_t last = FindLast(path, Text(1, kSep));
  if (path.size() <= 1 || last <= 1 || FolderExists(folder))
    return EndWith(env, st, RunNotice::WrongOutputName);
  Text parent = FolderOf(folder);
  if (parent.empty() || FolderExists(parent)) {
    if (!env.intents.CreateMissingFolder(folder))
      return EndWith(env, st, RunNotice::WrongOutputName);
    Result<> made = CreateFolder(folder);
    if (made) return Next::Retry;
    return AskAfterError(env, st, made.error().code ? made.error() : SystemError(EACCES), folder);
  }
  env.intents.Notice(RunNotice::FolderNotCreatable, {folder, parent});
  return EndWith(env, st, RunNotice::WrongOutputName);
}

// Runs a file operation until it succeeds, is skipped (Ignore) or the run ends. After a failure
// `undo` cuts back what the operation half wrote, before anyone is asked and before a retry.
// `path` names the file the operation failed on (the operation may update it).
template <class Op, class Undo>
Done Guarded(RunEnv& env, RunState& st, const Text& path, Op op, Undo undo) {
  for (;;) {
    Result<> done = op();
    if (done) return Done::Ok;
    undo();
    const Error& err = done.error();
    Next r = err.code == kNotAFile ? EndWith(env, st, RunNotice::NotAFile, {path})
             : err.code == ENOENT  ? MissingFolder(env, st, path)
                                   : AskAfterError(env, st, err, path);
    if (r == Next::Skip) {
      st.unwritten += 1;
      return Done::Skipped;
    }
    if (r == Next::End) return Done::Ended;
  }
}

Text Expand(RunEnv& env, RunState& st, TextView tmpl, TextView path) {
  return ExpandTemplate(tmpl, st.values, st.board.items, st.board.changewords, MacroContextOf(env),
                        MessageNumber{st.current_number, st.board.msg_keta}, path);
}

// Whether the last 200 bytes of the open file are a footer slot this program wrote.
Result<bool> HasOurFooterSlot(RunEnv& env, RunState& st, TextView path, int fd, int64_t size) {
  constexpr int64_t kSlot = static_cast<int64_t>(kFooterSlotBytes);
  if (st.output.html3.empty() || size < kSlot) return false;
  std::string tail(kFooterSlotBytes, '\0');
  if (Result<> read = ReadAt(fd, tail, size - kSlot); !read) return read.error();
  return tail.size() == kFooterSlotBytes &&
         FooterPattern(st.output.html3, st.board.items, st.board.changewords, MacroContextOf(env),
                       path)
             .Matches(tail);
}

// Header into an empty file; otherwise a footer slot this program wrote is blanked so the new
// messages follow it. Any other file is continued after its last byte, untouched.
Done BeginFile(RunEnv& env, RunState& st, const Text& path) {
  FileMark before = MarkOf(path);
  Done d = Guarded(
      env, st, path,
      [&] {
        return WithFile(path, OpenFor::Update, [&](int fd, int64_t size) -> Result<> {
          if (size == 0)
            return WriteAll(fd, EncodeCp932(Expand(env, st, st.output.html1, path)), 0);
          Result<bool> ours = HasOurFooterSlot(env, st, path, fd, size);
          if (!ours) return ours.error();
          if (!*ours) return {};
          constexpr int64_t kSlot = static_cast<int64_t>(kFooterSlotBytes);
          return WriteAll(fd, std::string(kFooterSlotBytes, ' '), size - kSlot);
        });
      },
      [&] { CutBack(before); });
  if (d == Done::Ok) st.open_path = path;
  return d;
}

Done FinishFileAt(RunEnv& env, RunState& st, const Text& path) {
  FileMark before = MarkOf(path);
  Done d = Guarded(
      env, st, path, [&] { return WriteFooter(env, st, path); }, [&] { CutBack(before); });
  if (d != Done::Ended && st.open_path == path) st.open_path.clear();
  return d;
}

// A message that moves to another file of the series begins that file: the previous file
// gets its footer, and an existing file its old footer blanked.
Done MoveToFile(RunEnv& env, RunState& st, const Text& path) {
  const bool first = IsFirstMessage(st);
  if (env.checkpoint)
    env.checkpoint->BeforeBegin(
        st, path, env.job.create_title_index ? BuildOutputFileName(env, st, true) : Text());
  if (!first && !st.previous_path.empty()) {
    if (FinishFileAt(env, st, st.previous_path) == Done::Ended) return Done::Ended;
    if (env.checkpoint) env.checkpoint->Finished(st.previous_path);
  }
  Done d = BeginFile(env, st, path);
  if (env.checkpoint) env.checkpoint->Began(path);
  return d;
}

// The message and its title index entry are one step: a failure cuts both back. `out_before`
// is the output file as it stands now.
Done AppendMessage(RunEnv& env, RunState& st, const Text& path, const FileMark& out_before) {
  std::string message = EncodeCp932(Expand(env, st, st.output.html2, path));
  const bool with_index = env.job.create_title_index;
  Text index, entry;
  FileMark index_before;
  if (with_index) {
    index = BuildOutputFileName(env, st, true);
    index_before = MarkOf(index);
    entry = index_before.size ? Text() : Expand(env, st, st.output.html1_idx, path);
    entry += Expand(env, st, st.output.html2_idx, path);
  }
  Text failing = path;
  Done d = Guarded(
      env, st, failing,
      [&] {
        failing = path;
        Result<> done = AppendBytes(path, message, out_before.size.has_value());
        if (!done || !with_index) return done;
        failing = index;
        return AppendLine(index, entry, index_before.size.has_value());
      },
      [&] {
        CutBack(out_before);
        CutBack(index_before);
      });
  if (env.checkpoint && d == Done::Ok)
    env.checkpoint->Wrote(path, message, index,
                          with_index ? EncodeCp932(entry) + "\r\n" : std::string());
  return d;
}

}  // namespace

Step WriteMessage(RunEnv& env, RunState& st) {
  const Text path = BuildOutputFileName(env, st, false);
  bool skipped = false;
  // One look at the file tells whether it is still there and where a failed append is cut
  // back to; a new file's header changes it.
  FileMark mark = MarkOf(path);
  if (IsFirstMessage(st) || !mark.size || path != st.previous_path) {
    Done d = MoveToFile(env, st, path);
    if (d == Done::Ended) return Step::End;
    skipped = d == Done::Skipped;
    if (!skipped) mark = MarkOf(path);
  }
  if (!skipped && (!env.job.no_out_blank || !AllItemsEmpty(st.values)) &&
      AppendMessage(env, st, path, mark) == Done::Ended)
    return Step::End;

  if (st.open_while_collecting) {
    env.clock.Sleep(1000);
    env.shell.Open(path);
    st.open_while_collecting = false;
  }
  st.previous_path = path;
  st.last_handled = st.current_number;
  st.handled_count += 1;
  st.committed_split_key = st.split_key;
  st.committed_file_message_count = st.file_message_count;
  env.intents.Yield();
  st.current_number += 1;
  if (env.checkpoint) env.checkpoint->AfterMessage(st);
  return Step::Continue;
}

Step OutputMessage(RunEnv& env, RunState& state) {
  state.committed_split_key = state.split_key;
  state.committed_file_message_count = state.file_message_count;
  if (IsFirstMessage(state) && env.job.topic_to_filename &&
      NameOutputAfterTitle(env, state) == Step::End)
    return Step::End;
  if (env.job.split.enabled && SplitStep(env, state) == Step::End) return Step::End;
  return WriteMessage(env, state);
}

Step FinishOutputFile(RunEnv& env, RunState& state) {
  return FinishFileAt(env, state, BuildOutputFileName(env, state, false)) == Done::Ended
             ? Step::End
             : Step::Continue;
}

void EndRun(RunEnv& env, RunState& state) {
  if (FinishOutputFile(env, state) == Step::End) return;
  env.hooks.UpdateHistory(env.job, state);
  env.job.SetFrom(state.current_number);
  env.job.SetTo(state.current_number);
  env.intents.Changed(env.job);
  if (env.intents.ShowResult(state.unwritten)) env.hooks.ShowResult();
  env.intents.Status(state.unwritten > 0 ? u"取得完了（書き込めなかったデータがあります）"
                                         : u"取得完了");
  env.hooks.SaveHistory();
}

void StopRun(RunEnv& env, RunState& state) {
  if (IsFirstMessage(state)) {
    env.hooks.SaveHistory();
    return;
  }
  if (FinishOutputFile(env, state) == Step::End) return;
  env.hooks.UpdateHistory(env.job, state);
  env.job.SetFrom(state.current_number);
  env.intents.Changed(env.job);
  env.hooks.SaveHistory();
}

void AbortRun(RunEnv& env, RunState& state) {
  // The message in hand was not written: the split state and the history stand just past the
  // last message that was, as after a cancel.
  state.split_key = state.committed_split_key;
  state.file_message_count = state.committed_file_message_count;
  if (!state.open_path.empty()) {
    Text path = state.open_path;
    state.open_path.clear();
    FileMark before = MarkOf(path);
    // Best effort: a failure here was already reported.
    if (!WriteFooter(env, state, path)) CutBack(before);
  }
  if (!IsFirstMessage(state)) {
    env.hooks.UpdateHistory(env.job, state);
    env.job.SetFrom(state.current_number);
    env.intents.Changed(env.job);
  }
  env.hooks.SaveHistory();
}

}  // namespace pellucor
