// A collection run driven from the main window against the loopback board: the locked
// window, the status line, Cancel, closing the window mid-run, the result file and the history.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
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

// A home whose settings point at the loopback board, 25 messages into data/out.html.
void PrepareHome(ProgramHome& home, const BoardServer& server, int to = 25) {
  QDir().mkpath(home.path(QStringLiteral("data")));
  QString ini = QStringLiteral(
                    "[main]\r\nurl1=%1\r\nurl2=\r\nfrom=1\r\nto=%2\r\nmaxmsg=0\r\n"
                    "topictofilename=0\r\noutfile=%3\r\nout_file=_html.out\r\nbbs_file=_yahoo.bbs"
                    "\r\ntimeout=5\r\nretry=3\r\nerror=1\r\nproxy=1\r\n")
                    .arg(QString::fromStdString(server.url1()))
                    .arg(to)
                    .arg(home.path(QStringLiteral("data/out.html")));
  home.WriteFile(QStringLiteral("pellu.ini"), EncodeCp932(ini.toStdU16String()));
}

// Watches the window at every turn of the event loop while a run goes on.
struct RunWatch {
  explicit RunWatch(Session& s) : s(s) {
    QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
    timer.start(0);
  }
  void Look() {
    if (!this->s.window.IsBusy()) return;
    ++turns;
    statuses.insert(this->s.find<QLabel>("Label_status")->text());
    if (this->s.find<QLineEdit>("Text_url1")->isEnabled()) url1_enabled_during_run = true;
    if (this->s.find<QPushButton>("Command_Run")->isEnabled()) run_enabled_during_run = true;
    if (this->s.find<QAction>("menu_check_multi")->isEnabled()) run_enabled_during_run = true;
    if (this->s.find<QPushButton>("Command_Cancel")->isEnabled()) cancel_seen_enabled = true;
    if (on_turn) on_turn();
  }
  Session& s;
  QTimer timer;
  int turns = 0;
  std::set<QString> statuses;
  bool url1_enabled_during_run = false;
  bool run_enabled_during_run = false;
  bool cancel_seen_enabled = false;
  std::function<void()> on_turn;
};

}  // namespace

class RunWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeRunFromTheWindow();
  void cancelMidRun();
  void cancelDuringASlowFetch();
  void closingTheWindowMidRunCancelsFirst();
  void failedCheckReleasesTheWindow();
};

void RunWindowTest::wholeRunFromTheWindow() {
  BoardServer server(TopicSpec{});
  ProgramHome home;
  PrepareHome(home, server);
  ModalScript script;
  script.AnswerOthers(QMessageBox::No);  // "show the result?" and anything else: No
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  RunWatch watch(s);

  QTest::mouseClick(s.find<QPushButton>("Command_Run"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.IsBusy(), 60000);
  QVERIFY(watch.turns > 0);

  QVERIFY(script.unexpected.isEmpty());
  QVERIFY(!watch.url1_enabled_during_run);
  QVERIFY(!watch.run_enabled_during_run);
  QVERIFY(watch.cancel_seen_enabled);
  // The status line moved with every message while the window was locked.
  for (int n = 1; n <= 25; ++n) {
    bool seen = false;
    for (const QString& st : watch.statuses)
      if (st.startsWith(QStringLiteral("msg( %1 ) ").arg(n))) seen = true;
    QVERIFY2(seen, qPrintable(QString::number(n)));
  }

  // Released again: everything enabled but Cancel.
  QVERIFY(s.find<QLineEdit>("Text_url1")->isEnabled());
  QVERIFY(s.find<QPushButton>("Command_Run")->isEnabled());
  QVERIFY(!s.find<QPushButton>("Command_Cancel")->isEnabled());
  QVERIFY(s.window.cancel_requested);

  // The result, the moved range and the history.
  std::string out = home.ReadFile(QStringLiteral("data/out.html"));
  QVERIFY(!out.empty());
  Text text = DecodeCp932(out);
  QVERIFY(text.find(server.Message(1).subject) != Text::npos);
  QVERIFY(text.find(server.Message(25).subject) != Text::npos);
  QCOMPARE(s.text("Text_from"), QStringLiteral("26"));
  QCOMPARE(s.window.program().history.size(), size_t(1));
  QCOMPARE(QS(s.window.program().history[0].lastMessage), QStringLiteral("25"));
  QVERIFY(home.Exists(QStringLiteral("record.dat")));
  QCOMPARE(server.RequestCount(1), 1);
  QCOMPARE(server.RequestCount(26), 0);

  // The view button hands the result to the desktop.
  QTest::mouseClick(s.find<QPushButton>("Command_View"), Qt::LeftButton);
  QTRY_VERIFY(!s.shell.opened.empty());
  QCOMPARE(QS(s.shell.opened.back()), home.path(QStringLiteral("data/out.html")));
}

void RunWindowTest::cancelMidRun() {
  BoardServer server(TopicSpec{});
  ProgramHome home;
  PrepareHome(home, server);
  ModalScript script;
  script.AnswerOthers(QMessageBox::No);
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  RunWatch watch(s);
  bool clicked = false;
  watch.on_turn = [&] {
    if (!clicked && server.RequestCount(5) > 0) {
      clicked = true;
      QTest::mouseClick(s.find<QPushButton>("Command_Cancel"), Qt::LeftButton);
      // A second click is impossible: the button disables itself.
      QVERIFY(!s.find<QPushButton>("Command_Cancel")->isEnabled());
    }
  };
  QTest::mouseClick(s.find<QPushButton>("Command_Run"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.IsBusy(), 60000);
  QVERIFY(clicked);
  QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(QLatin1Char('\n'))));
  QVERIFY(server.RequestCount(25) == 0);
  bool told = false;
  for (const SeenBox& b : script.boxes)
    if (b.text.startsWith(QString::fromUtf16(u"処理を中断します。"))) told = true;
  QVERIFY(told);
  // Ended through the cancel path: the history knows how far it got, the range moves on.
  QCOMPARE(s.window.program().history.size(), size_t(1));
  int last = QS(s.window.program().history[0].lastMessage).toInt();
  QVERIFY(last >= 4 && last < 25);
  QCOMPARE(s.text("Text_from"), QString::number(last + 1));
  QVERIFY(home.Exists(QStringLiteral("record.dat")));
  QVERIFY(s.find<QPushButton>("Command_Run")->isEnabled());
  QVERIFY(!s.find<QPushButton>("Command_Cancel")->isEnabled());
}

void RunWindowTest::cancelDuringASlowFetch() {
  BoardServer server(TopicSpec{});
  server.SetDelay(8000);
  server.Misbehave(3, pellucor::testing::Misbehaviour::Delay);
  ProgramHome home;
  PrepareHome(home, server);
  ModalScript script;
  script.AnswerOthers(QMessageBox::No);
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  RunWatch watch(s);
  QElapsedTimer clicked_at;
  int turns_at_click = 0;
  watch.on_turn = [&] {
    if (!clicked_at.isValid() && server.RequestCount(3) > 0) {
      clicked_at.start();
      turns_at_click = watch.turns;
      QTest::mouseClick(s.find<QPushButton>("Command_Cancel"), Qt::LeftButton);
    }
  };
  QTest::mouseClick(s.find<QPushButton>("Command_Run"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.IsBusy(), 60000);
  QVERIFY(clicked_at.isValid());
  // The window kept turning while the page was on its way, and the cancel did not wait for it.
  QVERIFY(turns_at_click > 2);
  QVERIFY2(clicked_at.elapsed() < 4000, qPrintable(QString::number(clicked_at.elapsed())));
  QCOMPARE(server.RequestCount(4), 0);
  QCOMPARE(QS(s.window.program().history.at(0).lastMessage), QStringLiteral("2"));
  QCOMPARE(s.text("Text_from"), QStringLiteral("3"));
}

void RunWindowTest::closingTheWindowMidRunCancelsFirst() {
  BoardServer server(TopicSpec{});
  ProgramHome home;
  PrepareHome(home, server);
  ModalScript script;
  script.AnswerOthers(QMessageBox::No);
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  RunWatch watch(s);
  bool closed_during_run = false;
  watch.on_turn = [&] {
    if (!closed_during_run && server.RequestCount(3) > 0) {
      closed_during_run = true;
      s.window.close();
      // The window waits for the run to end through its cancel path.
      QVERIFY(s.window.isVisible());
    }
  };
  QTest::mouseClick(s.find<QPushButton>("Command_Run"), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!s.window.isVisible(), 60000);
  QVERIFY(closed_during_run);
  QVERIFY(server.RequestCount(25) == 0);
  // Nothing lost: the history and the settings were written after the run ended.
  QVERIFY(home.Exists(QStringLiteral("record.dat")));
  Text from = ReadDefinitionValue(u"main", u"from", u"", home.dir() + u"pellu.ini");
  QCOMPARE(s.window.program().history.size(), size_t(1));
  int last = QS(s.window.program().history[0].lastMessage).toInt();
  QCOMPARE(QS(from), QString::number(last + 1));
}

void RunWindowTest::failedCheckReleasesTheWindow() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.find<QLineEdit>("Text_url1")->setText(QStringLiteral("   "));
  script.Answer(QMessageBox::Ok);
  QTest::mouseClick(s.find<QPushButton>("Command_Run"), Qt::LeftButton);
  QCOMPARE(script.boxes.size(), size_t(1));
  QCOMPARE(script.boxes[0].text, QString::fromUtf16(u"取得URL（左）が未入力です"));
  QCOMPARE(script.boxes[0].icon, QMessageBox::Critical);
  QVERIFY(s.find<QLineEdit>("Text_url1")->isEnabled());
  QVERIFY(!s.find<QPushButton>("Command_Cancel")->isEnabled());
  QVERIFY(!s.window.IsBusy());
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallJapaneseTranslations(app);
  RunWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "run_window_test.moc"
