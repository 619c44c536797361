// The result viewer: opens what a run wrote, and for a split series or a title index first
// writes a list page and a frameset page beside the output files. Every question and message
// of the viewer is worded in result_viewer.cpp.
#pragma once

#include <optional>

#include "common/text.h"
#include "viewer/file_search.h"
#include "viewer/index_pages.h"

namespace pellucor {

class Ui;
class Shell;
class Clock;

// What the viewer works on: the main window's values at the moment of the call.
struct ViewerRequest {
  Text output_path;          // Text_out
  Text output_mark;          // the chosen output type's extension, for a path without one
  bool title_index = false;  // Check_CreateTitleIndex
  PageSettings pages;        // Check_devide and the split rule
};

struct ViewerContext {
  Ui& ui;
  Shell& shell;
  Clock& clock;
};

struct PreparedResult {
  // The output path as the viewer completed it (with the output type's extension when it had
  // none); the front end shows it in Text_out.
  Text output_path;
  std::optional<Text> target;  // the file to open; nothing after an error message
};

// The question where the title index goes, when the list found one; kIndexNone without asking
// otherwise.
int AskIndexLayout(Ui& ui, const ListPage& list);

// The Abort/Retry/Ignore question after the output folder could not be read.
Recovery AskAfterSearchFailure(Ui& ui, const Error& error);

// The browser is started on a file the moment it exists: waits up to ten seconds for the file
// to appear and up to ten more for it to have content, pausing a second between looks.
void WaitForFile(Ui& ui, Clock& clock, const Text& path);

// Everything before the opening: checks, pages written, the wait for the frameset page.
PreparedResult PrepareResult(ViewerContext& ctx, const ViewerRequest& request);

// False after "ファイルが存在しません" when no file is at `target`.
bool CheckTargetExists(Ui& ui, const Text& target);

// Opens a target by its extension: text-like files in the editor, HTML in the browser.
// False after a message (missing file, unknown kind) or when the launch failed.
bool OpenResultTarget(Ui& ui, Shell& shell, const Text& target);

// The viewer as the View button and the end of a run call it; returns the completed output
// path.
Text ShowResult(ViewerContext& ctx, const ViewerRequest& request);

}  // namespace pellucor
