// Rules for names of files on the local disk.
#pragma once

#include "common/format.h"
#include "common/text.h"

namespace pellucor {

// Whether a user-typed output file name can be used. On false, `reported` (when given) holds
// the text of the first rule that matched; on true it is "". The file-name part is the text
// after the last folder separator.
bool ValidateFileName(TextView name, Text* reported = nullptr);

// A topic title turned into a file name: forbidden characters replaced, other control
// characters (NUL included) turned into "_", reserved device names hyphenated. An empty or blank
// title becomes `now` formatted yyyymmdd-hhnnss.
Text TitleToFileName(TextView title, const DateTime& now);

// The longest file name the file systems here take, in bytes of UTF-8.
inline constexpr size_t kMaxNameBytes = 255;

// `name` cut at a character boundary so that its UTF-8 form takes at most `max_bytes`.
Text CutToBytes(TextView name, size_t max_bytes);

// No short names on this platform: the path comes back unchanged.
Text GetShortPath(TextView path);

}  // namespace pellucor
