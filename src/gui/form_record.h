// Form_record: the history list, bound to the history window's logic.
#pragma once

#include <QDialog>
#include <memory>

#include "app/main_form.h"
#include "history/view.h"

class QListWidget;
class QMenu;

namespace pellucor::gui {

class Form_record : public QDialog {
  Q_OBJECT

 public:
  Form_record(HistoryList& list, MainForm& form, Ui& ui, Shell& shell,
              const DefinitionCatalog& catalog, QWidget* parent = nullptr);
  ~Form_record() override;

  HistoryWindow& logic() { return window_; }
  QMenu* popup() const { return popup_; }

  void SetMainCommand();
  void DeleteCommand();
  void DoubleClickCommand();
  void EditCommentCommand();
  // Selects the row under `pos` (list viewport coordinates) and shows the popup there.
  void ShowPopupAt(const QPoint& pos);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refill();
  void Apply(HistoryWindow::After after);

  HistoryWindow window_;
  Ui& ui_;
  QListWidget* list_;
  QMenu* popup_;
};

}  // namespace pellucor::gui
