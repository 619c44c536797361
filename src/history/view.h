// The history window's logic: the order of the list, its lines and the detail text, putting a
// job back into the main window, deleting, comments, and opening the topic, folder or output.
// The window binds its widgets to HistoryWindow and draws nothing of its own.
#pragma once

#include <functional>
#include <vector>

#include "common/format.h"
#include "common/text.h"
#include "history/store.h"
#include "platform/shell.h"

namespace pellucor {

class Ui;
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

class HistoryWindow {
 public:
  enum class After { Stay, Close };

  // `put_back` applies an entry's values to the main window.
  using PutBackSink = std::function<void(const PutBack&)>;
  HistoryWindow(HistoryList& list, PutBackSink put_back, Ui& ui, ShellRunner shell,
                const DefinitionCatalog& catalog);

  // Load step: the lines, and line 0 selected when there is one.
  void Load();
  // Refills the lines and selects `wished` moved into 0 .. last (-1 when the list is empty).
  void Fill(int wished);

  const std::vector<Text>& Lines() const { return lines_; }
  int Selection() const { return selection_; }
  void Select(int index) { selection_ = index; }

  void ShowDetail();    // popup: detail text
  After DoubleClick();  // detail + question; Yes puts the entry back
  After SetMain();      // put back and close
  After Delete();       // question; Close when the history became empty
  void EditComment();   // input box and its questions
  void OpenTopic();     // the page of the last message handled
  void OpenFolder();    // the output folder (file-manager fallback)
  void OpenOutput();    // frameset page or output file (editor fallback)

 private:
  const HistoryRecord* Selected() const;

  HistoryList& list_;
  PutBackSink put_back_;
  Ui& ui_;
  ShellRunner shell_;
  const DefinitionCatalog& catalog_;
  std::vector<Text> lines_;
  int selection_ = -1;
};

}  // namespace pellucor
