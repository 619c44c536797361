// Text and QString are both UTF-16, so conversion is a copy.
#pragma once

#include <QString>

#include "common/text.h"

namespace pellucor::gui {

inline QString Q(const Text& text) {
  return QString::fromStdU16String(text);
}
inline Text ToText(const QString& s) {
  return s.toStdU16String();
}

}  // namespace pellucor::gui
