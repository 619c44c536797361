// Recognising a message address dropped on the main window: which board it belongs to, and
// how it splits into the two address halves around the message number.
#pragma once

#include "app/main_form.h"
#include "common/text.h"
#include "engine/definitions.h"
#include "platform/ui.h"

namespace pellucor {

// True when the text begins with "http://" or "https://" in any letter case.
bool IsWebAddress(TextView text);

// Position of the first board entry whose address pattern (msgurl, else url) occurs in the
// address, or -1. A pattern beginning "http://" also matches its "https://" form and the other
// way round. An entry with neither pattern matches nothing.
int FindBoardForUrl(const DefinitionCatalog& catalog, TextView address);

// Fills Combo_bbs, Text_url1, Text_url2 and Text_from from a dropped address, with the
// not-an-address, board-switch and number-not-found messages.
void RecognizeBoardUrl(MainForm& form, const DefinitionCatalog& catalog, Ui& ui,
                       const Text& address);

}  // namespace pellucor
