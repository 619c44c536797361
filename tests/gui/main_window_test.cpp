// The main window: start-up with and without pellu.ini, the remembered values, the controls'
// own reactions, the minimum size, drops and the network window.
#include "app/settings.h"
#include "gui_support.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;

namespace {

// The drop of `mime` on the middle of `target`, as a drag would deliver it.
void Drop(QWidget* target, QMimeData& mime) {
  QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startUp_data();
  void startUp();
  void closeAndStartAgainRestoresEveryControl();
  void drops_data();
  void drops();
  void networkWindow_data();
  void networkWindow();
};

void MainWindowTest::startUp_data() {
  QTest::addColumn<bool>("ini");
  QTest::addColumn<bool>("data");
  QTest::newRow("first start") << false << false;
  QTest::newRow("settings file only") << true << false;
  QTest::newRow("data folder only") << false << true;
}

void MainWindowTest::startUp() {
  QFETCH(bool, ini);
  QFETCH(bool, data);
  ProgramHome home(data);
  if (ini) home.Write(u"pellu.ini", "[main]\r\nfrom=5\r\n");
  ModalScript script;
  bool greeting = !ini && !data;
  if (greeting) script.Answer(QMessageBox::Ok);
  Session s(home);
  EXPECT_SCRIPT_DONE(script);
  QCOMPARE(script.boxes.size(), size_t(greeting));  // its wording: tests/app/settings_test.cpp
  QCOMPARE(FolderExists(home.Path(u"data")), !ini);
  QCOMPARE(s.text("Text_from"), ini ? QStringLiteral("5") : QStringLiteral("1"));
  QCOMPARE(s.text("Text_out"), QS(home.Dir()) + QStringLiteral("data/"));
  QVERIFY(s.checked("Check_MaxMsg") && !s.enabled("Text_to"));  // the check's own reaction
  // The window never shrinks below its load-time size.
  QSize minimum = s.window.MinimumSize();
  s.window.resize(minimum.width() + 50, 100);
  QCOMPARE(s.window.size(), QSize(minimum.width() + 50, minimum.height()));
}

void MainWindowTest::closeAndStartAgainRestoresEveryControl() {
  ProgramHome home;
  // name=value, the values with their spaces.
  const QStringList texts = U(u"Text_url1= http://board.example/x?mid= |Text_url2=&tail=1 |"
                              u"Text_from=  12|Text_to=345 |Text_Proxy_address= 10.0.0.1|"
                              u"Text_Proxy_port=3128|Text_Timeout=30|Text_Retry=7|"
                              u"Text_out=/tmp/出力 先/out.html|Text_devidecnt=250|"
                              u"Text_devidefilesize=64")
                                .split('|');
  const char* on[] = {"Check_Error_Log",        "Check_Read",         "Check_devide",
                      "Check_CreateTitleIndex", "Check_nooutblank",   "Option_Proxy_2",
                      "Option_Error_0",         "Option_devidekind_2"};
  const std::pair<const char*, int> combos[] = {{"Combo_devidedatekind", 2}, {"Combo_out", 1}};
  {
    Session s(home);
    for (const QString& t : texts) s.set(qPrintable(t.section('=', 0, 0)), t.section('=', 1));
    for (const char* name : on) s.find<QAbstractButton>(name)->setChecked(true);
    s.click("Check_MaxMsg");
    QVERIFY(s.enabled("Text_to"));  // the check's own reaction; checked, it disables
    s.find<QAbstractButton>("Check_TopicToFilename")->setChecked(false);
    for (auto [name, index] : combos) s.find<QComboBox>(name)->setCurrentIndex(index);
    s.window.close();
  }
  Session s(home);
  for (const QString& t : texts)
    QCOMPARE(s.text(qPrintable(t.section('=', 0, 0))), t.section('=', 1));
  for (const char* name : on) QVERIFY2(s.checked(name), name);
  QVERIFY(!s.checked("Check_MaxMsg") && s.enabled("Text_to") &&
          !s.checked("Check_TopicToFilename"));
  for (auto [name, index] : combos) QCOMPARE(s.find<QComboBox>(name)->currentIndex(), index);
}

void MainWindowTest::drops_data() {
  QTest::addColumn<QString>("target");
  QTest::addColumn<QString>("dropped");
  QTest::addColumn<QString>("url1");
  QTest::addColumn<QString>("url2");
  QTest::addColumn<QString>("box");
  const QString loop = "http://127.0.0.1/board/message?",
                switched = U(u"掲示板をループ掲示板に切り替えます");
  QTest::newRow("& form") << "Text_url1" << loop + "t=9&mid=42&s=1" << loop + "t=9&mid="
                          << "&s=1" << switched;
  // On the window itself, over https.
  QTest::newRow("? form") << "Label_status"
                          << "https:" + loop.mid(5) + "mid=7"
                          << "https:" + loop.mid(5) + "mid=" << QString() << switched;
  QTest::newRow("plain text") << "Text_url2" << U(u"こんにちは") << QS(kDefaultUrl1) << QString()
                              << U(u"ドラッグされたデータはURLではありません");
}

void MainWindowTest::drops() {
  QFETCH(QString, target);
  QFETCH(QString, dropped);
  ProgramHome home;
  // A second board whose messages live on the loopback address; it sorts after _yahoo.bbs.
  home.Write(u"loop.bbs", EncodeCp932(u"[basic]\r\nname=ループ掲示板\r\nurl=http://127.0.0.1/\r\n"
                                      u"msgurl=http://127.0.0.1/board/message?\r\nmsgstr=mid\r\n"
                                      u"first_msgno=3\r\n"));
  ModalScript script;
  Session s(home);
  script.Answer(QMessageBox::Ok);
  QMimeData mime;
  mime.setText(dropped);
  Drop(s.find(target.toLatin1().constData()), mime);
  QTRY_COMPARE(script.boxes.size(), size_t(1));
  QTEST(script.boxes[0].text, "box");
  QTEST(s.text("Text_url1"), "url1");
  QTEST(s.text("Text_url2"), "url2");
  bool recognised = target != QStringLiteral("Text_url2");
  QCOMPARE(s.find<QComboBox>("Combo_bbs")->currentIndex(), int(recognised));
  QCOMPARE(s.text("Text_from"), recognised ? QStringLiteral("3") : QStringLiteral("1"));
  // Files dropped on the output path: the first one is taken.
  mime.setUrls({QUrl::fromLocalFile(U(u"/tmp/結果 1.html")), QUrl::fromLocalFile("/tmp/2.html")});
  Drop(s.find("Text_out"), mime);
  QCOMPARE(s.text("Text_out"), U(u"/tmp/結果 1.html"));
  // A file list, with the paths as text as file managers give it, on an address box or the
  // window is no address: ignored silently.
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/a.html")});
  files.setText("/tmp/a.html");
  Drop(s.find("Text_url1"), files);
  Drop(s.find("Label_status"), files);
  QTest::qWait(200);
  EXPECT_SCRIPT_DONE(script);
  QCOMPARE(script.boxes.size(), size_t(1));
  QTEST(s.text("Text_url1"), "url1");
}

void MainWindowTest::networkWindow_data() {
  QTest::addColumn<QString>("retry");  // typed into the window; empty: left alone
  QTest::addColumn<QString>("leave");  // the button that leaves it, or the close box
  QTest::addColumn<int>("answer");     // to the discard question; 0: none expected
  QTest::addColumn<QString>("kept");   // Text_Retry of the main window afterwards
  auto row = [](const char* name, QString retry, QString leave, int answer, QString kept) {
    QTest::newRow(name) << retry << leave << answer << kept;
  };
  row("unchanged, Cancel", "", "Command_Cancel", 0, "100");
  row("changed, Cancel, No, OK", "5", "Command_Cancel", QMessageBox::No, "5");
  row("changed, Cancel, Yes", "5", "Command_Cancel", QMessageBox::Yes, "100");
  row("changed, close box", "5", "close", 0, "100");
}

void MainWindowTest::networkWindow() {
  QFETCH(QString, retry);
  QFETCH(QString, leave);
  QFETCH(int, answer);
  QFETCH(QString, kept);
  ProgramHome home;
  ModalScript script;
  Session s(home);
  bool stayed = false;
  script.Then([&](QWidget* w) {
    if (!retry.isEmpty()) w->findChild<QLineEdit*>(QStringLiteral("Text_Retry"))->setText(retry);
    leave == QStringLiteral("close") ? void(w->close()) : ClickIn(w, leave.toLatin1().constData());
    if ((stayed = w->isVisible())) ClickIn(w, "Command_Ok");
  });
  if (answer) script.Answer(QMessageBox::StandardButton(answer));
  s.click("Command_Network");
  EXPECT_SCRIPT_DONE(script);
  QCOMPARE(stayed, answer == QMessageBox::No);
  QCOMPARE(script.boxes.size(), size_t(answer != 0));
  if (answer) QCOMPARE(script.boxes[0].text, U(u"変更をキャンセルしてよろしいですか？"));
  QCOMPARE(s.text("Text_Retry"), kept);
  QVERIFY(s.find<QLabel>("Label_Network")->text().endsWith(U(u"ﾘﾄﾗｲ(%1回)").arg(kept)));
}

PELLUCOR_GUI_TEST_MAIN(MainWindowTest)

#include "main_window_test.moc"
