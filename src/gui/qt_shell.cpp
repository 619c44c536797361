#include "qt_shell.h"

#include <QEventLoop>
#include <QTimer>

namespace pellucor::gui {

QtShell::QtShell(std::string opener, std::string editor)
    : XdgShell(std::move(opener), std::move(editor)) {
  // Waiting for the opener's verdict runs the event loop: the window repaints meanwhile.
  SetPause([](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  });
}

}  // namespace pellucor::gui
