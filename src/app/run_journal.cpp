#include "app/run_journal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/journal_format.h"
#include "app/main_form.h"
#include "app/run_command.h"
#include "app/settings.h"
#include "common/files.h"
#include "common/numeric.h"
#include "engine/footer_slot.h"

namespace pellucor {

using namespace journal;

namespace {

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

// The settings (as pellu.ini would take them now) and the history key every record carries.
std::string JournalCheckpoint::Common() {
  const Job& job = env_.job;
  MemoryForm form;
  SetRequest(form, job.request);
  Body b;
  for (const auto& [key, value] : SettingsValues(form, job.board ? job.board->file : Text(),
                                                 job.output ? job.output->file : Text()))
    b.Add("s." + ToUtf8(key), value);
  b.Add("k.url1", key_.url1);
  b.Add("k.url2", key_.url2);
  b.Add("k.type", key_.outputTypeFile);
  b.Add("k.path", key_.outputPath);
  b.Add("k.kind", key_.divideKind);
  b.Add("k.devide", int64_t{devide_ ? 1 : 0});
  b.Add("settings", int64_t{owes_settings_ ? 1 : 0});
  return std::move(b.text());
}

// The footer a cancel would write now: with the values of the message just written.
void JournalCheckpoint::UpdateFooter(const RunState& st) {
  if (footer_path_ == out_.path && footer_fixed_) return;
  const MacroContext macros = MacroContextOf(env_);
  std::vector<Text> values = st.values;
  Text footer = ExpandTemplate(st.output.html3, values, st.board.items, st.board.changewords,
                               macros, MessageNumber{0, 0}, out_.path);
  footer_ = st.output.html3.empty() ? std::string() : Hex(FooterSlotBytes(footer));
  footer_path_ = out_.path;
  // Without item macros it is the same for every message of the file.
  std::vector<Text> probe(st.board.items.size(), Text(1, u'\uE000'));
  footer_fixed_ = ExpandTemplate(st.output.html3, probe, st.board.items, st.board.changewords,
                                 macros, MessageNumber{0, 0}, out_.path)
                      .find(u'\uE000') == Text::npos;
}

// What a cancel would leave now: the state after the last message written.
void JournalCheckpoint::AddRun(std::string& body, const RunState& st) {
  const Job& job = env_.job;
  Body b;
  b.Add("phase", "run");
  b.Add("wrote", int64_t{st.current_number != st.first_number ? 1 : 0});
  b.Add("next", FormatNumber(st.current_number));
  // The settings change during a run only in these values: rebuilt when they do.
  Text sig = job.request.to + u"\n" + job.request.out + u"\n" +
             Text(1, static_cast<char16_t>(u'0' + job.request.error_mode));
  if (sig != common_sig_ || common_.empty()) {
    common_ = Common();
    common_sig_ = std::move(sig);
  }
  b.text() += common_;
  b.Add("r.board_file", job.board ? job.board->file : Text());
  b.Add("r.board_name", job.board ? job.board->name : Text());
  b.Add("r.type_file", job.output ? job.output->file : Text());
  b.Add("r.split", int64_t{st.committed_split_key});
  b.Add("r.count", int64_t{st.committed_file_message_count});
  b.Add("r.title", st.topic_title);
  b.Add("r.last", FormatNumber(st.last_handled));
  b.Add("r.handled", int64_t{st.handled_count});
  b.Add("r.start", FormatYmdHms(st.start_time));
  b.Add("r.end", FormatYmdHms(env_.clock.Now()));
  if (!out_.path.empty()) {
    UpdateFooter(st);
    b.Add("o.path", out_.path);
    b.Add("o.length", out_.length);
    b.AddPlain("o.tail", Hex(out_.tail));
    b.AddPlain("o.footer", footer_);
  }
  if (!index_.path.empty()) {
    b.Add("i.path", index_.path);
    b.Add("i.length", index_.length);
    b.AddPlain("i.tail", Hex(index_.tail));
  }
  body += b.text();
}

void JournalCheckpoint::AfterMessage(const RunState& st) {
  std::string body;
  AddRun(body, st);
  const bool durable = !unsynced_.empty();
  unsynced_.push_back(out_.path);
  unsynced_.push_back(index_.path);
  journal_.Write(body, unsynced_, durable);
  unsynced_.clear();
}

void JournalCheckpoint::BeforeBegin(const RunState& st, const Text& path, const Text& index) {
  std::string body;
  AddRun(body, st);
  Body b;
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
  if (index != index_.path) pending("q", index);
  journal_.Write(body + b.text(), {out_.path, index_.path}, true);
}

void JournalCheckpoint::Wrote(const Text& path, std::string_view bytes, const Text& index,
                              std::string_view index_bytes) {
  TrackWrite(out_, path, bytes);
  if (!index.empty()) TrackWrite(index_, index, index_bytes);
}

void JournalCheckpoint::Closed(const RunState&) {
  Body b;
  b.Add("phase", "closed");
  b.text() += Common();
  journal_.Write(b.text(), {}, true);
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

}  // namespace pellucor
