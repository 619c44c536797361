#include "history/store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_set>

#include "common/files.h"
#include "common/format.h"
#include "common/numeric.h"
#include "engine/job.h"

namespace pellucor {
namespace {

// Fields stored by the older layouts, by 1-based number.
constexpr std::array<int, 19> kVersion1Fields = {1,  2,  3,  4,  5,  6,  7,  8,  9, 12,
                                                 14, 15, 16, 19, 20, 21, 22, 23, 24};
constexpr std::array<int, 20> kVersion2Fields = {1,  2,  3,  4,  5,  6,  7,  8,  9,  12,
                                                 14, 15, 16, 19, 20, 21, 22, 23, 24, 25};

// Splits on CR LF or a lone CR; a lone LF is part of its field, as in the section/key files.
// Only a file without any CR (edited on Linux) has LF line ends. A final line break does not
// start another line.
std::vector<Text> SplitLines(const Text& text) {
  const char16_t lf_ends = text.find(u'\r') == Text::npos ? u'\n' : u'\r';
  std::vector<Text> lines;
  Text cur;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == lf_ends) {
      lines.push_back(std::move(cur));
      cur.clear();
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) lines.push_back(std::move(cur));
  return lines;
}

Text OneLine(const Text& field) {
  Text out = field;
  for (char16_t& c : out)
    if (c == u'\r' || c == u'\n') c = u' ';
  return out;
}

void KeepCopy(const Text& path) {
  if (auto bytes = ReadFileBytes(path)) WriteFileAtomic(path + u".bak", *bytes);
}

}  // namespace

Text& HistoryRecord::Field(int n) {
  return const_cast<Text&>(static_cast<const HistoryRecord&>(*this).Field(n));
}

const Text& HistoryRecord::Field(int n) const {
  const Text* fields[kFieldCount] = {&url1,
                                     &url2,
                                     &fromNumber,
                                     &toNumber,
                                     &maxMsg,
                                     &boardFile,
                                     &outputTypeFile,
                                     &outputPath,
                                     &topicToFilename,
                                     &createTitleIndex,
                                     &noOutBlank,
                                     &divide,
                                     &divideKind,
                                     &divideCount,
                                     &splitKey,
                                     &fileMessageCount,
                                     &divideDateKind,
                                     &divideFileSize,
                                     &boardName,
                                     &title,
                                     &lastMessage,
                                     &lastRunTime,
                                     &totalMessages,
                                     &totalSeconds,
                                     &comment};
  return *fields[n - 1];
}

Text HistoryFilePath(const Text& program_directory) {
  return program_directory + u"record.dat";
}

namespace {

// What FindHistoryRecord compares, as one text: each field after its length, so that no two
// different records share a key.
Text RecordKey(const HistoryRecord& r, bool devide_checked) {
  Text key;
  auto add = [&key](const Text& field) {
    key += IntegerText(static_cast<int64_t>(field.size()));
    key += u':';
    key += field;
  };
  add(r.url1);
  add(r.url2);
  add(r.outputTypeFile);
  add(r.outputPath);
  if (devide_checked) add(r.divideKind);
  return key;
}

}  // namespace

int FindHistoryRecord(const HistoryList& list, const HistoryRecord& r, bool devide_checked) {
  for (size_t i = 0; i < list.size(); ++i) {
    const HistoryRecord& e = list[i];
    if (e.url1 == r.url1 && e.url2 == r.url2 && e.outputTypeFile == r.outputTypeFile &&
        e.outputPath == r.outputPath && (e.divideKind == r.divideKind || !devide_checked))
      return static_cast<int>(i);
  }
  return -1;
}

void UpdateHistoryRecord(HistoryList& list, int& index, const Job& job, const RunSummary& run) {
  if (index < 0 || index >= static_cast<int>(list.size())) {
    list.emplace_back();
    index = static_cast<int>(list.size()) - 1;
  }
  const RunRequest& as_given = job.request;
  HistoryRecord& r = list[index];
  r.url1 = job.url1;
  r.url2 = job.url2;
  r.fromNumber = as_given.from;
  r.toNumber = as_given.to;
  r.maxMsg = IntegerText(job.max_msg);
  r.boardFile = run.board_file;
  r.outputTypeFile = run.output_type_file;
  r.outputPath = job.output_path;
  r.topicToFilename = IntegerText(job.topic_to_filename);
  r.createTitleIndex = IntegerText(job.create_title_index);
  r.noOutBlank = IntegerText(job.no_out_blank);
  r.divide = IntegerText(job.split.enabled);
  if (as_given.devide_kind >= 0) r.divideKind = IntegerText(as_given.devide_kind);
  r.divideCount = as_given.devide_count;
  r.splitKey = IntegerText(run.split_key);
  r.fileMessageCount = IntegerText(run.file_message_count);
  r.divideDateKind = IntegerText(as_given.devide_date_kind);
  r.divideFileSize = as_given.devide_file_size;
  r.boardName = run.board_name;
  r.title = run.title;
  r.lastMessage = FormatNumber(run.last_message);
  r.lastRunTime = FormatYmdHms(run.end);
  r.totalMessages = IntegerText(RoundHalfEven(NumericValue(r.totalMessages)) + run.handled);
  r.totalSeconds =
      IntegerText(SecondsBetween(run.start, run.end) + RoundHalfEven(NumericValue(r.totalSeconds)));
}

HistoryLoad ParseHistory(std::string_view bytes, HistoryList& list, bool devide_checked) {
  if (bytes.empty()) return HistoryLoad::Missing;
  std::vector<Text> lines = SplitLines(DecodeCp932(bytes));
  if (lines.empty()) return HistoryLoad::Missing;
  double version = NumericValue(lines[0]);

  std::vector<int> layout;
  if (version == 1) {
    layout.assign(kVersion1Fields.begin(), kVersion1Fields.end());
  } else if (version == 2) {
    layout.assign(kVersion2Fields.begin(), kVersion2Fields.end());
  } else if (version == 3) {
    for (int n = 1; n <= HistoryRecord::kFieldCount; ++n) layout.push_back(n);
  } else {
    return HistoryLoad::UnknownVersion;
  }

  std::unordered_set<Text> keys;
  for (const HistoryRecord& e : list) keys.insert(RecordKey(e, devide_checked));
  size_t i = 1;
  while (i < lines.size()) {
    if (lines[i].empty()) {
      ++i;
      continue;
    }
    if (i + layout.size() > lines.size()) return HistoryLoad::Damaged;
    HistoryRecord r;
    if (version == 2) {
      r.createTitleIndex = r.noOutBlank = r.divideKind = r.divideDateKind = u"0";
      r.divideFileSize = u"1000";
    }
    for (int n : layout) r.Field(n) = lines[i++];
    // A record FindHistoryRecord would find is dropped; a set keeps 1,000 jobs from costing a
    // million comparisons.
    if (keys.insert(RecordKey(r, devide_checked)).second) list.push_back(std::move(r));
  }
  return HistoryLoad::Loaded;
}

Result<HistoryLoad> LoadHistory(const Text& path, HistoryList& list, bool devide_checked) {
  if (!FileExists(path)) return HistoryLoad::Missing;
  auto bytes = ReadFileBytes(path);
  HistoryLoad got = bytes ? ParseHistory(*bytes, list, devide_checked) : HistoryLoad::Damaged;
  // A file this program cannot read is left for the program that wrote it.
  if (got == HistoryLoad::Damaged || got == HistoryLoad::UnknownVersion) KeepCopy(path);
  if (!bytes) return Error{0, u"履歴データを読み込めません（" + path + u"）"};
  if (got == HistoryLoad::Damaged) return Error{0, u"履歴データが壊れています（" + path + u"）"};
  return got == HistoryLoad::UnknownVersion ? got : HistoryLoad::Loaded;
}

std::string SerializeHistory(const HistoryList& list) {
  Text text = Text(u"3") + kCrLf;
  for (const HistoryRecord& r : list)
    for (int n = 1; n <= HistoryRecord::kFieldCount; ++n) text += OneLine(r.Field(n)) + kCrLf;
  return EncodeCp932(text);
}

namespace {

bool SameJob(const HistoryRecord& a, const HistoryRecord& b) {
  return a.url1 == b.url1 && a.url2 == b.url2 && a.outputTypeFile == b.outputTypeFile &&
         a.outputPath == b.outputPath && a.divideKind == b.divideKind;
}

const HistoryRecord* FindJob(const HistoryList& list, const HistoryRecord& r) {
  for (const HistoryRecord& e : list)
    if (SameJob(e, r)) return &e;
  return nullptr;
}

// Held while record.dat is read, merged and replaced.
class SaveLock {
 public:
  explicit SaveLock(const Text& path) {
    fd_ = ::open(NativePath(path + u".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~SaveLock() {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  int fd_ = -1;
};

void RemoveLeftoverTemporaries(const Text& path) {
  const std::string native = NativePath(path);
  const size_t slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  const std::string prefix = native.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp";
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    if (std::string_view(e->d_name).rfind(prefix, 0) == 0)
      ::unlink((folder + (folder.back() == '/' ? "" : "/") + e->d_name).c_str());
  }
  ::closedir(d);
}

Result<> WriteHistoryFile(const Text& path, const HistoryList& list) {
  if (!list.empty()) return WriteFileAtomic(path, SerializeHistory(list));
  if (!FileExists(path)) return {};
  return DeleteFile(path);
}

}  // namespace

Result<> SaveHistory(const Text& path, const HistoryList& list) {
  SaveLock lock(path);
  RemoveLeftoverTemporaries(path);
  return WriteHistoryFile(path, list);
}

Result<> SaveHistory(const Text& path, HistoryList& list, HistoryList& base) {
  SaveLock lock(path);
  RemoveLeftoverTemporaries(path);
  HistoryList merged;
  if (auto bytes = ReadFileBytes(path)) ParseHistory(*bytes, merged, true);
  for (const HistoryRecord& r : base) {
    if (FindJob(list, r)) continue;
    std::erase_if(merged, [&](const HistoryRecord& e) { return SameJob(e, r); });
  }
  for (const HistoryRecord& r : list) {
    const HistoryRecord* old = FindJob(base, r);
    if (old && *old == r) continue;  // unchanged here: the file's version stands
    auto it = std::find_if(merged.begin(), merged.end(),
                           [&](const HistoryRecord& e) { return SameJob(e, r); });
    if (it != merged.end()) {
      *it = r;
    } else {
      merged.push_back(r);
    }
  }
  if (Result<> written = WriteHistoryFile(path, merged); !written) return written;
  list = merged;
  base = merged;
  return {};
}

}  // namespace pellucor
