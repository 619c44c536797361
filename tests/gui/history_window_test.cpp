// The history window over the history list: newest first, put back, delete, comment, the
// popup with the row under the pointer selected first.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "form_record.h"
#include "gui_support.h"
#include "history/store.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;

namespace {

HistoryRecord Job(const Text& title, const Text& when, const Text& last) {
  HistoryRecord r;
  r.url1 = u"http://b.example/m?mid=";
  r.url2 = u"&t=" + title;
  r.fromNumber = u"1";
  r.toNumber = last;
  r.maxMsg = u"1";
  r.boardFile = u"_yahoo.bbs";
  r.outputTypeFile = u"text.out";
  r.outputPath = u"/tmp/" + title + u".txt";
  r.topicToFilename = u"0";
  r.createTitleIndex = u"1";
  r.noOutBlank = u"0";
  r.divide = u"1";
  r.divideKind = u"1";
  r.divideCount = u"300";
  r.splitKey = u"1";
  r.fileMessageCount = u"0";
  r.divideDateKind = u"2";
  r.divideFileSize = u"500";
  r.boardName = u"EUC-JP掲示板（標準）";
  r.title = title;
  r.lastMessage = last;
  r.lastRunTime = when;
  r.totalMessages = last;
  r.totalSeconds = u"10";
  return r;
}

void PrepareHome(ProgramHome& home, const HistoryList& list) {
  QDir().mkpath(home.path(QStringLiteral("data")));
  home.WriteFile(QStringLiteral("record.dat"), SerializeHistory(list));
}

QListWidget* ListOf(QWidget* w) {
  return w->findChild<QListWidget*>(QStringLiteral("List_Recod"));
}

}  // namespace

class HistoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void listIsNewestFirstAndPutBackFillsTheMainWindow();
  void deleteAndComment();
  void popupSelectsTheRowUnderThePointer();
  void deletingTheOnlyEntryClosesTheWindow();
};

void HistoryWindowTest::listIsNewestFirstAndPutBackFillsTheMainWindow() {
  ProgramHome home;
  PrepareHome(home,
              {Job(u"古い", u"2001/01/02 03:04:05", u"10"),
               Job(u"新しい", u"2001/05/06 07:08:09", u"150"), Job(u"日付なし", u"unknown", u"3")});
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  QStringList lines;
  bool fixed_pitch = false;
  script.Then([&](QWidget* w) {
    QCOMPARE(w->windowTitle(), QString::fromUtf16(u"履歴"));
    QListWidget* list = ListOf(w);
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    // Byte-fitted columns line up only when a full-width character is two half-width ones.
    QFontMetrics m(list->font());
    fixed_pitch =
        m.horizontalAdvance(QLatin1Char('i')) == m.horizontalAdvance(QLatin1Char('W')) &&
        m.horizontalAdvance(QString::fromUtf16(u"掲")) == 2 * m.horizontalAdvance(QLatin1Char('W'));
    QCOMPARE(list->currentRow(), 0);
    w->findChild<QPushButton*>(QStringLiteral("Command_Set"))->click();
  });
  QTest::mouseClick(s.find<QPushButton>("Command_Record"), Qt::LeftButton);
  QVERIFY(script.Done());
  QVERIFY(script.unexpected.isEmpty());
  QCOMPARE(lines.size(), 3);
  QVERIFY(lines[0].startsWith(QStringLiteral("05/06 07:08 (150)  \t")));
  QVERIFY(lines[1].startsWith(QStringLiteral("01/02 03:04 (10)   \t")));
  QVERIFY(lines[2].endsWith(QString::fromUtf16(u"日付なし")));
  QVERIFY(fixed_pitch);

  // The newest job is back in the main window, ready to continue after message 150.
  QCOMPARE(s.text("Text_url2"), QString::fromUtf16(u"&t=新しい"));
  QCOMPARE(s.text("Text_from"), QStringLiteral("151"));
  QCOMPARE(s.text("Text_to"), QStringLiteral("151"));
  QCOMPARE(s.text("Text_out"), QString::fromUtf16(u"/tmp/新しい.txt"));
  QCOMPARE(s.text("Text_devidecnt"), QStringLiteral("300"));
  QCOMPARE(s.text("Text_devidefilesize"), QStringLiteral("500"));
  QVERIFY(s.find<QCheckBox>("Check_devide")->isChecked());
  QVERIFY(s.find<QCheckBox>("Check_CreateTitleIndex")->isChecked());
  QVERIFY(s.find<QCheckBox>("Check_MaxMsg")->isChecked());
  QVERIFY(!s.find<QLineEdit>("Text_to")->isEnabled());
  QCOMPARE(s.find<QComboBox>("Combo_devidedatekind")->currentIndex(), 2);
  QCOMPARE(
      s.find<QComboBox>("Combo_out")->currentText(),
      s.find<QComboBox>("Combo_out")->itemText(s.find<QComboBox>("Combo_out")->currentIndex()));
  QCOMPARE(QS(s.window.catalog().outputs.at(s.find<QComboBox>("Combo_out")->currentIndex()).file),
           QStringLiteral("text.out"));

  // A double click asks first; No keeps the window open.
  script.Then([&](QWidget* w) {
    QListWidget* list = ListOf(w);
    list->setCurrentRow(1);
    QRect rect = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QVERIFY(w->isVisible());
    w->findChild<QPushButton*>(QStringLiteral("Command_Cancel"))->click();
  });
  script.Answer(QMessageBox::No);
  QTest::mouseClick(s.find<QPushButton>("Command_Record"), Qt::LeftButton);
  QVERIFY(script.Done());
  QCOMPARE(script.boxes.size(), size_t(1));
  QCOMPARE(script.boxes[0].title, QString::fromUtf16(u"Pellucor - 履歴詳細"));
  QVERIFY(script.boxes[0].text.startsWith(QString::fromUtf16(u"タイトル : 古い\r\n")));
  QVERIFY(script.boxes[0].text.endsWith(
      QString::fromUtf16(u"\r\n選択された履歴をメイン画面にセットしますか？")));
  QCOMPARE(s.text("Text_from"), QStringLiteral("151"));
}

void HistoryWindowTest::deleteAndComment() {
  ProgramHome home;
  PrepareHome(home,
              {Job(u"一", u"2001/01/01 00:00:00", u"1"), Job(u"二", u"2001/01/02 00:00:00", u"2"),
               Job(u"三", u"2001/01/03 00:00:00", u"3")});
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  int count_after_delete = -1, row_after_delete = -1, count_after_no = -1;
  QString commented;
  script.Then([&](QWidget* w) {
    QListWidget* list = ListOf(w);
    // The last line, deleted with the Delete key: the new last line is selected.
    list->setCurrentRow(2);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    count_after_delete = list->count();
    row_after_delete = list->currentRow();
    // The button, answered No: nothing changes.
    w->findChild<QPushButton*>(QStringLiteral("Command_Delete"))->click();
    count_after_no = list->count();
    // A comment through the popup's item.
    w->findChild<QAction*>(QStringLiteral("ListPop_EditComment"))->trigger();
    commented = list->item(list->currentRow())->text();
    w->findChild<QPushButton*>(QStringLiteral("Command_Cancel"))->click();
  });
  script.Answer(QMessageBox::Yes);
  script.Answer(QMessageBox::No);
  script.Input(QString::fromUtf16(u"続きは来週"));
  QTest::mouseClick(s.find<QPushButton>("Command_Record"), Qt::LeftButton);
  QVERIFY(script.Done());
  QVERIFY(script.unexpected.isEmpty());
  QCOMPARE(count_after_delete, 2);
  QCOMPARE(row_after_delete, 1);
  QCOMPARE(count_after_no, 2);
  QCOMPARE(script.boxes[0].title, QString::fromUtf16(u"Pellucor - 削除確認"));
  QVERIFY(script.boxes[0].text.endsWith(
      QString::fromUtf16(u"選択された履歴を削除してよろしいですか？")));
  QCOMPARE(script.boxes[2].title, QString::fromUtf16(u"Pellucor - コメント編集"));
  QCOMPARE(script.boxes[2].text, QString::fromUtf16(u"コメントを編集してください"));
  QVERIFY(commented.endsWith(QString::fromUtf16(u"\t続きは来週")));

  const HistoryList& history = s.window.program().history;
  QCOMPARE(history.size(), size_t(2));
  QCOMPARE(QS(history[0].title), QString::fromUtf16(u"三"));
  QCOMPARE(QS(history[1].title), QString::fromUtf16(u"二"));
  QCOMPARE(QS(history[1].comment), QString::fromUtf16(u"続きは来週"));
  // record.dat changes only when the history is saved (here: the end of the program).
  QCOMPARE(DecodeCp932(home.ReadFile(QStringLiteral("record.dat"))).find(u"続きは来週"),
           Text::npos);
  s.window.close();
  QVERIFY(DecodeCp932(home.ReadFile(QStringLiteral("record.dat"))).find(u"続きは来週") !=
          Text::npos);
}

void HistoryWindowTest::popupSelectsTheRowUnderThePointer() {
  ProgramHome home;
  PrepareHome(home,
              {Job(u"一", u"2001/01/01 00:00:00", u"1"), Job(u"二", u"2001/01/02 00:00:00", u"2")});
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  int row = -1;
  QStringList disabled;
  QStringList items;
  script.Then([&](QWidget* w) {
    auto* record = qobject_cast<Form_record*>(w);
    QListWidget* list = ListOf(w);
    QCOMPARE(list->currentRow(), 0);
    record->ShowPopupAt(list->visualItemRect(list->item(1)).center());
    row = list->currentRow();
    for (QAction* a : record->popup()->actions()) {
      items << a->text();
      if (!a->isEnabled()) disabled << a->objectName();
    }
    record->popup()->close();
    w->findChild<QPushButton*>(QStringLiteral("Command_Cancel"))->click();
  });
  QTest::mouseClick(s.find<QPushButton>("Command_Record"), Qt::LeftButton);
  QVERIFY(script.Done());
  QCOMPARE(row, 1);
  QCOMPARE(items.size(), 9);
  QCOMPARE(items.first(), QString::fromUtf16(u"詳細情報表示"));
  QCOMPARE(items.last(), QString::fromUtf16(u"履歴削除"));
  QCOMPARE(disabled, (QStringList{QStringLiteral("ListPop_CheckNew"),
                                  QStringLiteral("ListPop_AutoPilotChange")}));
}

void HistoryWindowTest::deletingTheOnlyEntryClosesTheWindow() {
  ProgramHome home;
  PrepareHome(home, {Job(u"一", u"2001/01/01 00:00:00", u"1")});
  ModalScript script;
  Session s(home);
  s.window.Load();
  s.window.show();
  s.window.activateWindow();
  script.Then(
      [&](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("Command_Delete"))->click(); });
  script.Answer(QMessageBox::Yes);
  QTest::mouseClick(s.find<QPushButton>("Command_Record"), Qt::LeftButton);
  QVERIFY(script.Done());
  QVERIFY(s.window.program().history.empty());
  // The next history command has nothing to show.
  script.Answer(QMessageBox::Ok);
  s.window.findChild<QAction*>(QStringLiteral("menu_record_download"))->trigger();
  QCOMPARE(script.boxes.back().text, QString::fromUtf16(u"履歴情報は有りません\r\n"));
  s.window.close();
  QVERIFY(!home.Exists(QStringLiteral("record.dat")));
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallJapaneseTranslations(app);
  HistoryWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "history_window_test.moc"
