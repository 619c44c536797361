// The terminal's Ui: messages to stderr as "Pellucor: " + text, questions answered by
// --yes/--no, by the user at a terminal, or No (Abort) when there is no terminal.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/ui.h"

namespace pellucor {

class ConsoleUi : public Ui {
 public:
  enum class Mode { Ask, AlwaysYes, AlwaysNo };

  explicit ConsoleUi(Mode mode = Mode::Ask, std::FILE* err = stderr, std::FILE* in = stdin);

  Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) override;
  void Beep() override {}
  // Notices Ctrl-C (see InstallInterruptHandler).
  void Yield() override;
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& initial) override;
  void SetBusy(bool) override {}
  // --yes answers Abort here: a failed write ends the run.
  Answer AskAfterWriteError(const Text& text) override;

  // Called from Yield when Ctrl-C was pressed since the last call.
  void SetInterruptCallback(std::function<void()> cb) { on_interrupt_ = std::move(cb); }

  // SIGINT, SIGTERM and SIGHUP set a flag that Yield reports; a second one kills the program
  // as usual.
  static void InstallInterruptHandler();
  static bool Interrupted();
  // The flag itself, for a clock whose pauses a Ctrl-C should cut short (it stays set until
  // Yield takes it).
  static const std::atomic<bool>* InterruptFlag();

 private:
  Mode mode_;
  std::FILE* err_;
  std::FILE* in_;
  std::function<void()> on_interrupt_;
  bool write_error_ = false;  // the question in hand is about a failed write
};

// "Pellucor: " + text, with each CR LF inside the text turned into a new line.
std::string ConsoleMessageText(const Text& text);

}  // namespace pellucor
