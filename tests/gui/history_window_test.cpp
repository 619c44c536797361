// The history window over the history list: newest first in a fixed-pitch font, the popup
// with the row under the pointer selected first, comment, delete and put back.
#include <QComboBox>
#include <QListWidget>
#include <QMenu>

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
  r.fromNumber = r.maxMsg = r.divide = u"1";
  r.toNumber = r.lastMessage = r.totalMessages = last;
  r.boardFile = u"_yahoo.bbs";
  r.outputTypeFile = u"text.out";
  r.outputPath = u"/tmp/" + title + u".txt";
  r.divideCount = u"300";
  r.divideDateKind = u"2";
  r.title = title;
  r.lastRunTime = when;
  return r;
}

}  // namespace

class HistoryWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void popupCommentDeleteAndPutBack();
};

void HistoryWindowTest::popupCommentDeleteAndPutBack() {
  ProgramHome home;
  home.WriteFile("record.dat", SerializeHistory({Job(u"古い", u"2001/01/02 03:04:05", u"10"),
                                                 Job(u"日付なし", u"unknown", u"3"),
                                                 Job(u"新しい", u"2001/05/06 07:08:09", u"150")}));
  ModalScript script;
  Session s(home);
  QStringList lines, disabled;
  bool fixed_pitch = false;
  int row = -1, count_after_delete = -1, count_after_no = -1;
  script.Then([&](QWidget* w) {
    auto* record = qobject_cast<Form_record*>(w);
    auto* list = w->findChild<QListWidget*>(QStringLiteral("List_Recod"));
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    // Byte-fitted columns line up only when a full-width character is two half-width ones.
    QFontMetrics m(list->font());
    int narrow = m.horizontalAdvance('i'), wide = m.horizontalAdvance('W');
    fixed_pitch = narrow == wide && m.horizontalAdvance(U(u"掲")) == 2 * wide;
    // The popup first selects the row under the pointer; its comment item edits that row.
    record->ShowPopupAt(list->visualItemRect(list->item(1)).center());
    row = list->currentRow();
    for (QAction* a : record->popup()->actions())
      if (!a->isEnabled()) disabled << a->objectName();
    record->popup()->close();
    w->findChild<QAction*>(QStringLiteral("ListPop_EditComment"))->trigger();
    lines << list->item(1)->text();
    // The last line, deleted with the Delete key; then the button, answered No.
    list->setCurrentRow(2);
    QTest::keyClick(list, Qt::Key_Delete);
    count_after_delete = list->count();
    ClickIn(w, "Command_Delete");
    count_after_no = list->count();
    list->setCurrentRow(0);
    ClickIn(w, "Command_Set");
  });
  script.Input(U(u"続きは来週"));
  script.Answer(QMessageBox::Yes);
  script.Answer(QMessageBox::No);
  s.click("Command_Record");
  QVERIFY(script.Done());
  EXPECT_NO_STRAYS(script);
  QVERIFY(lines.at(0).startsWith(QStringLiteral("05/06 07:08 (150)  \t")));
  QVERIFY(lines.at(1).startsWith(QStringLiteral("01/02 03:04 (10)   \t")));
  QVERIFY(lines.at(2).endsWith(U(u"日付なし")));
  QVERIFY(fixed_pitch);
  QCOMPARE(row, 1);
  QCOMPARE(disabled, (QStringList{"ListPop_CheckNew", "ListPop_AutoPilotChange"}));
  QCOMPARE(script.boxes.at(0).title, U(u"Pellucor - コメント編集"));
  QVERIFY(lines.at(3).endsWith(U(u"\t続きは来週")));
  QCOMPARE(script.boxes.at(1).title, U(u"Pellucor - 削除確認"));
  QCOMPARE(count_after_delete, 2);
  QCOMPARE(count_after_no, 2);
  const HistoryList& history = s.window.program().history;
  QCOMPARE(history.size(), size_t(2));
  QCOMPARE(QS(history[1].comment), U(u"続きは来週"));

  // The newest job is back in the main window, ready to continue after message 150.
  QCOMPARE(s.text("Text_url2"), U(u"&t=新しい"));
  QCOMPARE(s.text("Text_from"), QStringLiteral("151"));
  QCOMPARE(s.text("Text_out"), U(u"/tmp/新しい.txt"));
  QCOMPARE(s.text("Text_devidecnt"), QStringLiteral("300"));
  QVERIFY(s.checked("Check_devide") && s.checked("Check_MaxMsg") && !s.enabled("Text_to"));
  QCOMPARE(s.find<QComboBox>("Combo_devidedatekind")->currentIndex(), 2);
  QCOMPARE(QS(s.window.catalog().outputs.at(s.find<QComboBox>("Combo_out")->currentIndex()).file),
           QStringLiteral("text.out"));
  // record.dat changes when the program ends.
  s.window.close();
  QVERIFY(DecodeCp932(home.ReadFile("record.dat")).find(u"続きは来週") != Text::npos);
}

PELLUCOR_GUI_TEST_MAIN(HistoryWindowTest)

#include "history_window_test.moc"
