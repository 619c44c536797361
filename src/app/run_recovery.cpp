#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/history_messages.h"
#include "app/journal_format.h"
#include "app/main_form.h"
#include "app/program.h"
#include "app/run_command.h"
#include "app/run_journal.h"
#include "app/settings.h"
#include "common/files.h"
#include "common/numeric.h"
#include "history/store.h"

namespace pellucor {

using namespace journal;

// Recovery of the runs that died: the newest record whose files hold what it says is applied as
// the cancel path would have applied it.

namespace {

struct Chosen {
  uint64_t seq = 0;
  Fields fields;
};

bool FileHolds(const Fields& f, const std::string& key) {
  std::string path = Get(f, key + ".path");
  if (path.empty()) return true;
  int64_t length = GetInt(f, key + ".length");
  if (length < 0) return true;
  auto tail = TailOf(path, length);
  return tail && *tail == Unhex(Get(f, key + ".tail"));
}

std::optional<Fields> BestRecord(const std::string& journal) {
  std::vector<Chosen> found;
  for (size_t at = 0; at + sizeof kMagic < journal.size(); at += kAlign) {
    if (journal.compare(at, sizeof kMagic - 1, kMagic) != 0) continue;
    size_t nl = journal.find('\n', at);
    if (nl == std::string::npos) continue;
    unsigned long long seq = 0, len = 0;
    unsigned long crc = 0;
    if (std::sscanf(journal.c_str() + at + sizeof kMagic - 1, "%llu %llu %lu", &seq, &len, &crc) !=
        3)
      continue;
    if (nl + 1 + len > journal.size()) continue;
    std::string_view body(journal.data() + nl + 1, len);
    if (Crc32(body) != crc) continue;
    found.push_back({seq, Parse(body)});
  }
  std::sort(found.begin(), found.end(),
            [](const Chosen& a, const Chosen& b) { return a.seq > b.seq; });
  for (const Chosen& c : found)
    if (FileHolds(c.fields, "o") && FileHolds(c.fields, "i")) return c.fields;
  return std::nullopt;
}

void CutTo(const std::string& native, int64_t length) {
  struct stat sb;
  if (::stat(native.c_str(), &sb) == 0 && S_ISREG(sb.st_mode) && sb.st_size > length)
      [[maybe_unused]]
    int ignored = ::truncate(native.c_str(), length);
}

// A file begun after the record: removed when it was new, else cut back and its old last bytes
// (the footer slot that was blanked) put back.
void UndoBegin(const Fields& f, const std::string& key) {
  std::string path = Get(f, key + ".path");
  if (path.empty()) return;
  int64_t length = GetInt(f, key + ".length");
  struct stat sb;
  if (::stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) return;
  if (length < 0) {
    ::unlink(path.c_str());
    return;
  }
  CutTo(path, length);
  std::string slot = Unhex(Get(f, key + ".slot"));
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (!slot.empty()) PwriteAll(fd, slot, static_cast<uint64_t>(length) - slot.size());
  ::fdatasync(fd);
  ::close(fd);
}

// The run's files as a cancel would have left them: what was begun after the record undone,
// the output file cut back and given its footer slot, the title index cut back.
void RestoreFiles(const Fields& f) {
  UndoBegin(f, "p");
  UndoBegin(f, "q");
  std::string o = Get(f, "o.path");
  if (!o.empty() && GetInt(f, "wrote", 0) == 1) {
    int64_t length = GetInt(f, "o.length");
    CutTo(o, length);
    std::string footer = Unhex(Get(f, "o.footer"));
    int fd = ::open(o.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
      if (!footer.empty() && length > 0) PwriteAll(fd, footer, static_cast<uint64_t>(length));
      ::fdatasync(fd);
      ::close(fd);
    }
  }
  std::string i = Get(f, "i.path");
  if (!i.empty()) {
    int64_t length = GetInt(f, "i.length");
    if (length < 0) {
      ::unlink(i.c_str());
    } else {
      CutTo(i, length);
    }
  }
}

// The cancel path's history record, written into record.dat.
void RecordHistory(const Fields& f, const Job& job, const Text& program_dir, Ui& ui) {
  Text history_path = HistoryFilePath(program_dir);
  HistoryList list;
  if (auto bytes = ReadFileBytes(history_path)) ParseHistory(*bytes, list, false);
  HistoryRecord key;
  key.url1 = FromUtf8(Get(f, "k.url1"));
  key.url2 = FromUtf8(Get(f, "k.url2"));
  key.outputTypeFile = FromUtf8(Get(f, "k.type"));
  key.outputPath = FromUtf8(Get(f, "k.path"));
  key.divideKind = FromUtf8(Get(f, "k.kind"));
  int index = FindHistoryRecord(list, key, GetInt(f, "k.devide", 0) == 1);
  RunSummary run;
  run.board_file = FromUtf8(Get(f, "r.board_file"));
  run.board_name = FromUtf8(Get(f, "r.board_name"));
  run.output_type_file = FromUtf8(Get(f, "r.type_file"));
  run.split_key = GetInt(f, "r.split", 1);
  run.file_message_count = GetInt(f, "r.count", 0);
  run.title = FromUtf8(Get(f, "r.title"));
  run.last_message = NumericValue(FromUtf8(Get(f, "r.last")));
  run.handled = GetInt(f, "r.handled", 0);
  run.start = ParseDateTime(FromUtf8(Get(f, "r.start"))).value_or(DateTime{});
  run.end = ParseDateTime(FromUtf8(Get(f, "r.end"))).value_or(run.start);
  HistoryList base = list;
  UpdateHistoryRecord(list, index, job, run);
  if (!SaveHistory(history_path, list, base)) ShowHistorySaveFailed(ui, history_path);
}

void Apply(const Fields& f, const Text& program_dir, Ui& ui) {
  MemoryForm form;
  Text bbs, out;
  for (const char16_t* key : kSettingsKeys) {
    std::string k = "s." + ToUtf8(key);
    if (!f.count(k)) continue;
    Text v = FromUtf8(Get(f, k));
    if (Text(key) == u"bbs_file") {
      bbs = v;
    } else if (Text(key) == u"out_file") {
      out = v;
    } else {
      ApplySettingValue(form, key, v);
    }
  }
  if (Get(f, "phase") != "closed") {
    RestoreFiles(f);
    if (GetInt(f, "wrote", 0) == 1) {
      // The cancel path: the history record, then the first number on the message not yet
      // written.
      RecordHistory(f, JobOf(RequestOf(form), DefinitionCatalog()), program_dir, ui);
      form.Text_from().SetValue(FromUtf8(Get(f, "next")));
    }
  }
  if (Get(f, "settings") != "0") SaveSettings(form, SettingsFilePath(program_dir), bbs, out);
}

}  // namespace

int RecoverInterruptedRuns(const Text& program_dir, Ui& ui) {
  std::string folder = NativePath(program_dir + u"runs");
  DIR* d = ::opendir(folder.c_str());
  if (!d) return 0;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n.rfind("run-", 0) == 0) names.push_back(folder + "/" + n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  int recovered = 0;
  for (const std::string& path : names) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {  // a run that is alive
      ::close(fd);
      continue;
    }
    std::optional<std::string> bytes = ReadFileBytes(FromUtf8(path));
    if (bytes) {
      if (auto f = BestRecord(*bytes)) {
        Apply(*f, program_dir, ui);
        ++recovered;
      }
    }
    ::unlink(path.c_str());
    ::close(fd);
  }
  return recovered;
}

}  // namespace pellucor
