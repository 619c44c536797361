// What the logic needs of the user: message boxes, the beep, an input box, the busy pointer,
// and a chance for the window to stay alive during long work.
#pragma once

#include <optional>

#include "common/text.h"

namespace pellucor {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

class Ui {
 public:
  virtual ~Ui() = default;

  // Lines of `text` are joined with CR LF by the caller.
  virtual Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) = 0;
  virtual void Beep() = 0;
  // Lets the event loop run (repaint, Cancel clicks, Ctrl-C).
  virtual void Yield() = 0;
  // Nothing when the user cancels.
  virtual std::optional<Text> InputBox(const Text& prompt, const Text& title,
                                       const Text& initial) = 0;
  virtual void SetBusy(bool busy) = 0;

  // The run's error dialog after a failed write: the error's text, Abort/Retry/Ignore, caption
  // "エラー". Ignore leaves data unwritten, so an answer given without a user never chooses it.
  virtual Answer AskAfterWriteError(const Text& text) {
    return MessageBox(text, u"エラー", Icon::Critical, Buttons::AbortRetryIgnore);
  }
};

// The caption of every message box unless a caller names another.
inline const Text kAppCaption = u"Pellucor";

// What the user chose after an unexpected failure: repeat the failed step, go on without it
// (Ignore), or end the operation (Abort).
enum class Recovery { Retry, Skip, Abort };

// The one Abort/Retry/Ignore question after an unexpected failure: the beep, then the error's
// text with the critical icon, captioned "エラー" unless the caller names another. A failed
// write is asked through AskAfterWriteError, whose answer without a user is never Ignore.
inline Recovery AskAbortRetryIgnore(Ui& ui, const Text& text, const Text& caption = u"エラー",
                                    bool failed_write = false) {
  ui.Beep();
  const Answer a = failed_write
                       ? ui.AskAfterWriteError(text)
                       : ui.MessageBox(text, caption, Icon::Critical, Buttons::AbortRetryIgnore);
  if (a == Answer::Retry) return Recovery::Retry;
  if (a == Answer::Ignore) return Recovery::Skip;
  return Recovery::Abort;
}

}  // namespace pellucor
