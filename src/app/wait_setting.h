// The pause between requests to one host. It is kept in pellu.ini's section "pellucor", apart
// from the 24 keys of section "main", which older readers of the file read alone.
#pragma once

#include "common/text.h"

namespace pellucor {

inline constexpr char16_t kWaitSection[] = u"pellucor";

// Milliseconds for single runs (key "wait", default 0) or for the patrol (key "patrolwait",
// default 1 s). A value that is not a number of seconds from 0 to 3600 gives the default.
int LoadWaitSetting(const Text& settings_path, bool patrol);
bool SaveWaitSetting(const Text& settings_path, int milliseconds, bool patrol);

// 500 -> "0.5", 1000 -> "1", 1250 -> "1.25".
Text WaitText(int milliseconds);

}  // namespace pellucor
