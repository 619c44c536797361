#include "common/version.h"

#include <string>

#include "common/format.h"

namespace pellucor {

Text VersionText(int major, int minor) {
  return FromUtf8(std::to_string(major)) + u"." + ZeroPad(minor, 2);
}

Text VersionText() {
  return VersionText(PELLUCOR_VERSION_MAJOR, PELLUCOR_VERSION_MINOR);
}

}  // namespace pellucor
