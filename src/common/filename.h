// Rules for names of files on the local disk.
#pragma once

#include "common/format.h"
#include "common/text.h"

namespace pellucor {

// Whether a user-typed output file name can be used. On false, `reported` (when given) holds
// the text of the first rule that matched; on true it is "". The file-name part is the text
// after the last folder separator.
bool ValidateFileName(TextView name, Text* reported = nullptr);

// A topic title turned into a file name: forbidden characters replaced, reserved device names
// hyphenated. An empty or blank title becomes `now` formatted yyyymmdd-hhnnss.
Text TitleToFileName(TextView title, const DateTime& now);

// No short names on this platform: the path comes back unchanged.
Text GetShortPath(TextView path);

}  // namespace pellucor
