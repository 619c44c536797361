#include "gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>

namespace pellucor::gui::testing {

ModalScript::ModalScript() {
  timer_.setInterval(20);
  connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
  timer_.start();
}

ModalScript::~ModalScript() = default;

SeenBox Describe(QMessageBox* box) {
  SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}};
  for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
  return seen;
}

void ModalScript::Answer(QMessageBox::StandardButton button) {
  Then([this, button](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) {
      unexpected << QStringLiteral("not a message box: ") + w->metaObject()->className();
      w->close();
      return;
    }
    boxes.push_back(Describe(box));
    if (QAbstractButton* b = box->button(button))
      b->click();
    else {
      unexpected << QStringLiteral("no such button in: ") + box->text();
      box->reject();
    }
  });
}

void ModalScript::Input(const QString& text, bool accept) {
  Then([this, text, accept](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    if (!dialog) {
      unexpected << QStringLiteral("not an input box: ") + w->metaObject()->className();
      w->close();
      return;
    }
    boxes.push_back({dialog->windowTitle(), dialog->labelText(), QMessageBox::NoIcon, {}});
    dialog->setTextValue(text);
    if (accept)
      dialog->accept();
    else
      dialog->reject();
  });
}

void ModalScript::Poll() {
  QWidget* w = QApplication::activeModalWidget();
  if (!w || !w->isVisible()) return;
  for (const auto& s : seen_)
    if (s == w) return;
  if (handlers_.empty() && others_ != QMessageBox::NoButton && qobject_cast<QMessageBox*>(w)) {
    // A box without that button (a notice) is answered with OK.
    auto* box = qobject_cast<QMessageBox*>(w);
    Answer(box->button(others_) ? others_ : QMessageBox::Ok);
  }
  if (handlers_.empty()) {
    // Give a test that queues its handler late a moment; then close the stray window.
    if (stray_ != w) {
      stray_ = w;
      stray_ticks_ = 0;
    } else if (++stray_ticks_ > 100) {
      QString what = w->metaObject()->className();
      if (auto* box = qobject_cast<QMessageBox*>(w)) what += QStringLiteral(": ") + box->text();
      unexpected << what;
      seen_.push_back(w);
      w->close();
    }
    return;
  }
  seen_.push_back(w);
  Handler h = std::move(handlers_.front());
  handlers_.pop_front();
  ++pending_;
  // Run the handler from its own timer event, so that the poll keeps going while a click in
  // the handler opens the next modal window.
  QPointer<QWidget> target = w;
  QTimer::singleShot(0, this, [this, h, target] {
    --pending_;
    if (target) h(target);
  });
}

ProgramHome::ProgramHome() {
  QDir source(QStringLiteral(PELLUCOR_SOURCE_DIR "/defs"));
  for (const QString& name :
       source.entryList({QStringLiteral("*.bbs"), QStringLiteral("*.out")}, QDir::Files))
    QFile::copy(source.filePath(name), path(name));
}

Text ProgramHome::dir() const {
  return (tmp_.path() + QLatin1Char('/')).toStdU16String();
}

QString ProgramHome::path(const QString& name) const {
  return tmp_.path() + QLatin1Char('/') + name;
}

void ProgramHome::WriteFile(const QString& name, const std::string& bytes) const {
  QFile f(path(name));
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string ProgramHome::ReadFile(const QString& name) const {
  QFile f(path(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

bool ProgramHome::Exists(const QString& name) const {
  return QFile::exists(path(name));
}

QString Session::text(const char* name) {
  return find<QLineEdit>(name)->text();
}

QString QS(const Text& t) {
  return QString::fromStdU16String(t);
}

}  // namespace pellucor::gui::testing
