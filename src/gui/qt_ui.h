// Message boxes, the beep, the input box and the busy pointer of the desktop program.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/ui.h"

class QApplication;

namespace pellucor::gui {

class QtUi : public Ui {
 public:
  // Boxes are owned by the active window, else by `fallback_parent`.
  explicit QtUi(QWidget* fallback_parent = nullptr) : parent_(fallback_parent) {}
  ~QtUi() override;

  void SetParent(QWidget* parent) { parent_ = parent; }

  Answer MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) override;
  void Beep() override;
  void Yield() override;
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& initial) override;
  void SetBusy(bool busy) override;

 private:
  QWidget* Owner() const;

  QPointer<QWidget> parent_;
  int busy_depth_ = 0;
};

// Installs Qt's own Japanese translations (standard button texts such as はい and いいえ).
// Returns false when the translation file could not be found.
bool InstallJapaneseTranslations(QApplication& app);

}  // namespace pellucor::gui
