// Hands files, folders and addresses to the desktop as the terminal program does (xdg-open,
// PELLUCOR_EDITOR), and reports the opener's failure; the window keeps running meanwhile.
#pragma once

#include <string>

#include "platform/xdg_shell.h"

namespace pellucor::gui {

class QtShell : public XdgShell {
 public:
  explicit QtShell(std::string opener = "xdg-open",
                   std::string editor = XdgShell::EditorFromEnvironment());
};

}  // namespace pellucor::gui
