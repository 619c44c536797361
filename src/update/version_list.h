// The update site's version list: its parsing, the comparison with the local definition files,
// and the rows of the download window.
#pragma once

#include <cstdint>
#include <vector>

#include "common/format.h"
#include "common/text.h"

namespace pellucor {

enum DownloadKind { kKindBoard = 1, kKindOutput = 2, kKindOther = 9 };
enum DownloadState { kStateNew = 1, kStateUpdate = 2, kStateNone = 9 };

struct DownloadEntry {
  int kind = 0;  // DownloadKind, by the last 4 characters of `file`, exact case
  Text comment;
  int64_t site_version = 0;
  Text file;
  int state = 0;  // DownloadState
  DateTime local_date;
  bool selected = false;
};
using DownloadList = std::vector<DownloadEntry>;

// A listed name that can only ever name a file directly in the program folder: not empty
// after trimming, not "." or "..", no folder separator ("/" or "\") and no control character.
bool IsPlainFileName(TextView name);

enum class VersionListResult { Ok, NoData, Invalid };

// Parses the decoded version list (a CR LF is appended first). On anything but Ok the list is
// left empty: lines before a broken line are discarded with it.
VersionListResult ParseVersionList(TextView text, DownloadList& list);

// Sets state (and local_date) of every entry of `kind` against ProgramDirectory. An entry whose
// name is not a plain file name stays kStateNone, so it is never offered.
void CompareVersions(DownloadList& list, int kind, const Text& program_directory);

// The download window: one row per new or updated entry.
struct DownloadRow {
  Text text;
  size_t slot;  // position in the DownloadList
};
std::vector<DownloadRow> BuildDownloadRows(const DownloadList& list);

}  // namespace pellucor
