// The definition update from the menus against a loopback update site: the download window's
// rows, its two buttons and their questions, and the window closing itself when all is current.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "gui_support.h"
#include "support/board_server.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;
using pellucor::testing::BoardServer;

namespace {

std::string Cp932(const char16_t* s) {
  return EncodeCp932(s);
}

const char16_t kNewOutput[] =
    u"[basic]\r\nname=新しい出力\r\nmark=txt\r\nversion=1\r\n\r\n[html1]\r\n\r\n[html2]\r\n"
    u"<@BODY>\r\n\r\n[html3]\r\n\r\n";

struct UpdateSite {
  UpdateSite() {
    qputenv("PELLUCOR_UPDATE_URL", QByteArray::fromStdString(server.base() + "/update/"));
  }
  ~UpdateSite() { qunsetenv("PELLUCOR_UPDATE_URL"); }
  BoardServer server;
};

QListWidget* ListOf(QWidget* w) {
  return w->findChild<QListWidget*>(QStringLiteral("List_download"));
}

}  // namespace

class DownloadWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void tickedFilesAreDownloaded();
  void nothingTickedAsksAndBackDownloadsNothing();
  void everythingCurrentClosesTheWindowItself();
};

void DownloadWindowTest::tickedFilesAreDownloaded() {
  UpdateSite site;
  site.server.ServeFile("/update/version", Cp932(u"_yahoo.bbs,標準の掲示板,99\r\n"
                                                 u"new.out,新しい出力形式,1\r\n"
                                                 u"_html.out,HTML,0\r\n"));
  site.server.ServeFile("/update/new.out", Cp932(kNewOutput));
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  std::string old_bbs = home.ReadFile(QStringLiteral("_yahoo.bbs"));
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  int outputs_before = s.find<QComboBox>("Combo_out")->count();
  QStringList rows;
  bool locked = false;
  script.Then([&](QWidget* w) {
    QCOMPARE(w->windowTitle(), QString::fromUtf16(u"設定ファイルダウンロード"));
    locked = !s.find<QPushButton>("Command_Run")->isEnabled();
    QListWidget* list = ListOf(w);
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
    list->item(1)->setCheckState(Qt::Checked);
    w->findChild<QPushButton*>(QStringLiteral("Command_Download"))->click();
  });
  script.Answer(QMessageBox::Ok);  // "処理が完了しました"
  s.window.findChild<QAction*>(QStringLiteral("menu_check_multi"))->trigger();
  QVERIFY(script.Done());
  QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(QLatin1Char('\n'))));
  QVERIFY(locked);
  QCOMPARE(rows.size(), 2);
  QVERIFY(rows[0].startsWith(QString::fromUtf16(u"更新　_yahoo.bbs(標準の掲示板) 前回更新日:")));
  QCOMPARE(rows[1], QString::fromUtf16(u"新規　new.out(新しい出力形式)"));
  QCOMPARE(script.boxes.back().text, QString::fromUtf16(u"処理が完了しました"));

  QCOMPARE(home.ReadFile(QStringLiteral("new.out")), Cp932(kNewOutput));
  QCOMPARE(home.ReadFile(QStringLiteral("_yahoo.bbs")), old_bbs);  // not ticked
  QCOMPARE(s.find<QComboBox>("Combo_out")->count(), outputs_before + 1);
  QVERIFY(s.find<QPushButton>("Command_Run")->isEnabled());
  QVERIFY(!s.find<QPushButton>("Command_Cancel")->isEnabled());
}

void DownloadWindowTest::nothingTickedAsksAndBackDownloadsNothing() {
  UpdateSite site;
  site.server.ServeFile("/update/version", Cp932(u"new.out,新しい出力形式,1\r\n"));
  site.server.ServeFile("/update/new.out", Cp932(kNewOutput));
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  bool stayed = false;
  script.Then([&](QWidget* w) {
    auto* download = w->findChild<QPushButton*>(QStringLiteral("Command_Download"));
    download->click();  // nothing ticked: No keeps the window, with a hint
    stayed = w->isVisible();
    w->findChild<QPushButton*>(QStringLiteral("Command_Back"))->click();
  });
  script.Answer(QMessageBox::No);
  script.Answer(QMessageBox::Ok);
  s.window.findChild<QAction*>(QStringLiteral("menu_check_out"))->trigger();
  QVERIFY(script.Done());
  QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(QLatin1Char('\n'))));
  QVERIFY(stayed);
  QCOMPARE(script.boxes.size(), size_t(2));
  QCOMPARE(script.boxes[0].text,
           QString::fromUtf16(u"何も選択されていません。ダウンロード処理をキャンセルしますか？"));
  QCOMPARE(script.boxes[0].icon, QMessageBox::Question);
  QVERIFY(script.boxes[1].text.startsWith(
      QString::fromUtf16(u"一覧より、ダウンロードしたい設定ファイルを選択（クリック）して\r\n")));
  QVERIFY(!home.Exists(QStringLiteral("new.out")));

  // Nothing ticked and Yes: the window closes, nothing is downloaded, no completion message.
  script.Then(
      [&](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Command_Download"))->click(); });
  script.Answer(QMessageBox::Yes);
  s.window.findChild<QAction*>(QStringLiteral("menu_check_out"))->trigger();
  QVERIFY(script.Done());
  QCOMPARE(script.boxes.size(), size_t(3));
  QVERIFY(!home.Exists(QStringLiteral("new.out")));
  QVERIFY(script.unexpected.isEmpty());
}

void DownloadWindowTest::everythingCurrentClosesTheWindowItself() {
  UpdateSite site;
  // Output types only: the newer board definition is not even compared.
  site.server.ServeFile("/update/version",
                        Cp932(u"_yahoo.bbs,標準の掲示板,99\r\n_html.out,HTML,0\r\n"));
  ProgramHome home;
  QDir().mkpath(home.path(QStringLiteral("data")));
  ModalScript script;
  Session s(home);
  s.window.Load();
  script.Answer(QMessageBox::Ok);
  s.window.findChild<QAction*>(QStringLiteral("menu_check_out"))->trigger();
  QVERIFY(script.Done());
  QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(QLatin1Char('\n'))));
  QCOMPARE(script.boxes.size(), size_t(1));
  QCOMPARE(script.boxes[0].text,
           QString::fromUtf16(u"更新対象のファイルは有りません\r\n全て最新バージョンです"));
  QCOMPARE(script.boxes[0].icon, QMessageBox::Information);
  QVERIFY(!QApplication::activeModalWidget());
  QVERIFY(s.find<QPushButton>("Command_Run")->isEnabled());
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallJapaneseTranslations(app);
  DownloadWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "download_window_test.moc"
