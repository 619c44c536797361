// The Shell of the terminal program: files, folders and addresses go to xdg-open; the text
// editor is the command in PELLUCOR_EDITOR when set, else the associated program.
#pragma once

#include <functional>
#include <string>

#include "platform/shell.h"

namespace pellucor {

class XdgShell : public Shell {
 public:
  // `opener` is the command that opens with the associated program; `editor` a shell command
  // line to which the file is appended as one argument ("" = use the opener). Tests pass
  // harmless commands here.
  explicit XdgShell(std::string opener = "xdg-open", std::string editor = EditorFromEnvironment());

  bool Open(const Text& target) override;
  bool Edit(const Text& file) override;
  bool Explore(const Text& folder) override;

  // How long a launch is watched for an early failure before it counts as started.
  void SetGraceMilliseconds(int ms) { grace_ms_ = ms; }
  // How the caller spends the watch: `pause(ms)` returns after about that long. The default
  // sleeps; a window runs its event loop instead, so it never freezes.
  void SetPause(std::function<void(int milliseconds)> pause) { pause_ = std::move(pause); }

  static std::string EditorFromEnvironment();

 private:
  bool Launch(const std::string& program, const std::string& script, const std::string& arg);

  std::string opener_;
  std::string editor_;
  int grace_ms_ = 1500;
  std::function<void(int)> pause_;
};

}  // namespace pellucor
