// A collection run driven from the main window against the loopback board: the locked
// window, the status line, Cancel and the close box mid-run (the window paints and the run
// stops at once, during a hanging fetch and during the pauses between retries), the result
// file and the history.

#include "common/deffile.h"
#include "gui_support.h"
#include "support/board_server.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;
using pellucor::testing::BoardServer;
using pellucor::testing::TopicSpec;

namespace {

// The loopback board, a home whose settings take messages 1 to 25 from it into data/out.html,
// and the started window, watched at every turn of the event loop while a run goes on.
struct RunDesk {
  explicit RunDesk(bool live_clock = false) {
    QString ini = QStringLiteral(
                      "[main]\r\nurl1=%1\r\nto=25\r\nmaxmsg=0\r\ntopictofilename=0\r\n"
                      "outfile=%2\r\nout_file=_html.out\r\ntimeout=5\r\nretry=3\r\nproxy=1\r\n")
                      .arg(QString::fromStdString(server.url1()), QS(home.Path(u"data/out.html")));
    home.Write(u"pellu.ini", EncodeCp932(ini.toStdU16String()));
    script.AnswerOthers(QMessageBox::No);  // "show the result?" and anything else: No
    s = std::make_unique<Session>(home, live_clock);
    QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
    timer.start(0);
  }
  void Look() {
    if (!s->window.IsBusy()) return;
    ++turns;
    QString status = s->find<QLabel>("Label_status")->text();
    if (!statuses.endsWith('\n' + status)) statuses += '\n' + status;
    // Everything locked but Cancel.
    locked = locked && !s->enabled("Text_url1") && !s->enabled("Command_Network") &&
             !s->enabled("Command_Run") && !s->find<QAction>("menu_check_multi")->isEnabled() &&
             s->enabled("Command_Cancel");
    if (on_turn) on_turn();
  }
  BoardServer server{TopicSpec{}};
  ProgramHome home;
  ModalScript script;
  std::unique_ptr<Session> s;
  QTimer timer;
  int turns = 0;
  QString statuses;  // each new status text on a line of its own
  bool locked = true;
  std::function<void()> on_turn;
};

}  // namespace

class RunWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeRunFromTheWindow();
  void interruptWhileAPageIsOnItsWay_data();
  void interruptWhileAPageIsOnItsWay();
};

void RunWindowTest::wholeRunFromTheWindow() {
  RunDesk run;
  Session& s = *run.s;
  // A refused check leaves the window released.
  s.set("Text_url1", "   ");
  s.click("Command_Run");
  QTRY_VERIFY(!s.window.IsBusy());
  QCOMPARE(run.script.boxes.at(0).text, U(u"取得URL（左）が未入力です"));
  QVERIFY(s.enabled("Text_url1") && !s.enabled("Command_Cancel"));
  s.set("Text_url1", QString::fromStdString(run.server.url1()));

  run.script.AnswerOthers(QMessageBox::Yes);  // show the result: the viewer runs from the worker
  s.click("Command_Run");
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.IsBusy(), 60000);
  EXPECT_SCRIPT_DONE(run.script);
  QVERIFY(s.opened().size() == 1 && run.turns > 0 && run.locked);
  // The status line moved with every message while the window was locked.
  for (int n = 1; n <= 25; ++n)
    QVERIFY2(run.statuses.contains(QStringLiteral("\nmsg( %1 ) ").arg(n)),
             qPrintable(run.statuses));
  QVERIFY(s.enabled("Text_url1") && s.enabled("Command_Run") && !s.enabled("Command_Cancel"));

  // The result, the moved range and the history.
  Text out = DecodeCp932(run.home.Read(u"data/out.html"));
  for (int n : {1, 25}) QVERIFY(out.find(run.server.Message(n).subject) != Text::npos);
  QCOMPARE(s.text("Text_from"), QStringLiteral("26"));
  QCOMPARE(s.window.program().history.size(), size_t(1));
  QCOMPARE(QS(s.window.program().history[0].lastMessage), QStringLiteral("25"));
  QVERIFY(run.home.Exists(u"record.dat") && run.server.RequestCount(26) == 0);

  // The view button hands the result to the desktop.
  s.click("Command_View");
  QTRY_COMPARE(s.opened().size(), size_t(2));
  QCOMPARE(QS(s.opened().back()), QS(run.home.Path(u"data/out.html")));
}

void RunWindowTest::interruptWhileAPageIsOnItsWay_data() {
  QTest::addColumn<bool>("closeBox");
  QTest::addColumn<bool>("emptyAnswers");  // else the page hangs on its way
  QTest::newRow("Cancel, hanging fetch") << false << false;
  QTest::newRow("close box, hanging fetch") << true << false;
  QTest::newRow("Cancel, pause between retries") << false << true;
  QTest::newRow("close box, pause between retries") << true << true;
}

void RunWindowTest::interruptWhileAPageIsOnItsWay() {
  QFETCH(bool, closeBox);
  QFETCH(bool, emptyAnswers);
  RunDesk run(/*live_clock=*/true);  // the 2-second pauses are real here
  Session& s = *run.s;
  run.server.SetDelay(8000);
  run.server.Misbehave(5, emptyAnswers ? pellucor::testing::Misbehaviour::Empty
                                       : pellucor::testing::Misbehaviour::Delay);
  auto* status = s.find<QLabel>("Label_status");
  int paints = 0;
  struct PaintCounter : QObject {
    int* n;
    bool eventFilter(QObject*, QEvent* e) override {
      return *n += e->type() == QEvent::Paint, false;
    }
  } counter;
  counter.n = &paints;
  status->installEventFilter(&counter);

  // Waiting: the page is on its way, or the run pauses before asking again. Meanwhile the
  // window paints; then the user interrupts.
  QElapsedTimer waiting, since;
  int turns_before = 0, paints_waiting = 0;
  qint64 latency = -1;
  run.on_turn = [&] {
    if (latency >= 0) return;
    if (since.isValid()) {
      if (QWidget* box = QApplication::activeModalWidget(); box && box->isVisible())
        latency = since.elapsed();
      return;
    }
    if (!waiting.isValid()) {
      if (emptyAnswers ? status->text().contains(QStringLiteral("(1/10)"))
                       : run.server.RequestCount(5) > 0)
        waiting.start();
      return;
    }
    status->update();
    if (waiting.elapsed() < 400) return;
    paints_waiting = paints;
    since.start();
    turns_before = run.turns;
    if (closeBox) {
      s.window.close();
      QVERIFY(s.window.isVisible());  // it waits for the run to end through its cancel path
    } else {
      s.click("Command_Cancel");
      QVERIFY(!s.enabled("Command_Cancel"));  // a second click is impossible
    }
  };
  s.click("Command_Run");
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.IsBusy(), 60000);
  // The window kept turning and painting while it waited, did not wait for the run, and the
  // cancel message came at once.
  qInfo("%d turns, %d paints while waiting; the run ended after %lld ms, the message after %lld ms",
        turns_before, paints_waiting, since.elapsed(), latency);
  QVERIFY(since.isValid() && turns_before > 2 && paints_waiting > 2 && since.elapsed() < 4000);
  QVERIFY(latency >= 0 && latency < 300);
  QTRY_COMPARE(s.window.isVisible(), !closeBox);
  EXPECT_SCRIPT_DONE(run.script);
  QVERIFY(run.script.boxes.at(0).text.startsWith(U(u"処理を中断します。")));
  // Ended through the cancel path: nothing lost, the range moves on.
  QVERIFY(run.server.RequestCount(6) == 0 && run.home.Exists(u"record.dat"));
  QCOMPARE(QS(s.window.program().history.at(0).lastMessage), QStringLiteral("4"));
  QCOMPARE(s.text("Text_from"), QStringLiteral("5"));
  if (closeBox)
    QCOMPARE(QS(ReadDefinitionValue(u"main", u"from", u"", run.home.Path(u"pellu.ini"))), "5");
}

PELLUCOR_GUI_TEST_MAIN(RunWindowTest)

#include "run_window_test.moc"
