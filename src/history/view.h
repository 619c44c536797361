// What the history window shows of the history: the order of the list, its lines and the
// detail text, the values putting a job back sets, and the output an entry would open.
#pragma once

#include <vector>

#include "common/format.h"
#include "common/text.h"
#include "history/store.h"

namespace pellucor {

struct DefinitionCatalog;

// Newest first by lastRunTime; an entry whose time is not a date counts as ten years before
// `now`. The new order is the order of the list from then on.
void SortHistoryForWindow(HistoryList& list, const DateTime& now);

// The longest leading part of the text that takes at most `width` bytes in CP932 (never
// splitting a character), padded with spaces to exactly `width` bytes.
Text FitToBytes(TextView text, int width);

// One line of the list: "mm/dd hh:nn (last)  board  title  comment", columns fitted in bytes.
Text HistoryListLine(const HistoryRecord& record);

// The detail text; every line ends with CR LF.
Text HistoryDetailText(const HistoryRecord& record, const DefinitionCatalog& catalog);

// What putting an entry back sets in the main window, so that the next run continues its job.
struct PutBack {
  Text url1, url2;
  Text from, to;  // both the number after the last message handled
  int max_msg = 0;
  Text output_path;
  int topic_to_filename = 0;
  int devide = 0;
  Text devide_count;
  int board_index = -1;   // Combo_bbs; -1: the catalogue has no such entry, keep the selection
  int output_index = -1;  // Combo_out, likewise
  int create_title_index = 0;
  int no_out_blank = 0;
  int devide_kind = -1;       // Option_devidekind; -1 (a damaged record): keep it
  int devide_date_kind = -1;  // Combo_devidedatekind, likewise
  Text devide_file_size;
};
PutBack PutBackValues(const HistoryRecord& record, const DefinitionCatalog& catalog);

// The output a history entry would open: the viewer's frameset page or the output file of the
// series, whichever is newer (the frameset page on a tie). Nothing when neither exists; the
// bool is false when the path has no extension to split at.
struct OutputChoice {
  bool valid_name = true;
  std::vector<Text> candidates;  // frameset page first, when it is a candidate
  Text chosen;                   // "" when no candidate exists
};
OutputChoice ChooseHistoryOutput(const HistoryRecord& record);

}  // namespace pellucor
