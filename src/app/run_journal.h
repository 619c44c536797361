// A run's progress on disk, so that a run killed at any moment (SIGKILL, a crash, a power cut)
// can be closed afterwards exactly as a cancel at that moment would have closed it.
//
// Each run keeps a journal file in the program folder's runs/ folder, locked (flock) while the
// run's program lives. After every message the writer records, without fsync, what a cancel
// would need: the output file and title index with their lengths, the footer slot the file
// would get, the split state, the history record's values and the settings to write back.
// Before a file is begun (created, or an existing one whose footer is blanked) the journal
// records how to undo that. Once a second, and when a file of a series is finished, the files
// are flushed to disk and the record goes to one of two durable slots; between those, records
// alternate between two other slots. Each record carries a checksum and the last bytes of the
// files it describes, so the newest record whose files really hold those bytes is used.
//
// At the next start of either front end, a journal whose lock is free belongs to a run that
// died: RecoverInterruptedRuns cuts its files back, writes the footer slot, updates the history
// record and writes the settings as the cancel path would have, then deletes the journal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

#include "engine/pipeline.h"
#include "history/store.h"

namespace pellucor {

class Ui;

class RunJournal {
 public:
  // A new journal in program_dir + "runs/", locked. Nothing when it cannot be made (the run
  // then goes on without one, as before).
  static std::unique_ptr<RunJournal> Create(const Text& program_dir);
  ~RunJournal();  // unlocks; the file stays until Discard

  // Writes one record (see above). `durable`: flush the files it names first and keep the
  // record in a durable slot; otherwise that happens when a second has passed since the last.
  void Write(const std::string& body, const std::vector<Text>& files, bool durable);
  // Deletes the journal: everything it held has been saved.
  void Discard();
  const std::string& path() const { return path_; }

 private:
  RunJournal(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
  uint64_t seq_ = 0;
  uint64_t slot_size_ = 64 * 1024;
  uint64_t base_ = 0;  // offset of slot 0
  uint64_t quick_ = 0, durable_ = 0;
  int64_t last_durable_ms_ = 0;
};

// A file as the journal knows it: its length after the last write, and its last bytes.
struct TrackedFile {
  Text path;
  int64_t length = -1;  // -1: absent
  std::string tail;
};

// After a write to `path` of `added` bytes (empty: none), or when the file in hand changed.
void TrackWrite(TrackedFile& f, const Text& path, std::string_view added);

// The records of one run, written into its journal as the writer reports its steps. Lives
// while the run does (it reads the run's job through `env`).
class JournalCheckpoint : public RunCheckpoint {
 public:
  // `key` and `devide`: what the job was looked up by in the history. `owes_settings`: whether
  // closing the run writes its settings to pellu.ini (a patrol's runs leave the user's alone).
  JournalCheckpoint(RunJournal& journal, const RunEnv& env, HistoryRecord key, bool devide,
                    bool owes_settings = true)
      : journal_(journal),
        env_(env),
        key_(std::move(key)),
        devide_(devide),
        owes_settings_(owes_settings) {}

  void AfterMessage(const RunState& state) override;
  void BeforeBegin(const RunState& state, const Text& path, const Text& index) override;
  void Began(const Text& path) override { TrackWrite(out_, path, {}); }
  void Wrote(const Text& path, std::string_view bytes, const Text& index,
             std::string_view index_bytes) override;
  void Finished(const Text& path) override { unsynced_.push_back(path); }
  void Closed(const RunState& state) override;

 private:
  std::string Common();
  void AddRun(std::string& body, const RunState& state);
  void UpdateFooter(const RunState& state);

  RunJournal& journal_;
  const RunEnv& env_;
  HistoryRecord key_;
  bool devide_;
  bool owes_settings_;
  TrackedFile out_, index_;
  std::string footer_;  // the footer slot of out_ as a cancel would write it (hex)
  Text footer_path_;
  bool footer_fixed_ = false;
  std::vector<Text> unsynced_;  // files finished since the last record
  std::string common_;          // settings and history key, as last recorded
  Text common_sig_;
};

// Marks that a run writes to `target` (its output file or series) while the handle lives.
// Nothing, with `busy` set, when a run of this program folder writes there already; nothing
// with `busy` clear when no mark can be made (the run goes on).
std::shared_ptr<void> LockJob(const Text& program_dir, const Text& target, bool& busy);

// Closes every run of this program folder that died with its journal. Returns the number.
int RecoverInterruptedRuns(const Text& program_dir, Ui& ui);

}  // namespace pellucor
