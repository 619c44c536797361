// The history and download windows over their logic, and the message boxes, input box and busy
// pointer every window uses.
#include "app/settings.h"
#include "form_record.h"
#include "gui_support.h"
#include "history/patrol_marks.h"
#include "history/store.h"
#include "platform/xdg_shell.h"
#include "shell_tasks.h"
#include "support/board_server.h"

using namespace pellucor;
using namespace pellucor::gui;
using namespace pellucor::gui::testing;
using B = QMessageBox;

namespace {

HistoryRecord JobRecord(const Text& title, const Text& when, const Text& last) {
  HistoryRecord r;
  r.url1 = u"http://b.example/m?mid=", r.boardFile = u"_yahoo.bbs", r.outputTypeFile = u"text.out";
  r.fromNumber = r.maxMsg = r.divide = u"1";
  r.toNumber = r.lastMessage = r.totalMessages = last;
  r.outputPath = u"/tmp/" + title + u".txt", r.title = title, r.lastRunTime = when;
  return r;
}
// Triggers the action `name` of the window `w`.
void Act(QWidget* w, const char* name) {
  w->findChild<QAction*>(name)->trigger();
}

const char16_t kNewOutput[] =
    u"[basic]\r\nname=新しい出力\r\nmark=txt\r\nversion=1\r\n\r\n[html1]\r\n\r\n[html2]\r\n"
    u"<@BODY>\r\n\r\n[html3]\r\n\r\n";

}  // namespace

class ToolWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void historyPopupCommentDeleteAndPutBack();
  void patrolItemsAndLogButton();
  void downloadChoices();
  void buttonsAnswerThemselves_data();
  void buttonsAnswerThemselves();
  void inputBoxAndBusyPointer();
  void failingOpenerIsReportedWithoutFreezing();
  void greetingLinesShowWhole();
};

void ToolWindowsTest::historyPopupCommentDeleteAndPutBack() {
  ProgramHome home;
  home.Write(u"record.dat",
             SerializeHistory({JobRecord(u"古い", u"2001/01/02 03:04:05", u"10"),
                               JobRecord(u"日付なし", u"unknown", u"3"),
                               JobRecord(u"新しい", u"2001/05/06 07:08:09", u"150")}));
  ModalScript script;
  Session s(home);
  QStringList disabled;
  QString first_line;
  bool fixed_pitch = false;
  int row = -1, count_after_delete = -1;
  script.Then([&](QWidget* w) {
    auto* record = qobject_cast<Form_record*>(w);
    auto* list = w->findChild<QListWidget*>("List_Recod");
    first_line = list->item(0)->text();
    // Byte-fitted columns line up only when a full-width character is two half-width ones.
    QFontMetrics m(list->font());
    int wide = m.horizontalAdvance('W');
    fixed_pitch = m.horizontalAdvance('i') == wide && m.horizontalAdvance(U(u"掲")) == 2 * wide;
    // The popup first selects the row under the pointer; its comment item edits that row.
    record->ShowPopupAt(list->visualItemRect(list->item(1)).center());
    row = list->currentRow();
    for (QAction* a : record->popup()->actions())
      if (!a->isEnabled()) disabled << a->objectName();
    record->popup()->close();
    Act(w, "ListPop_EditComment");
    // The last line, deleted with the Delete key.
    list->setCurrentRow(2);
    QTest::keyClick(list, Qt::Key_Delete);
    count_after_delete = list->count();
    list->setCurrentRow(0);
    ClickIn(w, "Command_Set");
  });
  script.Input(U(u"続きは来週"));
  script.Answer(QMessageBox::Yes);
  s.click("Command_Record");
  EXPECT_SCRIPT_DONE(script);
  // Newest first, behind the empty patrol columns.
  QVERIFY(first_line.startsWith(QStringLiteral("        05/06 07:08 (150)  \t")) && fixed_pitch);
  QVERIFY(row == 1 && disabled.isEmpty() && count_after_delete == 2);
  QCOMPARE(QS(s.window.program().history.at(1).comment), U(u"続きは来週"));
  // The newest job is back in the main window, ready to continue after message 150.
  QCOMPARE(s.text("Text_from"), QStringLiteral("151"));
  // record.dat changes when the program ends.
  s.window.close();
  QVERIFY(DecodeCp932(home.Read(u"record.dat")).find(u"続きは来週") != Text::npos);
}

void ToolWindowsTest::patrolItemsAndLogButton() {
  pellucor::testing::BoardServer board({.count = 12});
  ProgramHome home;
  HistoryRecord job = JobRecord(u"巡回", u"2001/05/06 07:08:09", u"10");
  job.url1 = FromUtf8(board.url1());
  job.divide = u"0";
  job.outputPath = home.Path(u"patrol/out.txt");
  home.Write(u"record.dat",
             SerializeHistory({job, JobRecord(u"別", u"2001/01/02 03:04:05", u"3")}));
  home.Write(u"pellu.ini", "[main]\r\nproxy=1\r\n");
  ModalScript script;
  Session s(home);
  script.Answer(QMessageBox::Ok);
  s.click("Command_Error_LogView");
  QTRY_VERIFY(script.Done());
  home.Write(u"error.log", "x\r\n");
  s.click("Command_Error_LogView");
  QStringList lines;
  script.Then([&](QWidget* w) {
    auto* list = w->findChild<QListWidget*>("List_Recod");
    list->setCurrentRow(0);
    for (const char* action : {"ListPop_AutoPilotChange", "ListPop_CheckNew"}) Act(w, action);
    lines << list->item(0)->text();
    list->setCurrentRow(1);  // on and off again
    for (int i = 0; i < 2; ++i) Act(w, "ListPop_AutoPilotChange");
    ClickIn(w, "Command_Cancel");
  });
  s.click("Command_Record");
  EXPECT_SCRIPT_DONE(script);
  QCOMPARE(script.boxes.size(), size_t{1});
  QCOMPARE(script.boxes[0].text, U(u"エラーログはありません"));
  QTRY_COMPARE(s.shell.Targets(pellucor::testing::RecordingShell::Kind::Edit),
               std::vector<Text>{home.Path(u"error.log")});
  QVERIFY2(lines.value(0).startsWith(U(u"◎+2    05/06")), qPrintable(lines.value(0)));  // 11, 12
  QCOMPARE(board.RequestCount(11), 1);
  // The mark is kept beside record.dat, for the first job only.
  PatrolMarks marks = PatrolMarks::Load(PatrolMarksPath(home.Dir()));
  QVERIFY(marks.IsMarked(job) && marks.size() == 1);

  // The menu's patrol continues the marked job and sums up.
  QDir().mkpath(QS(home.Path(u"patrol")));
  script.Answer(QMessageBox::Ok);
  s.trigger("menu_record_patrol");
  QTRY_VERIFY(!s.window.IsBusy());
  EXPECT_SCRIPT_DONE(script);
  QVERIFY2(script.boxes.back().text.endsWith(U(u"巡回 : 2件追加 完了")),
           qPrintable(script.boxes.back().text));
  // The main window's job is not touched.
  QVERIFY(s.text("Text_url1") == QS(kDefaultUrl1) && s.enabled("Command_Run"));
  QVERIFY(home.Read(u"patrol/out.txt").size() > 200);

  // The wait beside the network settings: refused when it is no number of seconds, kept apart
  // from the 24 keys.
  QCOMPARE(s.text("Text_Wait"), QStringLiteral("0"));
  s.set("Text_Wait", "x");
  script.Answer(QMessageBox::Ok);
  s.click("Command_Run");
  EXPECT_SCRIPT_DONE(script);
  QCOMPARE(script.boxes.back().text, U(u"アクセス間隔は0～3600秒の範囲で指定してください"));
  s.set("Text_Wait", "0.5");
  s.window.close();
  QVERIFY(home.Read(u"pellu.ini").find("[pellucor]\r\nwait=0.5\r\n") != std::string::npos);
}

void ToolWindowsTest::downloadChoices() {
  pellucor::testing::BoardServer site;
  site.ServeFile("/update/version",
                 EncodeCp932(u"_yahoo.bbs,標準の掲示板,99\r\n"
                             u"new.out,新しい出力形式,1\r\n_html.out,HTML,0\r\n"));
  site.ServeFile("/update/new.out", EncodeCp932(kNewOutput));
  qputenv("PELLUCOR_UPDATE_URL", QByteArray::fromStdString(site.base() + "/update/"));
  ProgramHome home;
  ModalScript script;
  Session s(home);
  std::string old_bbs = home.Read(u"_yahoo.bbs");
  int outputs_before = s.find<QComboBox>("Combo_out")->count();
  bool locked = false;
  script.Then([&](QWidget* w) {
    locked = !s.enabled("Command_Run");
    w->findChild<QListWidget*>("List_download")->item(1)->setCheckState(Qt::Checked);
    ClickIn(w, "Command_Download");
  });
  script.Answer(QMessageBox::Ok);
  s.trigger("menu_check_multi");
  QTRY_VERIFY(!s.window.IsBusy());
  EXPECT_SCRIPT_DONE(script);
  QVERIFY(locked);
  QCOMPARE(script.boxes.at(0).text, U(u"処理が完了しました"));
  QCOMPARE(home.Read(u"new.out"), EncodeCp932(kNewOutput));
  QCOMPARE(home.Read(u"_yahoo.bbs"), old_bbs);  // not ticked
  QCOMPARE(s.find<QComboBox>("Combo_out")->count(), outputs_before + 1);
  QVERIFY(s.enabled("Command_Run") && !s.enabled("Command_Cancel"));
}

void ToolWindowsTest::buttonsAnswerThemselves_data() {
  QTest::addColumn<int>("set");
  QTest::addColumn<int>("icon");
  QTest::addColumn<int>("press");  // NoButton: the close box (Escape)
  QTest::addColumn<int>("answer");
  QTest::addColumn<QString>("shown");  // the pressed button's text
  auto row = [](const char* name, Buttons set, Icon icon, int press, Answer answer, QString shown) {
    QTest::newRow(name) << int(set) << int(icon) << press << int(answer) << shown;
  };
  row("Ok", Buttons::Ok, Icon::Information, B::Ok, Answer::Ok, "OK");
  row("YesNo, No", Buttons::YesNo, Icon::Exclamation, B::No, Answer::No, U(u"いいえ"));
  row("Abort", Buttons::AbortRetryIgnore, Icon::Critical, B::Abort, Answer::Abort, U(u"中止"));
  row("Ignore", Buttons::AbortRetryIgnore, Icon::Question, B::Ignore, Answer::Ignore, U(u"無視"));
  row("RetryCancel", Buttons::RetryCancel, Icon::Critical, B::Retry, Answer::Retry, U(u"再試行"));
  row("close box, YesNo", Buttons::YesNo, Icon::Question, B::NoButton, Answer::No, "");
  row("close box, Abort", Buttons::AbortRetryIgnore, Icon::Critical, B::NoButton, Answer::Abort,
      "");
  row("close box, OkCancel", Buttons::OkCancel, Icon::Critical, B::NoButton, Answer::Cancel, "");
}

void ToolWindowsTest::buttonsAnswerThemselves() {
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
  EXPECT_SCRIPT_DONE(script);
  if (press == B::NoButton) return;
  const SeenBox& box = script.boxes.at(0);
  const B::Icon icons[] = {B::NoIcon, B::Critical, B::Question, B::Warning, B::Information};
  QVERIFY(box.title == U(u"エラー") && box.text == U(u"本文\r\n二行目") && box.icon == icons[icon]);
  QVERIFY2(box.buttons.join(' ').contains(shown), qPrintable(box.buttons.join(' ')));
}

void ToolWindowsTest::inputBoxAndBusyPointer() {
  {
    QtUi ui;
    ModalScript script;
    script.Input(U(u"新しい"));
    QCOMPARE(ui.InputBox(u"p", u"t", u"古い"), std::optional<Text>(u"新しい"));
    QCOMPARE(script.boxes.at(0).text, U(u"古い"));  // the initial text, shown
    script.Input("ignored", false);
    QVERIFY(!ui.InputBox(u"p", u"t", u"x").has_value());
    script.Input("");  // an accepted empty text is an empty answer, not a cancel
    QCOMPARE(ui.InputBox(u"p", u"t", u"x"), std::optional<Text>(u""));

    for (bool busy : {true, true, false}) ui.SetBusy(busy);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    for (bool busy : {false, false, true}) ui.SetBusy(busy);  // one release too many: no effect
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  QVERIFY(!QApplication::overrideCursor());  // a Ui that goes away leaves none behind
}

void ToolWindowsTest::failingOpenerIsReportedWithoutFreezing() {
  // An opener that gives up after a while, as xdg-open does when nothing can show a folder.
  ProgramHome home;
  home.Write(u"opener", "#!/bin/sh\nsleep 0.3\nexit 4\n");
  QFile::setPermissions(QS(home.Path(u"opener")), QFile::ReadOwner | QFile::ExeOwner);
  XdgShell opener_shell(ToUtf8(home.Path(u"opener")), "");
  home.Write(u"record.dat", SerializeHistory({JobRecord(u"古い", u"2001/01/02 03:04:05", u"10")}));
  ModalScript script;
  Session s(home);
  GuiThreadUi ui(s.ui);
  ShellTasks tasks(ui, opener_shell);
  Form_record record(s.window.program().history, s.window, ui, tasks.Runner(), s.window.catalog());
  int ticks = 0, ticks_at_box = -1;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(10);
  QString shown;
  script.Then([&](QWidget* w) {
    ticks_at_box = ticks;
    auto* box = qobject_cast<QMessageBox*>(w);
    shown = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  // The folder, then the file manager: both fail, and the window kept running meanwhile; the
  // command itself returns at once, with nothing waiting on the window's thread.
  Act(&record, "ListPop_OpenFolder");
  QVERIFY(!script.Done());
  QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 10000);
  EXPECT_SCRIPT_DONE(script);
  QCOMPARE(shown, U(u"開けませんでした"));
  QVERIFY2(ticks_at_box >= 20, qPrintable(QString::number(ticks_at_box)));
}

void ToolWindowsTest::greetingLinesShowWhole() {
  // The longest texts of the system: every line of the first-run greeting on one line of its
  // own.
  QTemporaryDir dir;
  QtUi ui;
  ModalScript script;
  QStringList cut;
  script.Then([&](QWidget* w) {
    auto* label = w->findChild<QLabel*>("qt_msgbox_label");
    for (const QString& line : label->text().split(QRegularExpression("\r\n|\n")))
      if (label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width()) cut << line;
    qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
  });
  QVERIFY(FirstRunGreeting(dir.path().toStdU16String() + u"/", ui));
  EXPECT_SCRIPT_DONE(script);
  QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
}

PELLUCOR_GUI_TEST_MAIN(ToolWindowsTest)

#include "tool_windows_test.moc"
