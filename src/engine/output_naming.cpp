// Naming and splitting: which file of the output series receives a message.
#include <algorithm>
#include <string>

#include "common/filename.h"
#include "common/files.h"
#include "common/numeric.h"
#include "engine/pipeline.h"

namespace pellucor {
namespace {

Text Mark(const Job& job) {
  return job.output ? job.output->mark : Text();
}

bool IsFirstMessage(const RunState& st) {
  return st.current_number == st.first_number;
}

// The series part of a split file's name: the key, zero-padded by kind.
std::optional<Text> SeriesKey(const Job& job, int32_t split_key, int32_t file_message_count) {
  int64_t key = split_key;
  switch (job.split.kind) {
    case SplitKind::Count:
      if (job.split.count < file_message_count) key = int64_t{split_key} + 1;
      return FormatMessageNumber(static_cast<double>(key), 3);
    case SplitKind::Date:
      return IntegerText(key);
    case SplitKind::Size:
      return FormatMessageNumber(static_cast<double>(key), 4);
    case SplitKind::Unknown:
      break;
  }
  return std::nullopt;
}

// "_idx" before the extension of the output file's name (one is added when it has none).
Text IndexName(Text name, const Text& mark) {
  size_t dot = name.rfind(u'.');
  if (dot == Text::npos) {
    name += u"." + mark;
    dot = name.rfind(u'.');
  }
  // The index lies beside its output file: a "." of the folder is no extension.
  const size_t sep = name.rfind(kSep);
  if (sep != Text::npos && dot < sep) return name + u"_idx";
  return name.substr(0, dot) + u"_idx" + name.substr(dot);
}

int32_t DateKey(const RunState& st, DateUnit unit) {
  Text d;
  if (st.board.date_item >= 0 && st.board.date_item < static_cast<int>(st.values.size()))
    d = st.values[st.board.date_item];
  DateTime t = ParseDateTime(d).value_or(DateTime{1970, 1, 1, 9, 0, 0});
  int64_t key;
  switch (unit) {
    case DateUnit::Weekly:
      key = std::stoll(std::to_string(t.year) + std::to_string(WeekOfYear(t)));
      break;
    case DateUnit::Monthly:
      key = int64_t{t.year} * 100 + t.month;
      break;
    default:
      key = int64_t{t.year} * 10000 + t.month * 100 + t.day;
      break;
  }
  return static_cast<int32_t>(key);
}

Step CountStep(RunEnv& env, RunState& st) {
  st.file_message_count += 1;
  if (env.job.split.count < st.file_message_count) {
    st.split_key += 1;
    st.file_message_count = 1;
  }
  const bool first = IsFirstMessage(st);
  if (!first && st.file_message_count != 1) return Step::Continue;
  // The probe looks at the file this message goes to.
  Text probe = BuildOutputFileName(env, st, false);
  if (!FileExists(probe)) return Step::Continue;
  if (first) {
    if (env.job.topic_to_filename && !env.intents.AppendToExisting(probe)) return Step::End;
    return Step::Continue;
  }
  // Existing files of the series are never appended to in the middle of a run.
  for (int guard = 0; guard < 1000000 && FileExists(probe); ++guard) {
    st.split_key += 1;
    probe = BuildOutputFileName(env, st, false);
  }
  return Step::Continue;
}

}  // namespace

MacroContext MacroContextOf(const Job& job, const Text& version_text) {
  MacroContext c;
  c.url1 = job.url1;
  c.url2 = job.url2;
  c.board = job.board ? &*job.board : nullptr;
  c.version = version_text;
  return c;
}

Text BuildOutputFileName(const Job& job, int32_t split_key, int32_t file_message_count,
                         bool index) {
  Text name;
  if (!job.split.enabled) {
    name = job.output_path;
  } else {
    const Text& full = job.output_path;
    size_t sep = full.rfind(kSep);
    Text folder = sep == Text::npos ? Text() : full.substr(0, sep + 1);
    Text file = sep == Text::npos ? full : full.substr(sep + 1);
    size_t dot = file.rfind(u'.');
    if (dot == Text::npos) {
      file += u"." + Mark(job);
      dot = file.rfind(u'.');
    }
    std::optional<Text> key = SeriesKey(job, split_key, file_message_count);
    if (!key) return {};
    name = folder + file.substr(0, dot) + u"_" + *key + u"." + file.substr(dot + 1);
  }
  return index ? IndexName(name, Mark(job)) : name;
}

Text BuildOutputFileName(const RunEnv& env, const RunState& state, bool index) {
  return BuildOutputFileName(env.job, state.split_key, state.file_message_count, index);
}

Step NameOutputAfterTitle(RunEnv& env, RunState& state) {
  const Text& out = env.job.output_path;
  size_t sep = out.rfind(kSep);
  Text folder = sep == Text::npos ? Text() : out.substr(0, sep + 1);
  if (state.topic_title.empty()) {
    env.intents.Notice(RunNotice::NoTitle);
    return Step::End;
  }
  // A name the file system cannot take would fail every write: the title gives way, so that the
  // extension, a series suffix ("_" and up to ten digits) and "_idx" always fit.
  const Text mark = Mark(env.job);
  const int64_t room =
      static_cast<int64_t>(kMaxNameBytes) - 15 - 1 - static_cast<int64_t>(ToUtf8(mark).size());
  env.job.SetOutputPath(folder +
                        CutToBytes(TitleToFileName(state.topic_title, env.clock.Now()),
                                   static_cast<size_t>(std::max<int64_t>(room, 1))) +
                        u"." + mark);
  env.intents.Changed(env.job);
  if (!env.job.split.enabled) {
    Text path = BuildOutputFileName(env, state, false);
    if (FileExists(path) && !env.intents.AppendToExisting(path)) return Step::End;
  }
  return Step::Continue;
}

Step SplitStep(RunEnv& env, RunState& st) {
  st.previous_split_key = st.split_key;
  switch (env.job.split.kind) {
    case SplitKind::Count:
      return CountStep(env, st);
    case SplitKind::Date:
      st.split_key = DateKey(st, env.job.split.unit);
      break;
    case SplitKind::Size: {
      Text path = BuildOutputFileName(env, st, false);
      std::optional<int64_t> size = FileSize(path);
      if (size && env.job.split.size_kb * 1024 < *size) st.split_key += 1;
      break;
    }
    case SplitKind::Unknown:
      break;
  }
  return Step::Continue;
}

}  // namespace pellucor
