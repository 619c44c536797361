// A collection run driven from the main window against the loopback board: the locked
// window, the status line, Cancel and the close box mid-run, the result file and the history.
#include <QElapsedTimer>
#include <QLabel>
#include <set>

#include "common/deffile.h"
#include "gui_support.h"
#include "support/board_server.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;
using pellucor::testing::BoardServer;
using pellucor::testing::TopicSpec;

namespace {

// A home whose settings point at the loopback board: messages 1 to 25 into data/out.html.
void PrepareHome(ProgramHome& home, const BoardServer& server) {
  QString ini =
      QStringLiteral(
          "[main]\r\nurl1=%1\r\nurl2=\r\nfrom=1\r\nto=25\r\nmaxmsg=0\r\n"
          "topictofilename=0\r\noutfile=%2\r\nout_file=_html.out\r\nbbs_file=_yahoo.bbs"
          "\r\ntimeout=5\r\nretry=3\r\nerror=1\r\nproxy=1\r\n")
          .arg(QString::fromStdString(server.url1()), home.path(QStringLiteral("data/out.html")));
  home.WriteFile(QStringLiteral("pellu.ini"), EncodeCp932(ini.toStdU16String()));
}

// Watches the window at every turn of the event loop while a run goes on.
struct RunWatch {
  explicit RunWatch(Session& s) : s(s) {
    QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
    timer.start(0);
  }
  void Look() {
    if (!s.window.IsBusy()) return;
    ++turns;
    statuses.insert(s.find<QLabel>("Label_status")->text());
    for (const char* name : {"Text_url1", "Command_Run", "Command_Network"})
      if (s.enabled(name)) unlocked << name;
    if (s.find<QAction>("menu_check_multi")->isEnabled()) unlocked << "menu_check_multi";
    if (s.enabled("Command_Cancel")) cancel_enabled = true;
    if (on_turn) on_turn();
  }
  Session& s;
  QTimer timer;
  int turns = 0;
  std::set<QString> statuses;
  QStringList unlocked;  // controls seen enabled during the run
  bool cancel_enabled = false;
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
  BoardServer server(TopicSpec{});
  ProgramHome home;
  PrepareHome(home, server);
  ModalScript script;
  script.AnswerOthers(QMessageBox::No);  // "show the result?" and anything else: No
  Session s(home);

  // A refused check leaves the window released.
  s.set("Text_url1", "   ");
  s.click("Command_Run");
  QCOMPARE(script.boxes.at(0).text, U(u"取得URL（左）が未入力です"));
  QVERIFY(s.enabled("Text_url1") && !s.enabled("Command_Cancel") && !s.window.IsBusy());
  s.set("Text_url1", QString::fromStdString(server.url1()));

  RunWatch watch(s);
  s.click("Command_Run");
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.IsBusy(), 60000);
  EXPECT_NO_STRAYS(script);
  QVERIFY(watch.turns > 0);
  QCOMPARE(watch.unlocked, QStringList());
  QVERIFY(watch.cancel_enabled);
  // The status line moved with every message while the window was locked.
  for (int n = 1; n <= 25; ++n)
    QVERIFY2(std::any_of(watch.statuses.begin(), watch.statuses.end(),
                         [n](const QString& st) {
                           return st.startsWith(QStringLiteral("msg( %1 ) ").arg(n));
                         }),
             qPrintable(QString::number(n)));
  QVERIFY(s.enabled("Text_url1") && s.enabled("Command_Run") && !s.enabled("Command_Cancel"));

  // The result, the moved range and the history.
  Text out = DecodeCp932(home.ReadFile(QStringLiteral("data/out.html")));
  QVERIFY(out.find(server.Message(1).subject) != Text::npos);
  QVERIFY(out.find(server.Message(25).subject) != Text::npos);
  QCOMPARE(s.text("Text_from"), QStringLiteral("26"));
  QCOMPARE(s.window.program().history.size(), size_t(1));
  QCOMPARE(QS(s.window.program().history[0].lastMessage), QStringLiteral("25"));
  QVERIFY(home.Exists(QStringLiteral("record.dat")));
  QCOMPARE(server.RequestCount(26), 0);

  // The view button hands the result to the desktop.
  s.click("Command_View");
  QTRY_VERIFY(!s.shell.opened.empty());
  QCOMPARE(QS(s.shell.opened.back()), home.path(QStringLiteral("data/out.html")));
}

void RunWindowTest::interruptWhileAPageIsOnItsWay_data() {
  QTest::addColumn<bool>("closeBox");
  QTest::newRow("Cancel") << false;
  QTest::newRow("close box") << true;
}

void RunWindowTest::interruptWhileAPageIsOnItsWay() {
  QFETCH(bool, closeBox);
  BoardServer server(TopicSpec{});
  server.SetDelay(8000);
  server.Misbehave(5, pellucor::testing::Misbehaviour::Delay);
  ProgramHome home;
  PrepareHome(home, server);
  ModalScript script;
  script.AnswerOthers(QMessageBox::No);
  Session s(home);
  RunWatch watch(s);
  QElapsedTimer since;
  int turns_before = 0;
  watch.on_turn = [&] {
    if (since.isValid() || server.RequestCount(5) == 0) return;
    since.start();
    turns_before = watch.turns;
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
  // The window kept turning while the page was on its way, and did not wait for it.
  QVERIFY(since.isValid() && turns_before > 2);
  QVERIFY2(since.elapsed() < 4000, qPrintable(QString::number(since.elapsed())));
  QTRY_COMPARE(s.window.isVisible(), !closeBox);
  EXPECT_NO_STRAYS(script);
  QVERIFY(std::any_of(script.boxes.begin(), script.boxes.end(), [](const SeenBox& b) {
    return b.text.startsWith(U(u"処理を中断します。"));
  }));
  // Ended through the cancel path: nothing lost, the range moves on.
  QCOMPARE(server.RequestCount(6), 0);
  QCOMPARE(QS(s.window.program().history.at(0).lastMessage), QStringLiteral("4"));
  QCOMPARE(s.text("Text_from"), QStringLiteral("5"));
  QVERIFY(home.Exists(QStringLiteral("record.dat")));
  if (closeBox)
    QCOMPARE(QS(ReadDefinitionValue(u"main", u"from", u"", home.dir() + u"pellu.ini")),
             QStringLiteral("5"));
}

PELLUCOR_GUI_TEST_MAIN(RunWindowTest)

#include "run_window_test.moc"
