// Installing downloaded definition files: what may take a working file's place, and what an
// interrupted update leaves behind.
#pragma once

#include <string_view>

#include "common/error.h"
#include "common/text.h"
#include "update/version_list.h"

namespace pellucor {

// A download lies complete beside its file as NAME.download before it takes the file's place.
inline constexpr char16_t kDownloadSuffix[] = u".download";

// Whether the file at `folder` + `name` loads as a definition of `kind` with the loader and
// checks of a run.
bool LoadsAsDefinition(int kind, const Text& folder, const Text& name);

// A downloaded file is installed only when it loads and carries the version that the list
// advertised: an error page or a cut-off transfer never takes a working file's place.
bool IsInstallable(const DownloadEntry& e, const Text& folder, const Text& name);

// Removes what an update interrupted by a crash can leave in the program folder.
void RemoveUpdateLeftovers(const Text& folder);

// The old file copied to its backup, atomically.
Result<> CopyToBackup(const Text& path, const Text& backup);

}  // namespace pellucor
