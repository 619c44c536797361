// Handing files, folders and addresses to the desktop.
#pragma once

#include "common/text.h"

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

}  // namespace pellucor
