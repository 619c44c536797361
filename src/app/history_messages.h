// record.dat's failures as the user sees them. The history store reports them as an Error;
// their boxes and the patrol's reason are worded only here.
#pragma once

#include "common/text.h"

namespace pellucor {

class Ui;

// Loading failed: what was read stays, the rest is lost when the program ends.
void ShowHistoryLoadFailed(Ui& ui);
// Saving to `path` failed: the file on disk is the one before.
void ShowHistorySaveFailed(Ui& ui, TextView path);
// A patrol job whose history could not be saved.
Text HistorySaveFailedReason();

}  // namespace pellucor
