// The main window: start-up with and without pellu.ini, the remembered values, the controls'
// own reactions, drops, the network window, the About box and the minimum size.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "app/settings.h"
#include "form_main.h"
#include "form_network.h"
#include "gui_support.h"
#include "platform/curl_http.h"
#include "qt_ui.h"
#include "support/fake_clock.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;

namespace {

// The drop of `mime` on `target` (a point in its middle), as a drag would deliver it.
void Drop(QWidget* target, QMimeData* mime) {
  QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

std::string Cp932Ini(const QString& body) {
  return EncodeCp932(body.toStdU16String());
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void freshStartGreetsAndShowsDefaults();
  void greetingOnlyWhenBothFileAndDataFolderAreMissing();
  void closeAndStartAgainRestoresEveryControl();
  void optionIndexesReadTheirLeadingNumber();
  void maxMsgEnablesAndDisablesTextTo();
  void dropsOnTheAddressBoxesAndTheWindow();
  void dropOfAFileOnTheOutputPath();
  void networkWindowOkCancelAndDiscard();
  void menusAndCommands();
  void minimumSizeIsTheLoadTimeSize();
  void outputPathPickers();
};

void MainWindowTest::freshStartGreetsAndShowsDefaults() {
  ProgramHome home;
  ModalScript script;
  script.Answer(QMessageBox::Ok);
  Session s(home);
  s.window.Load();
  QVERIFY(script.unexpected.isEmpty());
  QCOMPARE(script.boxes.size(), size_t(1));
  const SeenBox& greeting = script.boxes[0];
  QCOMPARE(greeting.title, QStringLiteral("Pellucor"));
  QCOMPARE(greeting.icon, QMessageBox::Information);
  QVERIFY(greeting.text.startsWith(
      QString::fromUtf16(u"Pellucorをご利用いただきありがとうございます。\r\n")));
  QCOMPARE(greeting.text.count(QStringLiteral("\r\n")), 6);
  QCOMPARE(greeting.buttons.size(), 1);
  QVERIFY(QDir(home.path(QStringLiteral("data"))).exists());

  QCOMPARE(s.window.windowTitle(), QStringLiteral("Pellucor ver1.00"));
  QCOMPARE(s.text("Text_url1"), QS(kDefaultUrl1));
  QCOMPARE(s.text("Text_url2"), QString());
  QCOMPARE(s.text("Text_from"), QStringLiteral("1"));
  QCOMPARE(s.text("Text_to"), QStringLiteral("100"));
  QCOMPARE(s.text("Text_Timeout"), QStringLiteral("15"));
  QCOMPARE(s.text("Text_Retry"), QStringLiteral("100"));
  QCOMPARE(s.text("Text_devidecnt"), QStringLiteral("1000"));
  QCOMPARE(s.text("Text_devidefilesize"), QStringLiteral("1000"));
  QCOMPARE(s.text("Text_out"), QS(home.dir()) + QStringLiteral("data/"));
  QVERIFY(s.find<QCheckBox>("Check_MaxMsg")->isChecked());
  QVERIFY(!s.find<QLineEdit>("Text_to")->isEnabled());  // the restored check's own reaction
  QVERIFY(s.find<QCheckBox>("Check_TopicToFilename")->isChecked());
  QVERIFY(!s.find<QCheckBox>("Check_devide")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_Proxy_0")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_Error_1")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_devidekind_0")->isChecked());
  QCOMPARE(s.find<QComboBox>("Combo_devidedatekind")->currentIndex(), 0);
  QCOMPARE(s.find<QLabel>("Label_status")->text(), QString());
  QCOMPARE(s.find<QLabel>("Label_Network")->text(),
           QString::fromUtf16(u"ﾌﾟﾛｷｼ(既定値を使用) ﾀｲﾑｱｳﾄ(15秒) ﾘﾄﾗｲ(100回)"));
  QVERIFY(s.find<QComboBox>("Combo_bbs")->count() >= 1);
  QCOMPARE(s.find<QComboBox>("Combo_bbs")->currentIndex(), 0);
  QVERIFY(s.find<QComboBox>("Combo_out")->count() >= 3);
  QVERIFY(!s.find<QPushButton>("Command_Cancel")->isEnabled());
}

void MainWindowTest::greetingOnlyWhenBothFileAndDataFolderAreMissing() {
  {
    ProgramHome home;  // settings file present, data folder missing
    home.WriteFile(QStringLiteral("pellu.ini"), "[main]\r\nfrom=5\r\n");
    ModalScript script;
    Session s(home);
    s.window.Load();
    QCOMPARE(s.text("Text_from"), QStringLiteral("5"));
    QVERIFY(script.boxes.empty());
    QVERIFY(!QDir(home.path(QStringLiteral("data"))).exists());
    QCOMPARE(s.text("Text_out"), QS(home.dir()) + QStringLiteral("data/"));
  }
  {
    ProgramHome home;  // data folder present, settings file missing
    QDir().mkpath(home.path(QStringLiteral("data")));
    ModalScript script;
    Session s(home);
    s.window.Load();
    QVERIFY(script.boxes.empty());
    QVERIFY(script.unexpected.isEmpty());
  }
}

void MainWindowTest::closeAndStartAgainRestoresEveryControl() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  struct TextValue {
    const char* name;
    QString value;
  };
  const std::vector<TextValue> texts = {
      {"Text_url1", QStringLiteral(" http://board.example/x?mid= ")},
      {"Text_url2", QStringLiteral("&tail=1 ")},
      {"Text_from", QStringLiteral("  12")},
      {"Text_to", QStringLiteral("345 ")},
      {"Text_Proxy_address", QStringLiteral(" 10.0.0.1")},
      {"Text_Proxy_port", QStringLiteral("3128")},
      {"Text_Timeout", QStringLiteral("30")},
      {"Text_Retry", QStringLiteral("7")},
      {"Text_out", QString::fromUtf16(u"/tmp/出力 先/out.html")},
      {"Text_devidecnt", QStringLiteral("250")},
      {"Text_devidefilesize", QStringLiteral("64")},
  };
  const char* checks[] = {"Check_Error_Log", "Check_Read", "Check_devide", "Check_CreateTitleIndex",
                          "Check_nooutblank"};
  {
    Session s(home);
    s.window.Load();
    for (const auto& t : texts) s.find<QLineEdit>(t.name)->setText(t.value);
    for (const char* c : checks) s.find<QCheckBox>(c)->setChecked(true);
    s.find<QCheckBox>("Check_MaxMsg")->setChecked(false);
    s.find<QCheckBox>("Check_TopicToFilename")->setChecked(false);
    s.find<QRadioButton>("Option_Proxy_2")->setChecked(true);
    s.find<QRadioButton>("Option_Error_0")->setChecked(true);
    s.find<QRadioButton>("Option_devidekind_2")->setChecked(true);
    s.find<QComboBox>("Combo_devidedatekind")->setCurrentIndex(2);
    s.find<QComboBox>("Combo_out")->setCurrentIndex(1);
    s.window.close();
  }
  QVERIFY(home.Exists(QStringLiteral("pellu.ini")));
  Session s(home);
  s.window.Load();
  for (const auto& t : texts) QCOMPARE(s.text(t.name), t.value);
  for (const char* c : checks) QVERIFY2(s.find<QCheckBox>(c)->isChecked(), c);
  QVERIFY(!s.find<QCheckBox>("Check_MaxMsg")->isChecked());
  QVERIFY(s.find<QLineEdit>("Text_to")->isEnabled());
  QVERIFY(!s.find<QCheckBox>("Check_TopicToFilename")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_Proxy_2")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_Error_0")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_devidekind_2")->isChecked());
  QCOMPARE(s.find<QComboBox>("Combo_devidedatekind")->currentIndex(), 2);
  QCOMPARE(s.find<QComboBox>("Combo_out")->currentIndex(), 1);
  QCOMPARE(s.find<QLabel>("Label_Network")->text(),
           QString::fromUtf16(u"ﾌﾟﾛｷｼ(使用する 10.0.0.1:3128) ﾀｲﾑｱｳﾄ(30秒) ﾘﾄﾗｲ(7回)"));
}

void MainWindowTest::optionIndexesReadTheirLeadingNumber() {
  ProgramHome home;
  home.WriteFile(QStringLiteral("pellu.ini"),
                 Cp932Ini(QStringLiteral("[main]\r\nproxy=2x\r\nerror=\r\nurl2=\r\n")));
  Session s(home);
  s.window.Load();
  QVERIFY(s.find<QRadioButton>("Option_Proxy_2")->isChecked());
  QVERIFY(s.find<QRadioButton>("Option_Error_0")->isChecked());
  QCOMPARE(s.text("Text_url2"), QString());
}

void MainWindowTest::maxMsgEnablesAndDisablesTextTo() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  auto* check = s.find<QCheckBox>("Check_MaxMsg");
  auto* to = s.find<QLineEdit>("Text_to");
  QVERIFY(check->isChecked());
  QVERIFY(!to->isEnabled());
  QTest::mouseClick(check, Qt::LeftButton);
  QVERIFY(!check->isChecked());
  QVERIFY(to->isEnabled());
  check->setFocus();
  QTest::keyClick(check, Qt::Key_Space);
  QVERIFY(check->isChecked());
  QVERIFY(!to->isEnabled());
}

void MainWindowTest::dropsOnTheAddressBoxesAndTheWindow() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  // A second board whose messages live on the loopback address; it sorts after _yahoo.bbs.
  home.WriteFile(
      QStringLiteral("loop.bbs"),
      Cp932Ini(QString::fromUtf16(u"[basic]\r\nname=ループ掲示板\r\nurl=http://127.0.0.1/"
                                  u"\r\nmsgurl=http://127.0.0.1/board/message?\r\n"
                                  u"msgstr=mid\r\nfirst_msgno=3\r\n")));
  ModalScript script;
  Session s(home);
  s.window.Load();
  auto* combo = s.find<QComboBox>("Combo_bbs");
  QCOMPARE(combo->count(), 2);
  QCOMPARE(combo->currentIndex(), 0);

  // The "&" form on Text_url1: board switched with its message, halves split.
  script.Answer(QMessageBox::Ok);
  auto* mime = new QMimeData;
  mime->setText(QStringLiteral("http://127.0.0.1/board/message?t=9&mid=42&s=1"));
  Drop(s.find<QLineEdit>("Text_url1"), mime);
  QTRY_COMPARE(s.text("Text_url1"), QStringLiteral("http://127.0.0.1/board/message?t=9&mid="));
  QCOMPARE(s.text("Text_url2"), QStringLiteral("&s=1"));
  QCOMPARE(s.text("Text_from"), QStringLiteral("3"));
  QCOMPARE(combo->currentIndex(), 1);
  QTRY_COMPARE(script.boxes.size(), size_t(1));
  QCOMPARE(script.boxes[0].text, QString::fromUtf16(u"掲示板をループ掲示板に切り替えます"));
  QCOMPARE(script.boxes[0].icon, QMessageBox::Information);
  delete mime;

  // The "?" form on the window itself (over a label), over https: no switch message.
  mime = new QMimeData;
  mime->setText(QStringLiteral("https://127.0.0.1/board/message?mid=7"));
  Drop(s.find<QLabel>("Label_status"), mime);
  QTRY_COMPARE(s.text("Text_url1"), QStringLiteral("https://127.0.0.1/board/message?mid="));
  QCOMPARE(s.text("Text_url2"), QString());
  delete mime;

  // An address of no known board, in upper case: taken whole.
  mime = new QMimeData;
  mime->setText(QStringLiteral("HTTPS://ELSEWHERE/X?mid=7"));
  Drop(s.find<QLineEdit>("Text_url1"), mime);
  QTRY_COMPARE(s.text("Text_url1"), QStringLiteral("HTTPS://ELSEWHERE/X?mid=7"));
  delete mime;

  // Plain text: refused with a message, nothing changes.
  script.Answer(QMessageBox::Ok);
  mime = new QMimeData;
  mime->setText(QString::fromUtf16(u"こんにちは"));
  Drop(s.find<QLineEdit>("Text_url2"), mime);
  QTRY_COMPARE(script.boxes.size(), size_t(2));
  QCOMPARE(script.boxes[1].text, QString::fromUtf16(u"ドラッグされたデータはURLではありません"));
  QCOMPARE(script.boxes[1].icon, QMessageBox::Critical);
  QCOMPARE(s.text("Text_url1"), QStringLiteral("HTTPS://ELSEWHERE/X?mid=7"));
  delete mime;

  // A drop without text is ignored.
  mime = new QMimeData;
  Drop(s.find<QLineEdit>("Text_url1"), mime);
  QTest::qWait(50);
  QCOMPARE(script.boxes.size(), size_t(2));
  QVERIFY(script.unexpected.isEmpty());
  delete mime;
}

void MainWindowTest::dropOfAFileOnTheOutputPath() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  Session s(home);
  s.window.Load();
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(QString::fromUtf16(u"/tmp/結果 1.html")),
                 QUrl::fromLocalFile(QStringLiteral("/tmp/second.html"))});
  Drop(s.find<QLineEdit>("Text_out"), mime);
  QCOMPARE(s.text("Text_out"), QString::fromUtf16(u"/tmp/結果 1.html"));
  delete mime;
  // Text dropped on the output path is not a file: ignored.
  mime = new QMimeData;
  mime->setText(QStringLiteral("http://x/"));
  Drop(s.find<QLineEdit>("Text_out"), mime);
  QCOMPARE(s.text("Text_out"), QString::fromUtf16(u"/tmp/結果 1.html"));
  delete mime;
}

void MainWindowTest::networkWindowOkCancelAndDiscard() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();

  // Cancel without a change closes at once.
  script.Then([](QWidget* w) {
    QCOMPARE(w->windowTitle(), QString::fromUtf16(u"ネットワーク設定"));
    w->findChild<QPushButton*>(QStringLiteral("Command_Cancel"))->click();
  });
  QTest::mouseClick(s.find<QPushButton>("Command_Network"), Qt::LeftButton);
  QVERIFY(script.Done());
  QVERIFY(script.boxes.empty());

  // A changed retry count: Cancel asks; No keeps the window and the edit; then OK copies back.
  bool kept = false;
  script.Then([&](QWidget* w) {
    auto* retry = w->findChild<QLineEdit*>(QStringLiteral("Text_Retry"));
    retry->setText(QStringLiteral("5"));
    w->findChild<QRadioButton*>(QStringLiteral("Option_Proxy_1"))->setChecked(true);
    w->findChild<QPushButton*>(QStringLiteral("Command_Cancel"))->click();
    kept = w->isVisible() && retry->text() == QStringLiteral("5");
    w->findChild<QPushButton*>(QStringLiteral("Command_Ok"))->click();
  });
  script.Answer(QMessageBox::No);
  QTest::mouseClick(s.find<QPushButton>("Command_Network"), Qt::LeftButton);
  QVERIFY(kept);
  QCOMPARE(script.boxes.size(), size_t(1));
  QCOMPARE(script.boxes[0].text, QString::fromUtf16(u"変更をキャンセルしてよろしいですか？"));
  QCOMPARE(script.boxes[0].icon, QMessageBox::Question);
  // Qt's own Japanese button texts.
  QVERIFY2(script.boxes[0].buttons.join(QLatin1Char(' ')).contains(QString::fromUtf16(u"はい")),
           qPrintable(script.boxes[0].buttons.join(QLatin1Char(' '))));
  QCOMPARE(s.text("Text_Retry"), QStringLiteral("5"));
  QVERIFY(s.find<QRadioButton>("Option_Proxy_1")->isChecked());
  QCOMPARE(s.find<QLabel>("Label_Network")->text(),
           QString::fromUtf16(u"ﾌﾟﾛｷｼ(使用しない) ﾀｲﾑｱｳﾄ(15秒) ﾘﾄﾗｲ(5回)"));

  // Cancel answered Yes, and the close box: both discard.
  script.Then([](QWidget* w) {
    w->findChild<QLineEdit*>(QStringLiteral("Text_Timeout"))->setText(QStringLiteral("99"));
    w->findChild<QPushButton*>(QStringLiteral("Command_Cancel"))->click();
  });
  script.Answer(QMessageBox::Yes);
  s.window.findChild<QAction*>(QStringLiteral("menu_network_open"))->trigger();
  script.Then([](QWidget* w) {
    w->findChild<QLineEdit*>(QStringLiteral("Text_Timeout"))->setText(QStringLiteral("98"));
    w->close();
  });
  QTest::mouseDClick(s.find<QLabel>("Label_Network"), Qt::LeftButton);
  QVERIFY(script.Done());
  QCOMPARE(s.text("Text_Timeout"), QStringLiteral("15"));
  QVERIFY(script.unexpected.isEmpty());
  // The settings file still holds nothing of it until the program ends.
  QVERIFY(!home.Exists(QStringLiteral("pellu.ini")));
}

void MainWindowTest::menusAndCommands() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  ModalScript script;
  Session s(home);
  s.window.Load();

  QStringList menus;
  for (QAction* a : s.window.menuBar()->actions()) menus << a->text();
  QCOMPARE(menus,
           (QStringList{QString::fromUtf16(u"履歴(&R)"), QString::fromUtf16(u"最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ(&C)"),
                        QString::fromUtf16(u"ﾈｯﾄﾜｰｸ設定(&N)"), QString::fromUtf16(u"ﾍﾙﾌﾟ(&H)")}));

  // About box.
  script.Answer(QMessageBox::Ok);
  s.window.findChild<QAction*>(QStringLiteral("menu_help_version"))->trigger();
  QCOMPARE(script.boxes.size(), size_t(1));
  QCOMPARE(script.boxes[0].title, QString::fromUtf16(u"Pellucor　バージョン情報"));
  QVERIFY(script.boxes[0].text.startsWith(QStringLiteral("Pellucor Version 1.00 (Rev:")));
  QVERIFY(script.boxes[0].text.contains(QString::fromUtf16(u"全物理メモリ : ")));

  // History command with an empty history.
  script.Answer(QMessageBox::Ok);
  QTest::mouseClick(s.find<QPushButton>("Command_Record"), Qt::LeftButton);
  QCOMPARE(script.boxes.size(), size_t(2));
  QCOMPARE(script.boxes[1].text, QString::fromUtf16(u"履歴情報は有りません\r\n"));
  QCOMPARE(script.boxes[1].icon, QMessageBox::Warning);

  // The first message in the browser; the board's top page; the support page.
  s.find<QLineEdit>("Text_url1")->setText(QStringLiteral("http://b/m?mid="));
  s.find<QLineEdit>("Text_from")->setText(QStringLiteral("007"));
  s.find<QLineEdit>("Text_url2")->setText(QStringLiteral("&x"));
  // By its mnemonic: the key press reaches the button a little later.
  s.window.show();
  s.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QTest::keyClick(&s.window, Qt::Key_1, Qt::AltModifier);
  QTRY_COMPARE(s.shell.opened.size(), size_t(1));
  QTest::mouseClick(s.find<QPushButton>("Command_OpenBBS"), Qt::LeftButton);
  s.window.findChild<QAction*>(QStringLiteral("menu_help_website"))->trigger();
  QCOMPARE(s.shell.opened.size(), size_t(3));
  QCOMPARE(QS(s.shell.opened[0]), QStringLiteral("http://b/m?mid=7&x"));
  QCOMPARE(QS(s.shell.opened[1]), QStringLiteral("http://localhost/board/"));

  // Edit: the notice, then the editor on the selected definition; delete and new do nothing.
  script.Answer(QMessageBox::Ok);
  QTest::mouseClick(s.find<QPushButton>("Command_out_html_0"), Qt::LeftButton);
  QTest::mouseClick(s.find<QPushButton>("Command_out_html_1"), Qt::LeftButton);
  QTest::mouseClick(s.find<QPushButton>("Command_bbs_status_2"), Qt::LeftButton);
  QCOMPARE(script.boxes.size(), size_t(3));
  QCOMPARE(script.boxes[2].icon, QMessageBox::Warning);
  QCOMPARE(s.shell.edited.size(), size_t(1));
  QVERIFY(QS(s.shell.edited[0]).startsWith(QS(home.dir())));
  QVERIFY(QS(s.shell.edited[0]).endsWith(QStringLiteral(".out")));

  // No board entry selected: the top-page command says so.
  s.find<QComboBox>("Combo_bbs")->setCurrentIndex(-1);
  script.Answer(QMessageBox::Ok);
  QTest::mouseClick(s.find<QPushButton>("Command_OpenBBS"), Qt::LeftButton);
  QCOMPARE(script.boxes.size(), size_t(4));
  QCOMPARE(script.boxes[3].text, QString::fromUtf16(u"掲示板が正しく指定されていません"));
  QCOMPARE(script.boxes[3].icon, QMessageBox::Critical);
  QVERIFY(script.unexpected.isEmpty());
}

void MainWindowTest::minimumSizeIsTheLoadTimeSize() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  Session s(home);
  s.window.Load();
  s.window.show();
  QSize minimum = s.window.MinimumSize();
  QVERIFY(minimum.width() > 300 && minimum.height() > 300);
  s.window.resize(minimum.width() - 100, minimum.height() - 100);
  QCOMPARE(s.window.size(), minimum);
  s.window.resize(minimum.width() + 50, minimum.height() + 40);
  QCOMPARE(s.window.size(), minimum + QSize(50, 40));
  s.window.resize(minimum.width() + 50, minimum.height() - 40);
  QCOMPARE(s.window.size(), QSize(minimum.width() + 50, minimum.height()));
}

void MainWindowTest::outputPathPickers() {
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data/sub")));
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();

  // The user names the file: a file picker filtered by the output type's extension.
  s.find<QCheckBox>("Check_TopicToFilename")->setChecked(false);
  s.find<QLineEdit>("Text_out")->setText(home.path(QStringLiteral("data/sub/old.html")));
  QString title, start;
  QStringList filters;
  script.Then([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    title = d->windowTitle();
    filters = d->nameFilters();
    start = d->directory().absolutePath();
    // Typed into the dialog's own name box, as a user would.
    d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(home.path(QStringLiteral("data/new.html")));
    QMetaObject::invokeMethod(d, "accept");
  });
  QTest::mouseClick(s.find<QPushButton>("Command_OutFile"), Qt::LeftButton);
  QVERIFY(script.Done());
  QCOMPARE(title, QString::fromUtf16(u"保存するﾌｧｲﾙを指定してください。"));
  QCOMPARE(filters, (QStringList{QString::fromUtf16(u"出力タイプ (*.html)"),
                                 QString::fromUtf16(u"すべてのファイル (*.*)")}));
  QCOMPARE(start, home.path(QStringLiteral("data/sub")));
  QCOMPARE(s.text("Text_out"), home.path(QStringLiteral("data/new.html")));

  // Cancelled: nothing changes.
  script.Then([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  QTest::mouseClick(s.find<QPushButton>("Command_OutFile"), Qt::LeftButton);
  QVERIFY(script.Done());
  QCOMPARE(s.text("Text_out"), home.path(QStringLiteral("data/new.html")));

  // The title names the file: a folder picker, and the result ends in the separator.
  s.find<QCheckBox>("Check_TopicToFilename")->setChecked(true);
  s.find<QLineEdit>("Text_out")->setText(home.path(QStringLiteral("data/sub/")));
  script.Then([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    title = d->windowTitle();
    start = d->directory().absolutePath();
    d->setDirectory(home.path(QStringLiteral("data")));
    QMetaObject::invokeMethod(d, "accept");
  });
  QTest::mouseClick(s.find<QPushButton>("Command_OutFile"), Qt::LeftButton);
  QVERIFY(script.Done());
  QVERIFY(script.unexpected.isEmpty());
  QCOMPARE(title, QString::fromUtf16(u"保存先ﾌｫﾙﾀﾞを指定して下さい。"));
  QCOMPARE(start, home.path(QStringLiteral("data/sub")));
  QCOMPARE(s.text("Text_out"), home.path(QStringLiteral("data/")));
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallJapaneseTranslations(app);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
