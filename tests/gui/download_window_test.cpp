// The definition update from the menus against a loopback update site: the download window's
// rows, its two buttons and their questions, and the window closing itself when all is current.
#include <QComboBox>
#include <QListWidget>

#include "gui_support.h"
#include "support/board_server.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;

namespace {

const char16_t kNewOutput[] =
    u"[basic]\r\nname=新しい出力\r\nmark=txt\r\nversion=1\r\n\r\n[html1]\r\n\r\n[html2]\r\n"
    u"<@BODY>\r\n\r\n[html3]\r\n\r\n";

// The update site on the loopback board server, with its version list, and a started window.
struct Updates {
  explicit Updates(const char16_t* version) {
    qputenv("PELLUCOR_UPDATE_URL", QByteArray::fromStdString(server.base() + "/update/"));
    server.ServeFile("/update/version", EncodeCp932(version));
    server.ServeFile("/update/new.out", EncodeCp932(kNewOutput));
  }
  ~Updates() { qunsetenv("PELLUCOR_UPDATE_URL"); }
  pellucor::testing::BoardServer server;
  ProgramHome home;
  ModalScript script;
  Session s{home};
};

}  // namespace

class DownloadWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void choicesOfTheDownloadWindow();
  void everythingCurrentClosesTheWindowItself();
};

void DownloadWindowTest::choicesOfTheDownloadWindow() {
  Updates u(u"_yahoo.bbs,標準の掲示板,99\r\nnew.out,新しい出力形式,1\r\n_html.out,HTML,0\r\n");
  std::string old_bbs = u.home.ReadFile("_yahoo.bbs");
  int outputs_before = u.s.find<QComboBox>("Combo_out")->count();
  QStringList rows;
  bool locked = false, stayed = false;
  u.script.Then([&](QWidget* w) {
    locked = !u.s.enabled("Command_Run");
    auto* list = w->findChild<QListWidget*>(QStringLiteral("List_download"));
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    ClickIn(w, "Command_Download");  // nothing ticked: No keeps the window, with a hint
    stayed = w->isVisible();
    list->item(1)->setCheckState(Qt::Checked);
    ClickIn(w, "Command_Download");
  });
  u.script.Answer(QMessageBox::No);
  u.script.Answer(QMessageBox::Ok);
  u.script.Answer(QMessageBox::Ok);
  u.s.trigger("menu_check_multi");
  QVERIFY(u.script.Done());
  EXPECT_NO_STRAYS(u.script);
  QVERIFY(locked && stayed);
  QCOMPARE(rows.size(), 2);
  QVERIFY(rows[0].startsWith(U(u"更新　_yahoo.bbs(標準の掲示板) 前回更新日:")));
  QCOMPARE(rows[1], U(u"新規　new.out(新しい出力形式)"));
  QCOMPARE(u.script.boxes.size(), size_t(3));
  QCOMPARE(u.script.boxes[0].text,
           U(u"何も選択されていません。ダウンロード処理をキャンセルしますか？"));
  QVERIFY(u.script.boxes[1].text.startsWith(U(u"一覧より、ダウンロードしたい設定ファイルを")));
  QCOMPARE(u.script.boxes[2].text, U(u"処理が完了しました"));
  QCOMPARE(u.home.ReadFile("new.out"), EncodeCp932(kNewOutput));
  QCOMPARE(u.home.ReadFile("_yahoo.bbs"), old_bbs);  // not ticked
  QCOMPARE(u.s.find<QComboBox>("Combo_out")->count(), outputs_before + 1);
  QVERIFY(u.s.enabled("Command_Run") && !u.s.enabled("Command_Cancel"));
}

void DownloadWindowTest::everythingCurrentClosesTheWindowItself() {
  // Output types only: the newer board definition is not even compared.
  Updates u(u"_yahoo.bbs,標準の掲示板,99\r\n_html.out,HTML,0\r\n");
  u.script.Answer(QMessageBox::Ok);
  u.s.trigger("menu_check_out");
  QVERIFY(u.script.Done());
  EXPECT_NO_STRAYS(u.script);
  QCOMPARE(u.script.boxes.size(), size_t(1));
  QCOMPARE(u.script.boxes[0].text, U(u"更新対象のファイルは有りません\r\n全て最新バージョンです"));
  QVERIFY(!QApplication::activeModalWidget());
}

PELLUCOR_GUI_TEST_MAIN(DownloadWindowTest)

#include "download_window_test.moc"
