// pellucor: the desktop program.
//   pellucor [--home DIR] [URL]
// A URL is taken as if it had been dropped on the window (a browser's "open with" passes one).
// --screenshot FILE saves a picture of the main window after its load step and ends the program.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "app/program.h"
#include "common/text.h"
#include "form_main.h"
#include "pellucor_revision.h"
#include "platform/clock.h"
#include "platform/curl_http.h"
#include "platform/polite_http.h"
#include "platform/xdg_shell.h"
#include "qt_text.h"
#include "qt_ui.h"

namespace {

// --version and --help are answered before Qt starts, so they work without a display.
bool AnswerInformationOptions(int argc, char** argv, int& status) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("pellucor %s (Rev:%d, commit %s)\n",
                  pellucor::ToUtf8(pellucor::VersionText()).c_str(), PELLUCOR_REVISION,
                  PELLUCOR_SOURCE_COMMIT);
      status = 0;
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(
          "usage: pellucor [--home DIR] [URL]\n"
          "  URL          a message address: filled in as if it were dropped on the window\n"
          "  --home DIR   keep pellu.ini, record.dat, data/ and the definitions in DIR\n"
          "               (default: PELLUCOR_HOME, the program's own folder when it holds a\n"
          "               *.bbs, else $XDG_DATA_HOME/pellucor/)\n"
          "  --version    print the version and the source revision\n",
          stdout);
      status = 0;
      return true;
    }
  }
  return false;
}

// Fixes the program folder, shows the main window after its load step and runs until the
// window has closed (its unload step has then written the history and the settings).
int StartProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pellucor"));
  QApplication::setDesktopFileName(QStringLiteral("org.example.pellucor"));
  pellucor::gui::InstallJapaneseTranslations(app);

  std::string home;
  QString screenshot;
  pellucor::Text address;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--home") && i + 1 < args.size())
      home = args[++i].toStdString();
    else if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size())
      screenshot = args[++i];
    else if (!args[i].startsWith(QLatin1Char('-')) && address.empty())
      address = pellucor::gui::ToText(args[i]);
  }

  pellucor::gui::QtUi ui;
  pellucor::XdgShell shell;
  pellucor::CurlHttpClient http;
  pellucor::SystemClock clock;
  pellucor::PoliteHttpClient polite(http, clock);
  pellucor::ProgramFolder folder = pellucor::OpenProgramFolder(home, ui);
  pellucor::gui::Form_main window(ui, shell, polite, clock, folder.directory);
  window.program().folder_kind = folder.kind;
  clock.InterruptOn(&window.cancel_requested);  // a Cancel ends the pause between retries
  ui.SetParent(&window);
  window.Load();
  window.show();
  window.activateWindow();
  if (!address.empty()) {
    // As a drop does it: once the window is up, so that a message box has its parent.
    QTimer::singleShot(0, &window, [&window, address] { window.RecognizeDroppedText(address); });
  }
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
  int status = 0;
  if (AnswerInformationOptions(argc, argv, status)) return status;
  return StartProgram(argc, argv);
}
