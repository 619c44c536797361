#include "engine/pipeline.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/filename.h"
#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/footer_slot.h"
#include "engine/run_journal.h"

namespace pellucor {
namespace {

Text Dec(int64_t n) {
  std::string s = std::to_string(n);
  return Text(s.begin(), s.end());
}

Text Mark(RunEnv& env) {
  const OutputEntry* e = env.catalog.Output(env.form.Combo_out().Index());
  return e ? e->mark : Text();
}

bool IsFirstMessage(const RunState& st) {
  return st.current_number == st.first_number;
}

// ---- Raw file operations: each opens, seeks, writes and closes. 0 or an errno. ----

// Something other than a regular file (a folder, FIFO or device) where an output file belongs.
constexpr int kNotAFile = -1;

int64_t g_space_left = -1;  // SetOutputSpaceForTesting

int WriteAll(int fd, std::string_view bytes, off_t at = -1) {
  int full = 0;
  if (g_space_left >= 0 && static_cast<int64_t>(bytes.size()) > g_space_left) {
    bytes = bytes.substr(0, static_cast<size_t>(g_space_left));
    full = ENOSPC;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = at < 0 ? ::write(fd, bytes.data() + done, bytes.size() - done)
                       : ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                  at + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
    if (g_space_left >= 0) g_space_left -= n;
  }
  return full;
}

int CloseChecked(int fd, int err) {
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}

// Opens (creating when missing), then `body(fd, size)`. Never blocks on a FIFO or device and
// never writes into one.
template <class Body>
int WithFile(TextView path, int flags, Body body) {
  int fd = ::open(NativePath(path).c_str(), flags | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return errno == EISDIR || errno == ENXIO ? kNotAFile : errno;
  struct stat sb;
  if (::fstat(fd, &sb) != 0) return CloseChecked(fd, errno);
  if (!S_ISREG(sb.st_mode)) return CloseChecked(fd, kNotAFile);
  return CloseChecked(fd, body(fd, static_cast<off_t>(sb.st_size)));
}

int AppendBytes(TextView path, std::string_view bytes) {
  return WithFile(path, O_WRONLY | O_APPEND, [&](int fd, off_t) { return WriteAll(fd, bytes); });
}

// A file's length before a write, so that a failed write can be cut back: nothing when the
// file did not exist (it is removed again).
struct FileMark {
  Text path;
  std::optional<int64_t> size;
};

FileMark MarkOf(const Text& path) {
  return {path, FileSize(path)};
}

void CutBack(const FileMark& m) {
  if (m.path.empty()) return;
  std::string native = NativePath(m.path);
  struct stat sb;
  if (::stat(native.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) return;
  if (!m.size) {
    ::unlink(native.c_str());
  } else if (sb.st_size > *m.size) {
    [[maybe_unused]] int ignored = ::truncate(native.c_str(), static_cast<off_t>(*m.size));
  }
}

int WriteFooter(RunEnv& env, RunState& st, TextView path) {
  return WithFile(path, O_RDWR, [&](int fd, off_t size) {
    if (size == 0 || st.output.html3.empty()) return 0;
    Text footer = ExpandTemplate(st.output.html3, st.values, st.board.items, st.board.changewords,
                                 MacroContextOf(env), MessageNumber{0, 0}, path);
    return WriteAll(fd, FooterSlotBytes(footer), size);
  });
}

// ---- Failure handling of the writer ----

enum class Recovery { Retry, Skip, End };

// How a guarded file operation came out.
enum class Done { Ok, Skipped, Ended };

Text FolderOf(TextView path) {
  int64_t p = FindLast(path, Text(1, kSep));
  return p > 0 ? Text(path.substr(0, p - 1)) : Text();
}

Recovery WrongOutputName(RunEnv& env, RunState& st) {
  env.ui.Beep();
  env.ui.MessageBox(
      Text(u"出力ファイル名の設定に誤りがあります") + kCrLf + u"正しい値を設定してください",
      kAppCaption, Icon::Critical, Buttons::Ok);
  AbortRun(env, st);
  return Recovery::End;
}

Recovery NotAFile(RunEnv& env, RunState& st, TextView path) {
  env.ui.Beep();
  env.ui.MessageBox(NotAFileText(path), kAppCaption, Icon::Critical, Buttons::Ok);
  AbortRun(env, st);
  return Recovery::End;
}

Recovery AskAfterError(RunEnv& env, RunState& st, int err, TextView path) {
  Text text = FromUtf8(std::strerror(err));
  if (!path.empty()) text += kCrLf + Text(path);
  switch (AskAbortRetryIgnore(env.ui, text, u"エラー", true)) {
    case pellucor::Recovery::Retry:
      return Recovery::Retry;
    case pellucor::Recovery::Skip:
      return Recovery::Skip;
    case pellucor::Recovery::Abort:
      break;
  }
  AbortRun(env, st);
  return Recovery::End;
}

// The output folder is missing: offer to create it (one level only).
Recovery MissingFolder(RunEnv& env, RunState& st, TextView path) {
  Text folder = FolderOf(path);
  int64_t last = FindLast(path, Text(1, kSep));
  if (path.size() <= 1 || last <= 1 || FolderExists(folder)) return WrongOutputName(env, st);
  Text parent = FolderOf(folder);
  if (parent.empty() || FolderExists(parent)) {
    env.ui.Beep();
    Answer a = env.ui.MessageBox(u"出力先のフォルダが存在しません（" + folder + u"）" + kCrLf +
                                     u"新規にフォルダを作成しますか？",
                                 kAppCaption, Icon::Question, Buttons::YesNo);
    if (a != Answer::Yes) return WrongOutputName(env, st);
    if (CreateFolder(folder)) return Recovery::Retry;
    return AskAfterError(env, st, errno ? errno : EACCES, folder);
  }
  env.ui.Beep();
  env.ui.MessageBox(u"出力先のフォルダが存在しません（" + folder + u"）" + kCrLf +
                        u"この上のフォルダ（" + parent + u"）も存在しないので" + kCrLf +
                        u"新規フォルダが作成出来ません",
                    kAppCaption, Icon::Critical, Buttons::Ok);
  return WrongOutputName(env, st);
}

// Runs a file operation until it succeeds, is skipped (Ignore) or the run ends. After a failure
// `undo` cuts back what the operation half wrote, before anyone is asked and before a retry.
// `path` names the file the operation failed on (the operation may update it).
template <class Op, class Undo>
Done Guarded(RunEnv& env, RunState& st, const Text& path, Op op, Undo undo) {
  for (;;) {
    int err = op();
    if (err == 0) return Done::Ok;
    undo();
    Recovery r = err == kNotAFile ? NotAFile(env, st, path)
                 : err == ENOENT  ? MissingFolder(env, st, path)
                                  : AskAfterError(env, st, err, path);
    if (r == Recovery::Skip) {
      st.unwritten += 1;
      return Done::Skipped;
    }
    if (r == Recovery::End) return Done::Ended;
  }
}

Text Expand(RunEnv& env, RunState& st, TextView tmpl, TextView path) {
  return ExpandTemplate(tmpl, st.values, st.board.items, st.board.changewords, MacroContextOf(env),
                        MessageNumber{st.current_number, st.board.msg_keta}, path);
}

// Whether the last 200 bytes of the open file are a footer slot this program wrote. 0 or an
// errno; `ours` tells.
int HasOurFooterSlot(RunEnv& env, RunState& st, TextView path, int fd, off_t size, bool& ours) {
  ours = false;
  constexpr off_t kSlot = static_cast<off_t>(kFooterSlotBytes);
  if (st.output.html3.empty() || size < kSlot) return 0;
  std::string tail(kFooterSlotBytes, '\0');
  size_t done = 0;
  while (done < tail.size()) {
    ssize_t n = ::pread(fd, tail.data() + done, tail.size() - done,
                        size - kSlot + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    done += static_cast<size_t>(n);
  }
  ours = FooterPattern(st.output.html3, st.board.items, st.board.changewords, MacroContextOf(env),
                       path)
             .Matches(tail);
  return 0;
}

// Header into an empty file; otherwise a footer slot this program wrote is blanked so the new
// messages follow it. Any other file is continued after its last byte, untouched.
Done BeginFile(RunEnv& env, RunState& st, const Text& path) {
  FileMark before = MarkOf(path);
  Done d = Guarded(
      env, st, path,
      [&] {
        return WithFile(path, O_RDWR, [&](int fd, off_t size) {
          if (size == 0)
            return WriteAll(fd, EncodeCp932(Expand(env, st, st.output.html1, path)), 0);
          bool ours = false;
          if (int err = HasOurFooterSlot(env, st, path, fd, size, ours); err != 0 || !ours)
            return err;
          constexpr off_t kSlot = static_cast<off_t>(kFooterSlotBytes);
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

}  // namespace

MacroContext MacroContextOf(RunEnv& env) {
  MacroContext c;
  c.url1 = env.form.Text_url1().Value();
  c.url2 = env.form.Text_url2().Value();
  c.board = env.catalog.Board(env.form.Combo_bbs().Index());
  c.version = env.version_text;
  return c;
}

Text BuildOutputFileName(MainForm& form, const DefinitionCatalog& catalog, int32_t split_key,
                         int32_t file_message_count, bool index) {
  const OutputEntry* out = catalog.Output(form.Combo_out().Index());
  const Text mark = out ? out->mark : Text();
  Text name;
  if (!form.Check_devide().Value()) {
    name = form.Text_out().Value();
  } else {
    Text full = form.Text_out().Value();
    size_t sep = full.rfind(kSep);
    Text folder = sep == Text::npos ? Text() : full.substr(0, sep + 1);
    Text file = sep == Text::npos ? full : full.substr(sep + 1);
    size_t dot = file.rfind(u'.');
    if (dot == Text::npos) {
      file += u"." + mark;
      dot = file.rfind(u'.');
    }
    Text base = file.substr(0, dot), ext = file.substr(dot + 1);
    const int kind = form.Option_devidekind().Index();
    int64_t key = split_key;
    if (kind == 0 && NumericValue(form.Text_devidecnt().Value()) < file_message_count)
      key = static_cast<int64_t>(split_key) + 1;
    Text key_text;
    switch (kind) {
      case 0:
        key_text = FormatMessageNumber(static_cast<double>(key), 3);
        break;
      case 1:
        key_text = Dec(key);
        break;
      case 2:
        key_text = FormatMessageNumber(static_cast<double>(key), 4);
        break;
      default:
        return {};
    }
    name = folder + base + u"_" + key_text + u"." + ext;
  }
  if (index) {
    size_t dot = name.rfind(u'.');
    if (dot == Text::npos) {
      name += u"." + mark;
      dot = name.rfind(u'.');
    }
    // The index lies beside its output file: a "." of the folder is no extension.
    const size_t sep = name.rfind(kSep);
    if (sep != Text::npos && dot < sep)
      name += u"_idx";
    else
      name = name.substr(0, dot) + u"_idx" + name.substr(dot);
  }
  return name;
}

Text BuildOutputFileName(RunEnv& env, const RunState& state, bool index) {
  return BuildOutputFileName(env.form, env.catalog, state.split_key, state.file_message_count,
                             index);
}

Text AppendQuestionText(TextView path) {
  return u"ファイル（" + Text(path) + u"）が既に存在します" + kCrLf +
         u"このファイルにデータを追加しますか？";
}

namespace {

bool AskAppend(RunEnv& env, TextView path) {
  env.ui.Beep();
  return env.ui.MessageBox(AppendQuestionText(path), kAppCaption, Icon::Question, Buttons::YesNo) ==
         Answer::Yes;
}

}  // namespace

Step NameOutputAfterTitle(RunEnv& env, RunState& state) {
  Text out = env.form.Text_out().Value();
  size_t sep = out.rfind(kSep);
  Text folder = sep == Text::npos ? Text() : out.substr(0, sep + 1);
  if (state.topic_title.empty()) {
    env.ui.MessageBox(u"タイトルが取得できなかったため、ファイル名を設定できませんでした",
                      kAppCaption, Icon::Critical, Buttons::Ok);
    return Step::End;
  }
  // A name the file system cannot take would fail every write: the title gives way, so that the
  // extension, a series suffix ("_" and up to ten digits) and "_idx" always fit.
  const Text mark = Mark(env);
  const int64_t room =
      static_cast<int64_t>(kMaxNameBytes) - 15 - 1 - static_cast<int64_t>(ToUtf8(mark).size());
  env.form.Text_out().SetValue(folder +
                               CutToBytes(TitleToFileName(state.topic_title, env.clock.Now()),
                                          static_cast<size_t>(std::max<int64_t>(room, 1))) +
                               u"." + mark);
  if (!env.form.Check_devide().Value()) {
    Text path = BuildOutputFileName(env, state, false);
    if (FileExists(path) && !AskAppend(env, path)) return Step::End;
  }
  return Step::Continue;
}

Step SplitStep(RunEnv& env, RunState& st) {
  MainForm& f = env.form;
  st.previous_split_key = st.split_key;
  switch (f.Option_devidekind().Index()) {
    case 0: {
      st.file_message_count += 1;
      if (NumericValue(f.Text_devidecnt().Value()) < st.file_message_count) {
        st.split_key += 1;
        st.file_message_count = 1;
      }
      const bool first = IsFirstMessage(st);
      if (first || st.file_message_count == 1) {
        // The probe looks at the file this message goes to.
        Text probe = BuildOutputFileName(env, st, false);
        if (FileExists(probe)) {
          if (first) {
            if (f.Check_TopicToFilename().Value() && !AskAppend(env, probe)) return Step::End;
          } else {
            // Existing files of the series are never appended to in the middle of a run.
            for (int guard = 0; guard < 1000000 && FileExists(probe); ++guard) {
              st.split_key += 1;
              probe = BuildOutputFileName(env, st, false);
            }
          }
        }
      }
      break;
    }
    case 1: {
      Text d;
      if (st.board.date_item >= 0 && st.board.date_item < static_cast<int>(st.values.size()))
        d = st.values[st.board.date_item];
      DateTime t = ParseDateTime(d).value_or(DateTime{1970, 1, 1, 9, 0, 0});
      int64_t key;
      switch (f.Combo_devidedatekind().Index()) {
        case 1:
          key = std::stoll(std::to_string(t.year) + std::to_string(WeekOfYear(t)));
          break;
        case 2:
          key = int64_t{t.year} * 100 + t.month;
          break;
        default:
          key = int64_t{t.year} * 10000 + t.month * 100 + t.day;
          break;
      }
      st.split_key = static_cast<int32_t>(key);
      break;
    }
    case 2: {
      Text path = BuildOutputFileName(env, st, false);
      std::optional<int64_t> size = FileSize(path);
      if (size && NumericValue(f.Text_devidefilesize().Value()) * 1024 < *size) st.split_key += 1;
      break;
    }
    default:
      break;
  }
  return Step::Continue;
}

Step WriteMessage(RunEnv& env, RunState& st) {
  MainForm& f = env.form;
  const Text path = BuildOutputFileName(env, st, false);
  const bool first = IsFirstMessage(st);
  bool skipped = false;
  // A message that moves to another file of the series begins that file: the previous file
  // gets its footer, and an existing file its old footer blanked.
  if (first || !FileExists(path) || path != st.previous_path) {
    CheckpointBeforeBegin(
        env, st, path,
        f.Check_CreateTitleIndex().Value() ? BuildOutputFileName(env, st, true) : Text());
    if (!first && !st.previous_path.empty()) {
      if (FinishFileAt(env, st, st.previous_path) == Done::Ended) return Step::End;
      st.journal_unsynced.push_back(st.previous_path);
    }
    Done d = BeginFile(env, st, path);
    if (st.journal) TrackWrite(st.journal_out, path, {});
    if (d == Done::Ended) return Step::End;
    skipped = d == Done::Skipped;
  }

  if (!skipped && (!f.Check_nooutblank().Value() || !AllItemsEmpty(st.values))) {
    // The message and its title index entry are one step: a failure cuts both back.
    std::string message = EncodeCp932(Expand(env, st, st.output.html2, path));
    const bool with_index = f.Check_CreateTitleIndex().Value() != 0;
    Text index, entry;
    if (with_index) {
      index = BuildOutputFileName(env, st, true);
      entry = FileExists(index) ? Text() : Expand(env, st, st.output.html1_idx, path);
      entry += Expand(env, st, st.output.html2_idx, path);
    }
    const FileMark out_before = MarkOf(path);
    const FileMark index_before = with_index ? MarkOf(index) : FileMark{};
    Text failing = path;
    Done d = Guarded(
        env, st, failing,
        [&] {
          failing = path;
          if (int err = AppendBytes(path, message); err != 0 || !with_index) return err;
          failing = index;
          return AppendLine(index, entry);
        },
        [&] {
          CutBack(out_before);
          CutBack(index_before);
        });
    if (d == Done::Ended) return Step::End;
    if (st.journal && d == Done::Ok) {
      TrackWrite(st.journal_out, path, message);
      if (with_index) TrackWrite(st.journal_index, index, EncodeCp932(entry) + "\r\n");
    }
  }

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
  env.ui.Yield();
  st.current_number += 1;
  CheckpointRun(env, st);
  return Step::Continue;
}

Step OutputMessage(RunEnv& env, RunState& state) {
  state.committed_split_key = state.split_key;
  state.committed_file_message_count = state.file_message_count;
  if (IsFirstMessage(state) && env.form.Check_TopicToFilename().Value() &&
      NameOutputAfterTitle(env, state) == Step::End)
    return Step::End;
  if (env.form.Check_devide().Value() && SplitStep(env, state) == Step::End) return Step::End;
  return WriteMessage(env, state);
}

int AppendLine(TextView path, TextView text) {
  std::string bytes = EncodeCp932(text);
  bytes += "\r\n";
  return AppendBytes(path, bytes);
}

Step FinishOutputFile(RunEnv& env, RunState& state) {
  return FinishFileAt(env, state, BuildOutputFileName(env, state, false)) == Done::Ended
             ? Step::End
             : Step::Continue;
}

Text NotAFileText(TextView path) {
  return u"出力ファイル（" + Text(path) + u"）はファイルではありません" + kCrLf +
         u"フォルダ、FIFO、デバイスなどには出力できません";
}

bool ExistsButNotAFile(TextView path) {
  struct stat sb;
  return path.find(u'\0') == TextView::npos && ::stat(NativePath(path).c_str(), &sb) == 0 &&
         !S_ISREG(sb.st_mode);
}

void SetOutputSpaceForTesting(int64_t bytes) {
  g_space_left = bytes;
}

void EndRun(RunEnv& env, RunState& state) {
  if (FinishOutputFile(env, state) == Step::End) return;
  env.hooks.UpdateHistory(state);
  Text next = FormatNumber(state.current_number);
  env.form.Text_from().SetValue(next);
  env.form.Text_to().SetValue(next);
  env.ui.Beep();
  // Data the user chose to leave unwritten is named, never reported as a plain success.
  Text done = u"処理が完了しました";
  if (state.unwritten > 0)
    done +=
        Text(kCrLf) + u"ただし、書き込めなかったデータが" + Dec(state.unwritten) + u"件あります";
  if (env.ui.MessageBox(done + kCrLf + u"結果を表示しますか？", kAppCaption, Icon::Question,
                        Buttons::YesNo) == Answer::Yes)
    env.hooks.ShowResult();
  env.form.Label_status().SetValue(
      state.unwritten > 0 ? u"取得完了（書き込めなかったデータがあります）" : u"取得完了");
  env.hooks.SaveHistory();
}

void StopRun(RunEnv& env, RunState& state) {
  if (IsFirstMessage(state)) {
    env.hooks.SaveHistory();
    return;
  }
  if (FinishOutputFile(env, state) == Step::End) return;
  env.hooks.UpdateHistory(state);
  env.form.Text_from().SetValue(FormatNumber(state.current_number));
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
    if (WriteFooter(env, state, path) != 0) CutBack(before);
  }
  if (!IsFirstMessage(state)) {
    env.hooks.UpdateHistory(state);
    env.form.Text_from().SetValue(FormatNumber(state.current_number));
  }
  env.hooks.SaveHistory();
}

}  // namespace pellucor
