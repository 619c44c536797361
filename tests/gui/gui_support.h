// Helpers for the desktop program's tests: answering modal dialogs from the event loop, a
// throw-away program folder, a Shell that only records, and a started main window.
#pragma once

#include <QtTest>
#include <QtWidgets>
#include <deque>
#include <functional>

#include "app/program.h"
#include "common/text.h"
#include "form_main.h"
#include "platform/clock.h"
#include "platform/curl_http.h"
#include "platform/shell.h"
#include "qt_ui.h"
#include "support/fake_clock.h"
#include "support/recording_shell.h"
#include "support/scratch_folder.h"

namespace pellucor::gui::testing {

// What a message box (or an input box: its initial text) showed.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;  // the button texts, as shown
};

// Answers modal windows as they appear: each handler takes the next new modal widget. A
// modal widget that appears with no handler queued is closed and counted in `unexpected`.
class ModalScript : public QObject {
 public:
  using Handler = std::function<void(QWidget*)>;
  ModalScript() {
    connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
    timer_.start(20);
  }
  void Then(Handler handler) { handlers_.push_back(std::move(handler)); }
  // A message box answered with `button`; what it showed goes to `boxes`.
  void Answer(QMessageBox::StandardButton button);
  // An input box answered with `text` (accepted) or cancelled when `accept` is false.
  void Input(const QString& text, bool accept = true);
  // Message boxes that come with no handler queued are answered with `button` (OK where the
  // box has no such button) instead of being treated as unexpected.
  void AnswerOthers(QMessageBox::StandardButton button) { others_ = button; }
  bool Done() const { return handlers_.empty() && pending_ == 0; }

  std::vector<SeenBox> boxes;
  QStringList unexpected;

 private:
  void Poll();
  void Stray(QWidget* w);  // a window no handler expected: noted and closed
  QTimer timer_;
  std::deque<Handler> handlers_;
  std::vector<QPointer<QWidget>> seen_;
  int pending_ = 0;
  QMessageBox::StandardButton others_ = QMessageBox::NoButton;
};

// Every queued handler ran, and no window came unasked.
#define EXPECT_SCRIPT_DONE(script)                           \
  QVERIFY2((script).Done() && (script).unexpected.isEmpty(), \
           qPrintable((script).unexpected.join(QLatin1Char('\n'))))

// A program folder with the shipped definitions (and, unless told otherwise, the data folder),
// removed at the end of the test.
struct ProgramHome : pellucor::testing::ScratchFolder {
  explicit ProgramHome(bool with_data_folder = true);
};

// One start of the program: the main window, loaded from `home` and shown. Its pauses are
// instant, or real (and cut short by Cancel) with `live_clock`.
struct Session {
  explicit Session(ProgramHome& home, bool live_clock = false);
  QtUi ui;
  pellucor::testing::RecordingShell shell;
  CurlHttpClient http;
  pellucor::testing::FakeClock clock;
  SystemClock system_clock;
  Form_main window;

  template <typename T = QWidget>
  T* find(const char* name) {
    return window.findChild<T*>(name);
  }
  QString text(const char* name) { return find<QLineEdit>(name)->text(); }
  void set(const char* name, const QString& v) { find<QLineEdit>(name)->setText(v); }
  bool enabled(const char* name) { return find(name)->isEnabled(); }
  bool checked(const char* name) { return find<QAbstractButton>(name)->isChecked(); }
  void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
  void trigger(const char* name) { find<QAction>(name)->trigger(); }
  std::vector<Text> opened() const {
    return shell.Targets(pellucor::testing::RecordingShell::Kind::Open);
  }
};

// Clicks the button `name` inside the dialog `w`.
inline const auto ClickIn = [](QWidget* w, const char* b) {
  w->findChild<QPushButton*>(b)->click();
};
inline const auto QS = [](const Text& t) { return QString::fromStdU16String(t); };
inline const auto U = [](const char16_t* s) { return QString::fromUtf16(s); };

}  // namespace pellucor::gui::testing

// The main of a suite, with Qt's own Japanese button texts.
#define PELLUCOR_GUI_TEST_MAIN(Suite)                \
  int main(int argc, char** argv) {                  \
    QApplication app(argc, argv);                    \
    pellucor::gui::InstallJapaneseTranslations(app); \
    Suite suite;                                     \
    return QTest::qExec(&suite, argc, argv);         \
  }
