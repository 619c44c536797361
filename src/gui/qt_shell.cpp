#include "qt_shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QRegularExpression>

#include "qt_text.h"

namespace pellucor::gui {

QUrl TargetUrl(const Text& target) {
  QString s = Q(target);
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  if (scheme.match(s).hasMatch()) return QUrl(s);
  return QUrl::fromLocalFile(s);
}

bool QtShell::Open(const Text& target) {
  if (target.empty()) return false;
  return QDesktopServices::openUrl(TargetUrl(target));
}

bool QtShell::Edit(const Text& file) {
  QString editor = qEnvironmentVariable("PELLUCOR_EDITOR").trimmed();
  if (editor.isEmpty()) return Open(file);
  QStringList args = QProcess::splitCommand(editor);
  if (args.isEmpty()) return Open(file);
  QString program = args.takeFirst();
  args << Q(file);
  return QProcess::startDetached(program, args);
}

bool QtShell::Explore(const Text& folder) {
  return Open(folder);
}

}  // namespace pellucor::gui
