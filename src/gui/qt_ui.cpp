#include "qt_ui.h"

#include <algorithm>

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTranslator>

#include "qt_text.h"

namespace pellucor::gui {
namespace {

QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
    case Icon::Critical:
      return QMessageBox::Critical;
    case Icon::Question:
      return QMessageBox::Question;
    case Icon::Exclamation:
      return QMessageBox::Warning;
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton escape;  // what the close box and Esc answer
};

ButtonSet ToQt(Buttons buttons) {
  using B = QMessageBox;
  switch (buttons) {
    case Buttons::Ok:
      return {B::Ok, B::Ok};
    case Buttons::OkCancel:
      return {B::Ok | B::Cancel, B::Cancel};
    case Buttons::YesNo:
      return {B::Yes | B::No, B::No};
    case Buttons::YesNoCancel:
      return {B::Yes | B::No | B::Cancel, B::Cancel};
    case Buttons::AbortRetryIgnore:
      return {B::Abort | B::Retry | B::Ignore, B::Abort};
    case Buttons::RetryCancel:
      return {B::Retry | B::Cancel, B::Cancel};
  }
  return {B::Ok, B::Ok};
}

Answer FromQt(int button, QMessageBox::StandardButton escape) {
  switch (button) {
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Abort:
      return Answer::Abort;
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Ignore:
      return Answer::Ignore;
    default:
      break;
  }
  return FromQt(escape, QMessageBox::Ok);
}

// Qt wraps a message at about 500 pixels, which breaks the system's longer lines (and leaves a
// single character on a line of its own). The box is made wide enough for its widest line, as
// far as the screen allows.
void FitLines(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  label->ensurePolished();
  const QFontMetrics metrics = label->fontMetrics();
  int widest = 0;
  static const QRegularExpression line_end(QStringLiteral("\r\n|\n|\r"));
  for (const QString& line : label->text().split(line_end))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  // Room for the icon and the margins beside the text.
  const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
  const int limit = screen ? screen->availableGeometry().width() - 160 : widest;
  label->setMinimumWidth(std::min(widest + metrics.averageCharWidth(), limit));
}

}  // namespace

QtUi::~QtUi() {
  while (busy_depth_ > 0) SetBusy(false);
}

QWidget* QtUi::Owner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return parent_.data();
}

Answer QtUi::MessageBox(const Text& text, const Text& caption, Icon icon, Buttons buttons) {
  ButtonSet set = ToQt(buttons);
  QMessageBox box(ToQt(icon), Q(caption), Q(text), set.buttons, Owner());
  box.setEscapeButton(set.escape);
  FitLines(box);
  // The busy pointer must not hide the fact that the program is waiting for an answer.
  bool busy = busy_depth_ > 0;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  int result = box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  return FromQt(result, set.escape);
}

void QtUi::Beep() {
  QApplication::beep();
}

void QtUi::Yield() {
  // Long work runs on a worker thread: the event loop never needs a nudge.
}

std::optional<Text> QtUi::InputBox(const Text& prompt, const Text& title, const Text& initial) {
  bool ok = false;
  QString s =
      QInputDialog::getText(Owner(), Q(title), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return ToText(s);
}

void QtUi::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busy_depth_;
  } else if (busy_depth_ > 0) {
    QApplication::restoreOverrideCursor();
    --busy_depth_;
  }
}

bool InstallJapaneseTranslations(QApplication& app) {
  auto* qt = new QTranslator(&app);
  if (!qt->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete qt;
    return false;
  }
  QApplication::installTranslator(qt);
  return true;
}

}  // namespace pellucor::gui
