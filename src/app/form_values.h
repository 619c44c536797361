// The main window's values as the definition update, the result viewer and the history window
// take them, and what they hand back applied to the window.
#pragma once

#include <optional>

#include "app/main_form.h"
#include "history/view.h"
#include "update/update.h"
#include "viewer/result_viewer.h"

namespace pellucor {

struct DefinitionCatalog;

// The update's time-out and retry count, its cancel request and its status line: the window's.
void BindUpdateToForm(UpdateContext& ctx, MainForm& form);

// Text_out, the chosen output type's extension, Check_CreateTitleIndex and the split rule.
ViewerRequest ViewerRequestOf(MainForm& form, const DefinitionCatalog& catalog);

// The viewer's preparation over the window's values; the completed output path goes back into
// Text_out. The file to open, or nothing after an error message.
std::optional<Text> PrepareResultFor(MainForm& form, ViewerContext& ctx,
                                     const DefinitionCatalog& catalog);

// The viewer as the View button calls it.
void ShowResultFor(MainForm& form, ViewerContext& ctx, const DefinitionCatalog& catalog);

// Puts a history entry's values into the window.
void ApplyPutBack(MainForm& form, const PutBack& values);

}  // namespace pellucor
