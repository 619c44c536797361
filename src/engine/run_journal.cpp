#include "engine/run_journal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "app/main_form.h"
#include "app/program.h"
#include "app/settings.h"
#include "common/files.h"
#include "common/numeric.h"
#include "engine/footer_slot.h"
#include "engine/pipeline.h"
#include "history/store.h"
#include "platform/ui.h"

namespace pellucor {
namespace {

constexpr uint64_t kAlign = 4096;
constexpr char kMagic[] = "PELLUCOR-RUN ";
constexpr size_t kTailBytes = 16;

uint32_t Crc32(std::string_view data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SyncFile(const Text& path) {
  int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  struct stat sb;
  if (::fstat(fd, &sb) == 0 && S_ISREG(sb.st_mode)) ::fdatasync(fd);
  ::close(fd);
}

void PwriteAll(int fd, std::string_view bytes, uint64_t at) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// ---- Record bodies: "key=value" lines, UTF-8, with \, CR and LF escaped ----

std::string Escape(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (char c : v) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  static const char* d = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += d[b >> 4];
    out += d[b & 15];
  }
  return out;
}

std::string Unhex(std::string_view hex) {
  auto v = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(v(hex[i]) * 16 + v(hex[i + 1]));
  return out;
}

class Body {
 public:
  void Add(std::string_view key, std::string_view value) {
    text_.append(key);
    text_ += '=';
    text_ += Escape(value);
    text_ += '\n';
  }
  void Add(std::string_view key, const Text& value) { Add(key, ToUtf8(value)); }
  void Add(std::string_view key, int64_t value) { Add(key, std::to_string(value)); }
  // A value that needs no escaping (hex digits).
  void AddPlain(std::string_view key, std::string_view value) {
    text_.append(key);
    text_ += '=';
    text_.append(value);
    text_ += '\n';
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

using Fields = std::map<std::string, std::string>;

Fields Parse(std::string_view body) {
  Fields f;
  size_t at = 0;
  while (at < body.size()) {
    size_t nl = body.find('\n', at);
    if (nl == std::string_view::npos) nl = body.size();
    std::string_view line = body.substr(at, nl - at);
    at = nl + 1;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string value;
    for (size_t i = eq + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        char c = line[++i];
        value += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
      } else {
        value += line[i];
      }
    }
    f[std::string(line.substr(0, eq))] = std::move(value);
  }
  return f;
}

std::string Get(const Fields& f, const std::string& key) {
  auto it = f.find(key);
  return it == f.end() ? std::string() : it->second;
}

int64_t GetInt(const Fields& f, const std::string& key, int64_t fallback = -1) {
  std::string v = Get(f, key);
  if (v.empty()) return fallback;
  return std::strtoll(v.c_str(), nullptr, 10);
}

// The settings and the history key every record carries.
void AddCommon(Body& b, RunEnv& env, RunState& st) {
  const BoardEntry* board = env.catalog.Board(env.form.Combo_bbs().Index());
  const OutputEntry* out = env.catalog.Output(env.form.Combo_out().Index());
  for (const auto& [key, value] :
       SettingsValues(env.form, board ? board->file : Text(), out ? out->file : Text()))
    b.Add("s." + ToUtf8(key), value);
  b.Add("k.url1", st.history_key.url1);
  b.Add("k.url2", st.history_key.url2);
  b.Add("k.type", st.history_key.outputTypeFile);
  b.Add("k.path", st.history_key.outputPath);
  b.Add("k.kind", st.history_key.divideKind);
  b.Add("k.devide", int64_t{st.history_devide ? 1 : 0});
}

std::string Tail(const std::string& before, std::string_view added) {
  std::string t = before;
  t.append(added.substr(added.size() > kTailBytes ? added.size() - kTailBytes : 0));
  if (t.size() > kTailBytes) t.erase(0, t.size() - kTailBytes);
  return t;
}

// The last bytes of a file before `length`, read back.
std::optional<std::string> TailOf(const std::string& native, int64_t length) {
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat sb;
  std::optional<std::string> out;
  if (::fstat(fd, &sb) == 0 && S_ISREG(sb.st_mode) && sb.st_size >= length) {
    int64_t from = std::max<int64_t>(0, length - static_cast<int64_t>(kTailBytes));
    std::string t(static_cast<size_t>(length - from), '\0');
    if (t.empty() || ::pread(fd, t.data(), t.size(), from) == static_cast<ssize_t>(t.size()))
      out = t;
  }
  ::close(fd);
  return out;
}

}  // namespace

// ---- The journal file ----

std::unique_ptr<RunJournal> RunJournal::Create(const Text& program_dir) {
  Text folder = program_dir + u"runs";
  if (!CreateFolder(folder)) return nullptr;
  std::string path = NativePath(folder) + "/run-XXXXXX";
  int fd = ::mkstemp(path.data());
  if (fd < 0) return nullptr;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    ::unlink(path.c_str());
    return nullptr;
  }
  return std::unique_ptr<RunJournal>(new RunJournal(fd, path));
}

RunJournal::~RunJournal() {
  if (fd_ >= 0) ::close(fd_);
}

void RunJournal::Discard() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());
  ::close(fd_);
  fd_ = -1;
}

void RunJournal::Write(const std::string& body, const std::vector<Text>& files, bool durable) {
  if (fd_ < 0) return;
  const int64_t now = NowMs();
  durable = durable || now - last_durable_ms_ >= 1000;
  if (durable) {
    // The files first: a durable record never names bytes that are not on the disk.
    for (const Text& f : files)
      if (!f.empty()) SyncFile(f);
    last_durable_ms_ = now;
  }
  std::string record = kMagic + std::to_string(++seq_) + " " + std::to_string(body.size()) + " " +
                       std::to_string(Crc32(body)) + "\n" + body;
  if (record.size() > slot_size_) {
    // The slots no longer fit: new ones after the old (still valid) ones.
    struct stat sb;
    uint64_t end = ::fstat(fd_, &sb) == 0 ? static_cast<uint64_t>(sb.st_size) : 0;
    base_ = std::max(base_ + 4 * slot_size_, (end + kAlign - 1) / kAlign * kAlign);
    slot_size_ = (record.size() * 2 + kAlign - 1) / kAlign * kAlign;
  }
  uint64_t slot = durable ? 2 + durable_++ % 2 : quick_++ % 2;
  PwriteAll(fd_, record, base_ + slot * slot_size_);
  if (durable) ::fdatasync(fd_);
}

// ---- Records of a run ----

namespace {

// What a cancel would leave now: the state after the last message written.
void AddRun(Body& b, RunEnv& env, RunState& st) {
  b.Add("phase", "run");
  b.Add("wrote", int64_t{st.current_number != st.first_number ? 1 : 0});
  b.Add("next", FormatNumber(st.current_number));
  // The settings change during a run only in these controls: rebuilt when they do.
  Text sig = env.form.Text_to().Value() + u"\n" + env.form.Text_out().Value() + u"\n" +
             Text(1, static_cast<char16_t>(u'0' + env.form.Option_Error().Index()));
  if (sig != st.journal_common_sig || st.journal_common.empty()) {
    Body common;
    AddCommon(common, env, st);
    st.journal_common = std::move(common.text());
    st.journal_common_sig = std::move(sig);
  }
  b.text() += st.journal_common;
  const BoardEntry* board = env.catalog.Board(env.form.Combo_bbs().Index());
  const OutputEntry* out = env.catalog.Output(env.form.Combo_out().Index());
  b.Add("r.board_file", board ? board->file : Text());
  b.Add("r.board_name", board ? board->name : Text());
  b.Add("r.type_file", out ? out->file : Text());
  b.Add("r.split", int64_t{st.committed_split_key});
  b.Add("r.count", int64_t{st.committed_file_message_count});
  b.Add("r.title", st.topic_title);
  b.Add("r.last", FormatNumber(st.last_handled));
  b.Add("r.handled", int64_t{st.handled_count});
  b.Add("r.start", FormatYmdHms(st.start_time));
  b.Add("r.end", FormatYmdHms(env.clock.Now()));
  const TrackedFile& o = st.journal_out;
  if (!o.path.empty()) {
    // The footer a cancel would write now: with the values of the message just written.
    if (st.journal_footer_path != o.path || !st.journal_footer_fixed) {
      std::vector<Text> values = st.values;
      Text footer = ExpandTemplate(st.output.html3, values, st.board.items, st.board.changewords,
                                   MacroContextOf(env), MessageNumber{0, 0}, o.path);
      st.journal_footer = st.output.html3.empty() ? std::string() : Hex(FooterSlotBytes(footer));
      st.journal_footer_path = o.path;
      // Without item macros it is the same for every message of the file.
      std::vector<Text> probe(st.board.items.size(), Text(1, u'\uE000'));
      st.journal_footer_fixed =
          ExpandTemplate(st.output.html3, probe, st.board.items, st.board.changewords,
                         MacroContextOf(env), MessageNumber{0, 0}, o.path)
              .find(u'\uE000') == Text::npos;
    }
    b.Add("o.path", o.path);
    b.Add("o.length", o.length);
    b.AddPlain("o.tail", Hex(o.tail));
    b.AddPlain("o.footer", st.journal_footer);
  }
  const TrackedFile& i = st.journal_index;
  if (!i.path.empty()) {
    b.Add("i.path", i.path);
    b.Add("i.length", i.length);
    b.AddPlain("i.tail", Hex(i.tail));
  }
}

}  // namespace

void CheckpointRun(RunEnv& env, RunState& st) {
  if (!st.journal) return;
  Body b;
  AddRun(b, env, st);
  const bool durable = !st.journal_unsynced.empty();
  st.journal_unsynced.push_back(st.journal_out.path);
  st.journal_unsynced.push_back(st.journal_index.path);
  st.journal->Write(b.text(), st.journal_unsynced, durable);
  st.journal_unsynced.clear();
}

void CheckpointBeforeBegin(RunEnv& env, RunState& st, const Text& path, const Text& index) {
  if (!st.journal) return;
  Body b;
  AddRun(b, env, st);
  auto pending = [&](const char* key, const Text& p) {
    if (p.empty()) return;
    std::optional<int64_t> size = FileSize(p);
    b.Add(std::string(key) + ".path", p);
    b.Add(std::string(key) + ".length", size.value_or(-1));
    if (size && *size > 0) {
      auto bytes = ReadFileBytes(p);
      if (bytes && static_cast<int64_t>(bytes->size()) == *size)
        b.Add(std::string(key) + ".slot",
              Hex(std::string_view(*bytes).substr(
                  bytes->size() > kFooterSlotBytes ? bytes->size() - kFooterSlotBytes : 0)));
    }
  };
  pending("p", path);
  if (index != st.journal_index.path) pending("q", index);
  st.journal->Write(b.text(), {st.journal_out.path, st.journal_index.path}, true);
}

void CheckpointClosed(RunEnv& env, RunState& st) {
  if (!st.journal) return;
  Body b;
  b.Add("phase", "closed");
  AddCommon(b, env, st);
  st.journal->Write(b.text(), {}, true);
}

void TrackWrite(TrackedFile& f, const Text& path, std::string_view added) {
  std::optional<int64_t> size = FileSize(path);
  if (f.path != path || !size || *size != f.length + static_cast<int64_t>(added.size())) {
    // A file new to the record, or changed by more than this write: its tail read back.
    f.path = path;
    f.length = size.value_or(-1);
    f.tail = size ? TailOf(NativePath(path), *size).value_or("") : std::string();
    return;
  }
  f.length = *size;
  f.tail = Tail(f.tail, added);
}

std::shared_ptr<void> LockJob(const Text& program_dir, const Text& target, bool& busy) {
  busy = false;
  Text folder = program_dir + u"runs";
  if (!CreateFolder(folder)) return nullptr;
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : ToUtf8(target)) h = (h ^ c) * 1099511628211ull;
  char name[32];
  std::snprintf(name, sizeof name, "/job-%016llx.lock", static_cast<unsigned long long>(h));
  const std::string path = NativePath(folder) + name;
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      busy = errno == EWOULDBLOCK;
      return nullptr;
    }
    // The file may have been removed by the run that held it just before: lock the one in place.
    struct stat a, b;
    if (::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_ino == b.st_ino)
      return std::shared_ptr<void>(nullptr, [fd, path](void*) {
        ::unlink(path.c_str());
        ::close(fd);
      });
    ::close(fd);
  }
  return nullptr;
}

// ---- Recovery ----

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

void Apply(const Fields& f, const Text& program_dir, Ui& ui) {
  const bool closed = Get(f, "phase") == "closed";
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
  if (!closed) {
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
    if (GetInt(f, "wrote", 0) == 1) {
      // The cancel path: the history record, then Text_from on the message not yet written.
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
      UpdateHistoryRecord(list, index, form, run);
      SaveHistory(history_path, list, ui, base);
      form.Text_from().SetValue(FromUtf8(Get(f, "next")));
    }
  }
  SaveSettings(form, SettingsFilePath(program_dir), bbs, out);
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
