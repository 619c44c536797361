// The main window's small commands that decide something before a dialog or the desktop
// takes over: the first message's address, the output-path pickers, the network window's copy.
#pragma once

#include <optional>

#include "app/main_form.h"
#include "common/text.h"

namespace pellucor {

class Ui;

// Text_url1 + the number of Text_from in plain decimal (007 -> 7, none -> 0) + Text_url2.
Text FirstMessageAddress(MainForm& form);

// The folder both pickers open in: Text_out up to its last separator ("" when it has none).
Text PickerStartFolder(const Text& text_out);

// The file picker's filter entries: ("出力タイプ (*.ext)", "*.ext") and
// ("すべてのファイル (*.*)", "*.*").
struct PickerFilter {
  Text caption;
  Text pattern;
};
std::vector<PickerFilter> OutputFileFilters(const Text& mark);

// The folder preselected by the folder picker: Text_out without one trailing separator, cut
// back to its parent when it is no folder, cut to 128 characters when it reaches 256 bytes.
Text FolderPickerPreselection(const Text& text_out);

// A chosen file path as it goes into Text_out: cut at a NUL, trimmed of spaces.
Text ChosenFilePath(const Text& chosen);

// A chosen folder as it goes into Text_out: with a trailing separator.
Text ChosenFolderPath(const Text& chosen);

// The five network values the network window edits.
struct NetworkValues {
  int proxy = -1;  // selected Option_Proxy index, -1 for none
  Text address, port, timeout, retry;

  friend bool operator==(const NetworkValues&, const NetworkValues&) = default;
};
NetworkValues ReadNetworkValues(MainForm& form);
void WriteNetworkValues(MainForm& form, const NetworkValues& values);

// The network window's Cancel: true when the window may close. Unchanged values close at once;
// changed ones ask "変更をキャンセルしてよろしいですか？" and close only on Yes.
bool ConfirmNetworkCancel(const NetworkValues& edited, const NetworkValues& original, Ui& ui);

// "履歴情報は有りません" when there is no history; true when the history window may open.
bool CheckHistoryNotEmpty(size_t history_count, Ui& ui);

// The edit buttons' notice before the text editor starts.
void ShowEditNotice(Ui& ui);

// "掲示板が正しく指定されていません"
void ShowBoardNotSpecified(Ui& ui);

}  // namespace pellucor
