// The desktop Ui: every button set with Qt's Japanese button texts and the answer of each
// button, what the close box answers, the input box, the busy pointer.
#include <QInputDialog>

#include "gui_support.h"
#include "qt_shell.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;
using B = QMessageBox;

class QtUiTest : public QObject {
  Q_OBJECT

 private slots:
  void buttonsAnswerThemselves_data();
  void buttonsAnswerThemselves();
  void inputBox();
  void busyPointerAndShellTargets();
};

void QtUiTest::buttonsAnswerThemselves_data() {
  QTest::addColumn<int>("set");
  QTest::addColumn<int>("icon");
  QTest::addColumn<int>("press");  // NoButton: the close box (Escape)
  QTest::addColumn<int>("answer");
  QTest::addColumn<QString>("shown");  // the pressed button's text, or the number of buttons
  auto row = [](const char* name, Buttons set, Icon icon, int press, Answer answer, QString shown) {
    QTest::newRow(name) << int(set) << int(icon) << press << int(answer) << shown;
  };
  row("Ok", Buttons::Ok, Icon::Information, B::Ok, Answer::Ok, "OK");
  row("OkCancel", Buttons::OkCancel, Icon::Critical, B::Cancel, Answer::Cancel, U(u"キャンセル"));
  row("YesNo, Yes", Buttons::YesNo, Icon::Question, B::Yes, Answer::Yes, U(u"はい"));
  row("YesNo, No", Buttons::YesNo, Icon::Exclamation, B::No, Answer::No, U(u"いいえ"));
  row("YesNoCancel", Buttons::YesNoCancel, Icon::Question, B::Cancel, Answer::Cancel, "3");
  row("Abort", Buttons::AbortRetryIgnore, Icon::Critical, B::Abort, Answer::Abort, U(u"中止"));
  row("Retry", Buttons::AbortRetryIgnore, Icon::Critical, B::Retry, Answer::Retry, U(u"再試行"));
  row("Ignore", Buttons::AbortRetryIgnore, Icon::Critical, B::Ignore, Answer::Ignore, U(u"無視"));
  row("RetryCancel", Buttons::RetryCancel, Icon::Critical, B::Retry, Answer::Retry, "2");
  row("close box, YesNo", Buttons::YesNo, Icon::Question, B::NoButton, Answer::No, "");
  row("close box, Abort", Buttons::AbortRetryIgnore, Icon::Critical, B::NoButton, Answer::Abort,
      "");
  row("close box, OkCancel", Buttons::OkCancel, Icon::Critical, B::NoButton, Answer::Cancel, "");
}

void QtUiTest::buttonsAnswerThemselves() {
  QFETCH(int, set);
  QFETCH(int, icon);
  QFETCH(int, press);
  QFETCH(QString, shown);
  QtUi ui;
  ModalScript script;
  if (press == B::NoButton)
    script.Then([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  else
    script.Answer(B::StandardButton(press));
  Answer answer = ui.MessageBox(u"本文\r\n二行目", u"エラー", Icon(icon), Buttons(set));
  QTEST(int(answer), "answer");
  QVERIFY(script.Done());
  if (press == B::NoButton) return;
  const SeenBox& box = script.boxes.at(0);
  QCOMPARE(box.title, U(u"エラー"));
  QCOMPARE(box.text, U(u"本文\r\n二行目"));
  const B::Icon icons[] = {B::NoIcon, B::Critical, B::Question, B::Warning, B::Information};
  QCOMPARE(box.icon, icons[icon]);
  if (shown.size() == 1)
    QCOMPARE(box.buttons.size(), shown.toInt());
  else
    QVERIFY2(box.buttons.join(' ').contains(shown), qPrintable(box.buttons.join(' ')));
}

void QtUiTest::inputBox() {
  QtUi ui;
  ModalScript script;
  QString shown_initial;
  script.Then([&](QWidget* w) {
    auto* d = qobject_cast<QInputDialog*>(w);
    shown_initial = d->textValue();
    d->setTextValue(U(u"新しい"));
    d->accept();
  });
  QCOMPARE(QS(ui.InputBox(u"p", u"t", u"古い").value_or(u"?")), U(u"新しい"));
  QCOMPARE(shown_initial, U(u"古い"));
  script.Input("ignored", false);
  QVERIFY(!ui.InputBox(u"p", u"t", u"x").has_value());
  script.Input("");  // an accepted empty text is an empty answer, not a cancel
  QCOMPARE(ui.InputBox(u"p", u"t", u"x"), std::optional<Text>(u""));
}

void QtUiTest::busyPointerAndShellTargets() {
  {
    QtUi ui;
    ui.SetBusy(true);
    ui.SetBusy(true);
    ui.SetBusy(false);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.SetBusy(false);
    ui.SetBusy(false);  // one release too many changes nothing
    QVERIFY(!QApplication::overrideCursor());
    ui.SetBusy(true);
  }
  QVERIFY(!QApplication::overrideCursor());  // a Ui that goes away leaves none behind

  QCOMPARE(TargetUrl(u"http://x/y?a=1&b=2").toString(), QStringLiteral("http://x/y?a=1&b=2"));
  QCOMPARE(TargetUrl(u"/tmp/結果 1.html"), QUrl::fromLocalFile(U(u"/tmp/結果 1.html")));
  QVERIFY(TargetUrl(u"/tmp/a:b.html").isLocalFile());
}

PELLUCOR_GUI_TEST_MAIN(QtUiTest)

#include "qt_ui_test.moc"
