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

}  // namespace pellucor
