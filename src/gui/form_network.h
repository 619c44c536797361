// Form_network: edits a copy of the main window's network values; OK copies them back.
#pragma once

#include <QDialog>

#include "app/window_actions.h"

class QButtonGroup;
class QLineEdit;

namespace pellucor {
class MainForm;
class Ui;
}  // namespace pellucor

namespace pellucor::gui {

class Form_network : public QDialog {
  Q_OBJECT

 public:
  Form_network(MainForm& form, Ui& ui, QWidget* parent = nullptr);

  NetworkValues Edited() const;
  void OkCommand();
  void CancelCommand();

 protected:
  // Centred on the screen. Esc and the close box discard the edits without asking.
  void showEvent(QShowEvent* event) override;

 private:
  MainForm& form_;
  Ui& ui_;
  NetworkValues original_;
  QButtonGroup* option_proxy_;
  QLineEdit *address_, *port_, *timeout_, *retry_;
};

}  // namespace pellucor::gui
