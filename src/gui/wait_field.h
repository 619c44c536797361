// "アクセス間隔" beside the network settings: the pause between two requests to one host,
// kept in pellu.ini apart from the window's 24 keys.
#pragma once

#include <QWidget>

#include "common/text.h"

class QLineEdit;

namespace pellucor {
class HttpClient;
class Ui;
}  // namespace pellucor

namespace pellucor::gui {

class WaitField : public QWidget {
 public:
  explicit WaitField(QWidget* parent = nullptr);

  QLineEdit* edit() const { return edit_; }
  void Load(const Text& settings_path);
  // Writes the value as typed when it is a number of seconds; false when the write failed.
  bool Save(const Text& settings_path) const;
  // Sets the pause on the program's client before a run. A value that is not a number of
  // seconds from 0 to 3600 is refused with a message (false).
  bool Apply(HttpClient& http, Ui& ui) const;

 private:
  QLineEdit* edit_;
};

}  // namespace pellucor::gui
