// pellucor: the desktop program.
//   pellucor [--home DIR] [--screenshot FILE]
// --screenshot saves a picture of the main window after its load step and ends the program.
#include <QApplication>
#include <QTimer>

#include "app/program.h"
#include "form_main.h"
#include "platform/clock.h"
#include "platform/curl_http.h"
#include "qt_shell.h"
#include "qt_text.h"
#include "qt_ui.h"

namespace {

// Fixes the program folder, shows the main window after its load step and runs until the
// window has closed (its unload step has then written the history and the settings).
int StartProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pellucor"));
  pellucor::gui::InstallJapaneseTranslations(app);

  std::string home;
  QString screenshot;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--home") && i + 1 < args.size())
      home = args[++i].toStdString();
    else if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size())
      screenshot = args[++i];
  }

  pellucor::gui::QtUi ui;
  pellucor::gui::QtShell shell;
  pellucor::CurlHttpClient http;
  pellucor::SystemClock clock;
  pellucor::gui::Form_main window(ui, shell, http, clock, pellucor::ProgramDirectory(home));
  ui.SetParent(&window);
  window.Load();
  window.show();
  window.activateWindow();
  if (!screenshot.isEmpty()) {
    QTimer::singleShot(300, &window, [&window, screenshot] {
      bool saved = window.grab().save(screenshot, "PNG");
      window.close();
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  return StartProgram(argc, argv);
}
