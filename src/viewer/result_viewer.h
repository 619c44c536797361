// The result viewer: opens what a run wrote, and for a split series or a title index first
// writes a list page and a frameset page beside the output files.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/text.h"

namespace pellucor {

class MainForm;
class Ui;
class Shell;
class Clock;
struct DefinitionCatalog;

// One file found by SearchFile: the sub-folder below the search folder ("" for the search
// folder itself) and the file name.
struct FoundFile {
  Text sub_folder;
  Text name;
  friend bool operator==(const FoundFile&, const FoundFile&) = default;
};
using FileList = std::vector<FoundFile>;

// Appends the files of search_folder + sub_folder whose names match `pattern` ("" or "*": all;
// "x*", "*x", "*x*": begins with, ends with, contains x, ignoring ASCII case) and returns the
// new count; -1 when the user chose Abort after a file-system error.
int64_t SearchFile(Ui& ui, const Text& search_folder, const Text& sub_folder, bool recursive,
                   FileList& results, int64_t count, const Text& pattern);

// Sub-folder and name in lower case with a space between; compared by character code.
Text FileSortKey(const FoundFile& f);

// In-place quicksort of the entries low..high (inclusive) by FileSortKey.
void SortFileList(FileList& list, int64_t low, int64_t high);

// The main-window values the pages depend on.
struct PageSettings {
  bool devide = false;
  int devide_kind = 0;       // Option_devidekind
  Text devide_count;         // Text_devidecnt
  int devide_date_kind = 0;  // Combo_devidedatekind
  Text devide_file_size;     // Text_devidefilesize
};
PageSettings PageSettingsFromForm(MainForm& form);

struct ListPage {
  Text html;
  Text first_message_file;
  Text first_index_file;
  int message_links = 0;
  int index_links = 0;
};

// The list page over the sorted files of the output folder.
ListPage BuildListPage(const Text& base, const FileList& sorted, const PageSettings& settings);

// 0: no title index; 1: title index on the left; 2: at the bottom.
enum IndexLayout { kIndexNone = 0, kIndexLeft = 1, kIndexBottom = 2 };

// Asks where the title index goes when the list found one; kIndexNone without asking otherwise.
int AskIndexLayout(Ui& ui, const ListPage& list);

Text BuildFramesetPage(const Text& base, const ListPage& list, bool devide, int index_layout);

struct ViewerContext {
  MainForm& form;
  Ui& ui;
  Shell& shell;
  Clock& clock;
  // Combo_out's entry gives the extension (`mark`) of an output path that has none.
  const DefinitionCatalog& catalog;
};

// The browser is started on a file the moment it exists: waits up to ten seconds for the file
// to appear and up to ten more for it to have content, pausing a second between looks.
void WaitForFile(Ui& ui, Clock& clock, const Text& path);

// Everything before the opening: checks, pages written, the wait for the frameset page.
// Returns the file to open, or nothing after an error message.
std::optional<Text> PrepareResult(ViewerContext& ctx);

// Opens a target by its extension: text-like files in the editor, HTML in the browser.
// False after a message (missing file, unknown kind) or when the launch failed.
bool OpenResultTarget(Ui& ui, Shell& shell, const Text& target);

// The viewer as the View button and the end of a run call it.
void ShowResult(ViewerContext& ctx);

}  // namespace pellucor
