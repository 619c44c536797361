// The history window's logic: the list's lines and selection, putting a job back into the main
// window, deleting, comments, and opening the topic, folder or output, with every question and
// message it shows. The window binds its widgets to HistoryWindow and draws nothing of its own.
#pragma once

#include <functional>
#include <vector>

#include "common/text.h"
#include "history/store.h"
#include "history/view.h"
#include "platform/shell.h"

namespace pellucor {

class Ui;
struct DefinitionCatalog;

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
