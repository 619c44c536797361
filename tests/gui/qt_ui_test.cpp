// The desktop Ui: every button set with Qt's Japanese button texts and the answer of each
// button, what the close box answers, the input box, the busy pointer.
#include <QApplication>
#include <QInputDialog>
#include <QtTest>

#include "gui_support.h"
#include "qt_shell.h"
#include "qt_ui.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;

class QtUiTest : public QObject {
  Q_OBJECT

 private slots:
  void everyButtonAnswersItself();
  void closeBoxGivesTheSafeAnswer();
  void inputBox();
  void busyPointerAndShellTargets();
};

void QtUiTest::everyButtonAnswersItself() {
  struct Case {
    Buttons set;
    QMessageBox::StandardButton press;
    pellucor::Answer expected;
    int buttons;
  };
  const Case cases[] = {
      {Buttons::Ok, QMessageBox::Ok, pellucor::Answer::Ok, 1},
      {Buttons::OkCancel, QMessageBox::Cancel, pellucor::Answer::Cancel, 2},
      {Buttons::YesNo, QMessageBox::Yes, pellucor::Answer::Yes, 2},
      {Buttons::YesNo, QMessageBox::No, pellucor::Answer::No, 2},
      {Buttons::YesNoCancel, QMessageBox::Cancel, pellucor::Answer::Cancel, 3},
      {Buttons::AbortRetryIgnore, QMessageBox::Abort, pellucor::Answer::Abort, 3},
      {Buttons::AbortRetryIgnore, QMessageBox::Retry, pellucor::Answer::Retry, 3},
      {Buttons::AbortRetryIgnore, QMessageBox::Ignore, pellucor::Answer::Ignore, 3},
      {Buttons::RetryCancel, QMessageBox::Retry, pellucor::Answer::Retry, 2},
  };
  QtUi ui;
  ModalScript script;
  for (const Case& c : cases) {
    script.Answer(c.press);
    QCOMPARE(ui.MessageBox(u"本文\r\n二行目", u"エラー", Icon::Critical, c.set), c.expected);
    QCOMPARE(script.boxes.back().title, QString::fromUtf16(u"エラー"));
    QCOMPARE(script.boxes.back().text, QString::fromUtf16(u"本文\r\n二行目"));
    QCOMPARE(script.boxes.back().icon, QMessageBox::Critical);
    QCOMPARE(script.boxes.back().buttons.size(), c.buttons);
  }
  QVERIFY(script.unexpected.isEmpty());
  // Qt's own Japanese texts on the standard buttons.
  QString all;
  for (const SeenBox& b : script.boxes) all += b.buttons.join(QLatin1Char(' ')) + QLatin1Char(' ');
  for (const char16_t* word : {u"はい", u"いいえ", u"キャンセル", u"中止", u"再試行", u"無視"})
    QVERIFY2(all.contains(QString::fromUtf16(word)), qPrintable(all));

  script.Answer(QMessageBox::Ok);
  ui.MessageBox(u"?", kAppCaption, Icon::Question, Buttons::Ok);
  QCOMPARE(script.boxes.back().icon, QMessageBox::Question);
  script.Answer(QMessageBox::Ok);
  ui.MessageBox(u"!", kAppCaption, Icon::Exclamation, Buttons::Ok);
  QCOMPARE(script.boxes.back().icon, QMessageBox::Warning);
}

void QtUiTest::closeBoxGivesTheSafeAnswer() {
  QtUi ui;
  ModalScript script;
  struct Case {
    Buttons set;
    pellucor::Answer expected;
  };
  for (Case c : {Case{Buttons::YesNo, pellucor::Answer::No},
                 Case{Buttons::AbortRetryIgnore, pellucor::Answer::Abort},
                 Case{Buttons::OkCancel, pellucor::Answer::Cancel}}) {
    script.Then([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(ui.MessageBox(u"?", kAppCaption, Icon::Question, c.set), c.expected);
  }
  QVERIFY(script.Done());
}

void QtUiTest::inputBox() {
  QtUi ui;
  ModalScript script;
  QString shown_initial;
  script.Then([&](QWidget* w) {
    auto* d = qobject_cast<QInputDialog*>(w);
    shown_initial = d->textValue();
    QCOMPARE(d->windowTitle(), QString::fromUtf16(u"Pellucor - コメント編集"));
    QCOMPARE(d->labelText(), QString::fromUtf16(u"コメントを編集してください"));
    d->setTextValue(QString::fromUtf16(u"新しい"));
    d->accept();
  });
  auto answer = ui.InputBox(u"コメントを編集してください", u"Pellucor - コメント編集", u"古い");
  QCOMPARE(shown_initial, QString::fromUtf16(u"古い"));
  QVERIFY(answer.has_value());
  QCOMPARE(QS(*answer), QString::fromUtf16(u"新しい"));
  script.Input(QStringLiteral("ignored"), false);
  QVERIFY(!ui.InputBox(u"p", u"t", u"x").has_value());
  // An accepted empty text is an empty answer, not a cancel.
  script.Input(QString());
  auto empty = ui.InputBox(u"p", u"t", u"x");
  QVERIFY(empty.has_value() && empty->empty());
}

void QtUiTest::busyPointerAndShellTargets() {
  {
    QtUi ui;
    ui.SetBusy(true);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.SetBusy(true);
    ui.SetBusy(false);
    QVERIFY(QApplication::overrideCursor());
    ui.SetBusy(false);
    QVERIFY(!QApplication::overrideCursor());
    ui.SetBusy(false);  // one release too many changes nothing
    QVERIFY(!QApplication::overrideCursor());
    ui.SetBusy(true);
  }
  // A Ui that goes away leaves no busy pointer behind.
  QVERIFY(!QApplication::overrideCursor());

  QCOMPARE(TargetUrl(u"http://x/y?a=1&b=2").toString(), QStringLiteral("http://x/y?a=1&b=2"));
  QCOMPARE(TargetUrl(u"/tmp/結果 1.html"),
           QUrl::fromLocalFile(QString::fromUtf16(u"/tmp/結果 1.html")));
  QVERIFY(TargetUrl(u"/tmp/a:b.html").isLocalFile());
  QtShell shell;
  QVERIFY(!shell.Open(u""));
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallJapaneseTranslations(app);
  QtUiTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_ui_test.moc"
