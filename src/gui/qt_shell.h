// Hands files, folders and addresses to the desktop (QDesktopServices), and starts the
// text editor named by PELLUCOR_EDITOR.
#pragma once

#include <QUrl>

#include "platform/shell.h"

namespace pellucor::gui {

class QtShell : public Shell {
 public:
  bool Open(const Text& target) override;
  bool Edit(const Text& file) override;
  bool Explore(const Text& folder) override;
};

// An address with a scheme ("http://...", "file:...") as it is; anything else is a local path.
QUrl TargetUrl(const Text& target);

}  // namespace pellucor::gui
