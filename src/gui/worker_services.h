// The Ui a worker talks to: each call is carried out on the GUI thread while the worker waits
// for its answer, so a question is asked in the window as before.
#pragma once

#include <atomic>

#include "gui_thread.h"
#include "platform/ui.h"

namespace pellucor::gui {

class GuiThreadUi : public Ui {
 public:
  explicit GuiThreadUi(Ui& inner) : inner_(inner) {}

  // The window is going away under a running operation: questions get the answer the close
  // box would give, without a box.
  void Dismiss() { dismissed_ = true; }
  bool Dismissed() const { return dismissed_; }

  Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) override {
    if (dismissed_) return CloseBoxAnswer(buttons);
    return CallOnGuiThread([&] { return inner_.MessageBox(text, caption, icon, buttons); });
  }
  Answer AskAfterWriteError(const Text& text) override {
    if (dismissed_) return Answer::Abort;
    return CallOnGuiThread([&] { return inner_.AskAfterWriteError(text); });
  }
  void Beep() override {
    CallOnGuiThread([&] { inner_.Beep(); });
  }
  // The window's event loop runs on its own thread: nothing to yield to.
  void Yield() override {}
  std::optional<Text> InputBox(const Text& prompt, const Text& title,
                               const Text& initial) override {
    if (dismissed_) return std::nullopt;
    return CallOnGuiThread([&] { return inner_.InputBox(prompt, title, initial); });
  }
  void SetBusy(bool busy) override {
    CallOnGuiThread([&] { inner_.SetBusy(busy); });
  }

 private:
  static Answer CloseBoxAnswer(Buttons buttons) {
    switch (buttons) {
      case Buttons::Ok:
        return Answer::Ok;
      case Buttons::YesNo:
        return Answer::No;
      case Buttons::AbortRetryIgnore:
        return Answer::Abort;
      default:
        return Answer::Cancel;
    }
  }

  Ui& inner_;
  std::atomic<bool> dismissed_{false};
};

}  // namespace pellucor::gui
