// The main window's widgets seen through the MainForm control interfaces.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include "app/main_form.h"
#include "qt_text.h"

namespace pellucor::gui {

// Any widget: only its enabled state.
class WidgetControl : public Control {
 public:
  explicit WidgetControl(QWidget* w) : w_(w) {}
  bool Enabled() const override { return w_ && w_->isEnabled(); }
  void SetEnabled(bool enabled) override {
    if (w_) w_->setEnabled(enabled);
  }

 private:
  QPointer<QWidget> w_;
};

// Menus are controls of the window too: a run locks them with everything else.
class ActionControl : public Control {
 public:
  explicit ActionControl(QAction* a) : a_(a) {}
  bool Enabled() const override { return a_ && a_->isEnabled(); }
  void SetEnabled(bool enabled) override {
    if (a_) a_->setEnabled(enabled);
  }

 private:
  QPointer<QAction> a_;
};

class LineEditControl : public TextControl {
 public:
  explicit LineEditControl(QLineEdit* e) : e_(e) {}
  bool Enabled() const override { return e_->isEnabled(); }
  void SetEnabled(bool enabled) override { e_->setEnabled(enabled); }
  Text Value() const override { return ToText(e_->text()); }
  void SetValue(const Text& value) override {
    e_->setText(Q(value));
    e_->setCursorPosition(0);
  }

 private:
  QLineEdit* e_;
};

// Labels: a write is painted at once, so the status line moves during long work even
// before the next yield to the event loop.
class LabelControl : public TextControl {
 public:
  explicit LabelControl(QLabel* l) : l_(l) {}
  bool Enabled() const override { return l_->isEnabled(); }
  void SetEnabled(bool enabled) override { l_->setEnabled(enabled); }
  Text Value() const override { return ToText(l_->text()); }
  void SetValue(const Text& value) override {
    l_->setText(Q(value));
    if (l_->isVisible()) l_->repaint();
  }

 private:
  QLabel* l_;
};

class CheckBoxControl : public CheckControl {
 public:
  explicit CheckBoxControl(QCheckBox* c) : c_(c) {}
  bool Enabled() const override { return c_->isEnabled(); }
  void SetEnabled(bool enabled) override { c_->setEnabled(enabled); }
  int Value() const override { return c_->isChecked() ? 1 : 0; }
  void SetValue(int value) override { c_->setChecked(value != 0); }

 private:
  QCheckBox* c_;
};

class ComboControl : public ChoiceControl {
 public:
  explicit ComboControl(QComboBox* c) : c_(c) {}
  bool Enabled() const override { return c_->isEnabled(); }
  void SetEnabled(bool enabled) override { c_->setEnabled(enabled); }
  int Index() const override { return c_->currentIndex(); }
  void SetIndex(int index) override {
    c_->setCurrentIndex(index >= 0 && index < c_->count() ? index : -1);
  }

 private:
  QComboBox* c_;
};

// An option group: the button ids are the option indexes.
class OptionGroupControl : public ChoiceControl {
 public:
  explicit OptionGroupControl(QButtonGroup* g) : g_(g) {}
  bool Enabled() const override {
    for (auto* b : g_->buttons())
      if (b->isEnabled()) return true;
    return false;
  }
  void SetEnabled(bool enabled) override {
    for (auto* b : g_->buttons()) b->setEnabled(enabled);
  }
  int Index() const override { return g_->checkedId(); }
  void SetIndex(int index) override {
    if (QAbstractButton* b = g_->button(index)) {
      b->setChecked(true);
      return;
    }
    // No option of that index: none is selected.
    g_->setExclusive(false);
    for (auto* b : g_->buttons()) b->setChecked(false);
    g_->setExclusive(true);
  }

 private:
  QButtonGroup* g_;
};

}  // namespace pellucor::gui
