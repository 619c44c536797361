// The history of collection jobs: one record per distinct job, kept in record.dat between
// sessions so that a repeated job continues its output series.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/format.h"
#include "common/text.h"

namespace pellucor {

struct Job;

struct HistoryRecord {
  static constexpr int kFieldCount = 25;

  Text url1;              // 1
  Text url2;              // 2
  Text fromNumber;        // 3
  Text toNumber;          // 4
  Text maxMsg;            // 5
  Text boardFile;         // 6
  Text outputTypeFile;    // 7
  Text outputPath;        // 8
  Text topicToFilename;   // 9
  Text createTitleIndex;  // 10
  Text noOutBlank;        // 11
  Text divide;            // 12
  Text divideKind;        // 13
  Text divideCount;       // 14
  Text splitKey;          // 15
  Text fileMessageCount;  // 16
  Text divideDateKind;    // 17
  Text divideFileSize;    // 18
  Text boardName;         // 19
  Text title;             // 20
  Text lastMessage;       // 21
  Text lastRunTime;       // 22
  Text totalMessages;     // 23
  Text totalSeconds;      // 24
  Text comment;           // 25

  // Field by its 1-based number in the file layout.
  Text& Field(int number);
  const Text& Field(int number) const;

  friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

using HistoryList = std::vector<HistoryRecord>;

// ProgramDirectory + "record.dat".
Text HistoryFilePath(const Text& program_directory);

// Index of the first entry describing the same job (same url1, url2, outputTypeFile and
// outputPath, and the same divideKind unless splitting is unchecked), or -1.
int FindHistoryRecord(const HistoryList& list, const HistoryRecord& record, bool devide_checked);

// What a run hands to the history at its end or stop.
struct RunSummary {
  Text board_file;  // the job's board entry
  Text board_name;
  Text output_type_file;  // the job's output type entry
  int64_t split_key = 1;
  int64_t file_message_count = 0;
  Text title;
  double last_message = 0;
  int64_t handled = 0;  // messages handled in this run
  DateTime start;
  DateTime end;
};

// Writes fields 1-24 of the run's record from the job (its values as given where the record
// keeps a text) and the summary (field 25 kept).
// `index` is the entry found at the run's start, or -1: then a new entry is appended and
// `index` is set to it.
void UpdateHistoryRecord(HistoryList& list, int& index, const Job& job, const RunSummary& run);

enum class HistoryLoad { Missing, Loaded, UnknownVersion, Damaged };

// Appends the records of record.dat to `list` (a record matching one already there, by
// FindHistoryRecord with `devide_checked`, is dropped): Missing, Loaded or UnknownVersion.
// A file that cannot be read or is damaged is the Error, and what was read is kept. A damaged
// file and one of a version this program does not know are first copied to record.dat.bak, so
// the save at the end of the session cannot destroy the only copy.
Result<HistoryLoad> LoadHistory(const Text& path, HistoryList& list, bool devide_checked);

// The parsing half of LoadHistory: the records of record.dat's bytes appended to `list`
// (Missing stands for an empty file here); no message, no copy.
HistoryLoad ParseHistory(std::string_view bytes, HistoryList& list, bool devide_checked);

// Writes version 3 atomically; an empty list deletes the file. On failure the previous file
// stays as it was. CR and LF inside a field become spaces.
// Saves happen under a lock (record.dat.lock); leftover temporary files of a save that was
// killed are removed.
Result<> SaveHistory(const Text& path, const HistoryList& list);
// The same for an instance that may share the file with others: the file is read again under
// the lock and merged, so no record another instance saved is lost. `base` is the list as this
// instance last loaded or saved it: records it holds unchanged take the file's version, records
// gone from `list` since are deleted; every other record of `list` replaces the file's record
// of the same job or is added. `list` and `base` become what was written.
Result<> SaveHistory(const Text& path, HistoryList& list, HistoryList& base);

// The file's bytes for a list (CP932, CR LF).
std::string SerializeHistory(const HistoryList& list);

}  // namespace pellucor
