// Form_record: the history list, bound to the history window's logic.
#pragma once

#include <QDialog>
#include <memory>

#include <map>
#include "app/history_window.h"
#include "app/main_form.h"

#include "history/patrol_marks.h"
#include "history/view.h"

class QListWidget;
class QMenu;

namespace pellucor {
struct Program;
}

namespace pellucor::gui {

class Form_record : public QDialog {
  Q_OBJECT

 public:
  Form_record(HistoryList& list, MainForm& form, Ui& ui, ShellRunner shell,
              const DefinitionCatalog& catalog, QWidget* parent = nullptr);
  ~Form_record() override;

  HistoryWindow& logic() { return window_; }
  QMenu* popup() const { return popup_; }

  void SetMainCommand();
  void DeleteCommand();
  void DoubleClickCommand();
  void EditCommentCommand();
  // The patrol items work on the program's folder (marks) and network (checks); without it
  // they stay disabled.
  void EnablePatrol(Program& program);
  void TogglePatrolCommand();  // 自動巡回ON/OFF of the selected job
  void CheckNewCommand();      // 新規発言チェック of the selected job
  // Selects the row under `pos` (list viewport coordinates) and shows the popup there.
  void ShowPopupAt(const QPoint& pos);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refill();
  void Apply(HistoryWindow::After after);

  static std::u16string JobKey(const HistoryRecord& r);

  HistoryWindow window_;
  HistoryList& list_entries_;
  Program* program_ = nullptr;
  PatrolMarks marks_;
  std::map<std::u16string, Text> checks_;  // JobKey: the column of the last check
  Ui& ui_;
  QListWidget* list_;
  QMenu* popup_;
};

}  // namespace pellucor::gui
