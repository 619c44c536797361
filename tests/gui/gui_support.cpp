#include "gui_support.h"

namespace pellucor::gui::testing {

void ModalScript::Answer(QMessageBox::StandardButton button) {
  Then([this, button](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) return Stray(w);
    SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}};
    for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
    boxes.push_back(seen);
    if (QAbstractButton* b = box->button(button)) return b->click();
    unexpected << QStringLiteral("no such button in: ") + box->text();
    box->reject();
  });
}

void ModalScript::Input(const QString& text, bool accept) {
  Then([this, text, accept](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    if (!dialog) return Stray(w);
    boxes.push_back({dialog->windowTitle(), dialog->textValue(), QMessageBox::NoIcon, {}});
    dialog->setTextValue(text);
    accept ? dialog->accept() : dialog->reject();
  });
}

void ModalScript::Stray(QWidget* w) {
  auto* box = qobject_cast<QMessageBox*>(w);
  unexpected << QString(w->metaObject()->className()) + (box ? ": " + box->text() : "");
  w->close();
}

void ModalScript::Poll() {
  QWidget* w = QApplication::activeModalWidget();
  if (!w || !w->isVisible() || std::count(seen_.begin(), seen_.end(), w)) return;
  seen_.push_back(w);
  auto* box = qobject_cast<QMessageBox*>(w);
  if (box && handlers_.empty() && others_ != QMessageBox::NoButton)
    Answer(box->button(others_) ? others_ : QMessageBox::Ok);
  if (handlers_.empty()) return Stray(w);  // closed: no test hangs on a forgotten question
  Handler h = std::move(handlers_.front());
  handlers_.pop_front();
  ++pending_;
  // Run the handler from its own timer event, so that the poll keeps going while a click in
  // the handler opens the next modal window.
  QTimer::singleShot(0, this, [this, h, target = QPointer<QWidget>(w)] {
    --pending_;
    if (target) h(target);
  });
}

ProgramHome::ProgramHome(bool with_data_folder) {
  QDir source(QStringLiteral(PELLUCOR_SOURCE_DIR "/defs"));
  for (const QString& name :
       source.entryList({QStringLiteral("*.bbs"), QStringLiteral("*.out")}, QDir::Files))
    QFile::copy(source.filePath(name), QS(Path(name.toStdU16String())));
  if (with_data_folder) QDir().mkpath(QS(Path(u"data")));
}

Session::Session(ProgramHome& home, bool live_clock)
    : window(ui, shell, http, live_clock ? static_cast<Clock&>(system_clock) : clock, home.Dir()) {
  system_clock.InterruptOn(&window.cancel_requested);
  ui.SetParent(&window);
  window.Load();
  window.show();
  window.activateWindow();
}

}  // namespace pellucor::gui::testing
