// Handing files, folders and addresses to the desktop.
#pragma once

#include <functional>

#include "common/text.h"
#include "platform/ui.h"

namespace pellucor {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a file, folder or address with its associated program. True on success.
  virtual bool Open(const Text& target) = 0;
  // Starts the text editor on a file (PELLUCOR_EDITOR, else the associated program).
  virtual bool Edit(const Text& file) = 0;
  // Shows a folder in the file manager.
  virtual bool Explore(const Text& folder) = 0;
};

// Desktop work that waits for the desktop's verdict and may report on it (a fallback, a
// message). A window runs it away from its own thread, so that it never waits; elsewhere it
// runs in place. A task carries values only: the window may change meanwhile.
using ShellTask = std::function<void(Ui& ui, Shell& shell)>;
using ShellRunner = std::function<void(ShellTask)>;

inline ShellRunner RunInPlace(Ui& ui, Shell& shell) {
  return [&ui, &shell](const ShellTask& task) { task(ui, shell); };
}

}  // namespace pellucor
