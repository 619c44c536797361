// The program's version as users see it: in the About box, the User-Agent and <@SYS_APP_VER>.
#pragma once

#include "common/text.h"

namespace pellucor {

// Major "." minor in two digits: 1.5 -> "1.05".
Text VersionText(int major, int minor);
Text VersionText();  // of this build

}  // namespace pellucor
