// The main window's widgets seen through the MainForm control interfaces. A run reaches them
// from its worker thread: every read and write is carried out on the GUI thread.
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
#include <functional>
#include <map>
#include <vector>

#include "app/main_form.h"
#include "gui_thread.h"
#include "qt_text.h"

namespace pellucor::gui {

// While work runs on the worker, the window stays locked to the end: every control disabled
// but the Cancel button. A change the work makes away from that (its release) is carried out
// once the work has ended; the status line is the work's own. Used on the GUI thread only.
class ControlLock {
 public:
  void Hold(QObject* cancel, QObject* status) {
    holding_ = true;
    cancel_ = cancel;
    status_ = status;
  }
  void Release() {
    holding_ = false;
    for (auto& [object, apply] : kept_) apply();
    kept_.clear();
  }
  // `apply` changes `object`'s enabled state to `enabled`: now, or when the work has ended.
  void Set(QObject* object, bool enabled, std::function<void()> apply) {
    if (holding_ && object != status_) {
      if (enabled != (object == cancel_)) {
        kept_[object] = std::move(apply);
        return;
      }
      kept_.erase(object);
    }
    apply();
  }

 private:
  bool holding_ = false;
  QObject* cancel_ = nullptr;
  QObject* status_ = nullptr;
  std::map<QObject*, std::function<void()>> kept_;
};

// Sets `target`'s enabled state on the GUI thread, through `lock` when there is one.
template <typename T>
void SetEnabledOf(ControlLock* lock, T* target, bool enabled) {
  CallOnGuiThread([&] {
    if (!target) return;
    QPointer<T> guarded(target);
    auto apply = [guarded, enabled] {
      if (guarded) guarded->setEnabled(enabled);
    };
    lock ? lock->Set(target, enabled, apply) : apply();
  });
}

// Any widget: only its enabled state.
class WidgetControl : public Control {
 public:
  explicit WidgetControl(QWidget* w, ControlLock* lock = nullptr) : w_(w), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] { return w_ && w_->isEnabled(); });
  }
  void SetEnabled(bool enabled) override { SetEnabledOf(lock_, w_.data(), enabled); }

 private:
  QPointer<QWidget> w_;
  ControlLock* lock_;
};

// Menus are controls of the window too: a run locks them with everything else.
class ActionControl : public Control {
 public:
  explicit ActionControl(QAction* a, ControlLock* lock = nullptr) : a_(a), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] { return a_ && a_->isEnabled(); });
  }
  void SetEnabled(bool enabled) override { SetEnabledOf(lock_, a_.data(), enabled); }

 private:
  QPointer<QAction> a_;
  ControlLock* lock_;
};

class LineEditControl : public TextControl {
 public:
  explicit LineEditControl(QLineEdit* e, ControlLock* lock = nullptr) : e_(e), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] { return e_->isEnabled(); });
  }
  void SetEnabled(bool enabled) override { SetEnabledOf(lock_, e_, enabled); }
  Text Value() const override {
    return CallOnGuiThread([&] { return ToText(e_->text()); });
  }
  void SetValue(const Text& value) override {
    CallOnGuiThread([&] {
      e_->setText(Q(value));
      e_->setCursorPosition(0);
    });
  }

 private:
  QLineEdit* e_;
  ControlLock* lock_;
};

// Labels: the status line.
class LabelControl : public TextControl {
 public:
  explicit LabelControl(QLabel* l, ControlLock* lock = nullptr) : l_(l), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] { return l_->isEnabled(); });
  }
  void SetEnabled(bool enabled) override { SetEnabledOf(lock_, l_, enabled); }
  Text Value() const override {
    return CallOnGuiThread([&] { return ToText(l_->text()); });
  }
  void SetValue(const Text& value) override {
    CallOnGuiThread([&] { l_->setText(Q(value)); });
  }

 private:
  QLabel* l_;
  ControlLock* lock_;
};

class CheckBoxControl : public CheckControl {
 public:
  explicit CheckBoxControl(QCheckBox* c, ControlLock* lock = nullptr) : c_(c), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] { return c_->isEnabled(); });
  }
  void SetEnabled(bool enabled) override { SetEnabledOf(lock_, c_, enabled); }
  int Value() const override {
    return CallOnGuiThread([&] { return c_->isChecked() ? 1 : 0; });
  }
  void SetValue(int value) override {
    CallOnGuiThread([&] { c_->setChecked(value != 0); });
  }

 private:
  QCheckBox* c_;
  ControlLock* lock_;
};

class ComboControl : public ChoiceControl {
 public:
  explicit ComboControl(QComboBox* c, ControlLock* lock = nullptr) : c_(c), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] { return c_->isEnabled(); });
  }
  void SetEnabled(bool enabled) override { SetEnabledOf(lock_, c_, enabled); }
  int Index() const override {
    return CallOnGuiThread([&] { return c_->currentIndex(); });
  }
  void SetIndex(int index) override {
    CallOnGuiThread([&] { c_->setCurrentIndex(index >= 0 && index < c_->count() ? index : -1); });
  }

 private:
  QComboBox* c_;
  ControlLock* lock_;
};

// An option group: the button ids are the option indexes.
class OptionGroupControl : public ChoiceControl {
 public:
  explicit OptionGroupControl(QButtonGroup* g, ControlLock* lock = nullptr) : g_(g), lock_(lock) {}
  bool Enabled() const override {
    return CallOnGuiThread([&] {
      for (auto* b : g_->buttons())
        if (b->isEnabled()) return true;
      return false;
    });
  }
  void SetEnabled(bool enabled) override {
    for (QAbstractButton* b : CallOnGuiThread([&] { return g_->buttons(); }))
      SetEnabledOf(lock_, b, enabled);
  }
  int Index() const override {
    return CallOnGuiThread([&] { return g_->checkedId(); });
  }
  void SetIndex(int index) override {
    CallOnGuiThread([&] {
      if (QAbstractButton* b = g_->button(index)) {
        b->setChecked(true);
        return;
      }
      // No option of that index: none is selected.
      g_->setExclusive(false);
      for (auto* b : g_->buttons()) b->setChecked(false);
      g_->setExclusive(true);
    });
  }

 private:
  QButtonGroup* g_;
  ControlLock* lock_;
};

}  // namespace pellucor::gui
