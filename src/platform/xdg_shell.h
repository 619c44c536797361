// The desktop shell of both programs: files, folders and addresses go to xdg-open; the text
// editor is the command in PELLUCOR_EDITOR when set, else the associated program. It blocks for
// the launch's grace time and may be used from any thread (a window calls it off its own).
#pragma once

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

  static std::string EditorFromEnvironment();

 private:
  bool Launch(const std::string& program, const std::string& script, const std::string& arg);

  std::string opener_;
  std::string editor_;
  int grace_ms_ = 1500;
};

}  // namespace pellucor
