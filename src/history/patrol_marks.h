// Which jobs of the history the patrol continues. The marks live in patrol.dat beside
// record.dat, so record.dat keeps its layout for every reader; a mark names its job by the
// address halves and the output path, which a run that updates the job's record never changes.
#pragma once

#include <vector>

#include "common/text.h"
#include "history/store.h"

namespace pellucor {

// ProgramDirectory + "patrol.dat".
Text PatrolMarksPath(const Text& program_directory);

class PatrolMarks {
 public:
  // The marks of the file; none when it is missing or not of a version this program knows.
  static PatrolMarks Load(const Text& path);

  bool IsMarked(const HistoryRecord& record) const;
  void Set(const HistoryRecord& record, bool on);
  // Drops the marks of jobs no longer in the history (a deleted entry loses its mark).
  void KeepOnly(const HistoryList& list);
  size_t size() const { return keys_.size(); }

  // Replaces the file atomically (CP932, CR LF: "1", then url1, url2 and outputPath per mark);
  // no marks delete it. False when it could not be written.
  bool Save(const Text& path) const;

 private:
  struct Key {
    Text url1, url2, output_path;
    friend bool operator==(const Key&, const Key&) = default;
  };
  static Key KeyOf(const HistoryRecord& record);
  std::vector<Key> keys_;
};

// A line of the history window's list with the patrol columns in front: "◎" for a marked job
// (two spaces otherwise), then `check` (the last new-message check, say "+5") fitted to 6
// bytes, then the line.
Text PatrolListLine(const Text& line, bool marked, TextView check);

}  // namespace pellucor
