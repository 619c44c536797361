// Helpers for the desktop program's tests: answering modal dialogs from the event loop, a
// throw-away program folder, and a Shell that only records.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "common/text.h"
#include "form_main.h"
#include "platform/curl_http.h"
#include "platform/shell.h"
#include "qt_ui.h"
#include "support/fake_clock.h"

namespace pellucor::gui::testing {

// What a message box showed.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;  // the button texts, as shown
};

// Answers modal windows as they appear: each handler takes the next new modal widget. A
// modal widget that appears with no handler queued is closed after a grace period and
// counted in `unexpected`, so a test cannot hang on a forgotten question.
class ModalScript : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<void(QWidget*)>;

  ModalScript();
  ~ModalScript() override;

  void Then(Handler handler) { handlers_.push_back(std::move(handler)); }
  // A message box answered with `button`; what it showed goes to `boxes`.
  void Answer(QMessageBox::StandardButton button);
  // An input box answered with `text` (accepted) or cancelled when `accept` is false.
  void Input(const QString& text, bool accept = true);

  // Message boxes that come with no handler queued are answered with `button` (recorded in
  // `boxes`) instead of being treated as unexpected.
  void AnswerOthers(QMessageBox::StandardButton button) { others_ = button; }

  bool Done() const { return handlers_.empty() && pending_ == 0; }

  std::vector<SeenBox> boxes;
  QStringList unexpected;

 private:
  void Poll();

  QTimer timer_;
  std::deque<Handler> handlers_;
  std::vector<QPointer<QWidget>> seen_;
  QPointer<QWidget> stray_;
  int stray_ticks_ = 0;
  int pending_ = 0;
  QMessageBox::StandardButton others_ = QMessageBox::NoButton;
};

SeenBox Describe(QMessageBox* box);

// A program folder with the shipped definitions, removed at the end of the test.
class ProgramHome {
 public:
  ProgramHome();
  Text dir() const;  // ends in "/"
  QString path(const QString& name) const;
  void WriteFile(const QString& name, const std::string& bytes) const;
  std::string ReadFile(const QString& name) const;
  bool Exists(const QString& name) const;

 private:
  QTemporaryDir tmp_;
};

class RecordingShell : public Shell {
 public:
  bool Open(const Text& target) override {
    opened.push_back(target);
    return result;
  }
  bool Edit(const Text& file) override {
    edited.push_back(file);
    return result;
  }
  bool Explore(const Text& folder) override {
    explored.push_back(folder);
    return result;
  }
  std::vector<Text> opened, edited, explored;
  bool result = true;
};

// Everything one main window needs, built fresh for each start of the program.
struct Session {
  explicit Session(ProgramHome& home) : window(ui, shell, http, clock, home.dir()) {
    ui.SetParent(&window);
  }
  QtUi ui;
  RecordingShell shell;
  CurlHttpClient http;
  pellucor::testing::FakeClock clock;
  Form_main window;

  template <typename T>
  T* find(const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
  }
  QString text(const char* name);
};

// UTF-8 text of a Text, for comparisons with QString.
QString QS(const Text& t);

}  // namespace pellucor::gui::testing
