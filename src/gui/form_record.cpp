#include "form_record.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/form_values.h"
#include "app/patrol.h"
#include "app/program.h"
#include "platform/ui.h"
#include "qt_text.h"

namespace pellucor::gui {
namespace {

QString S(const char16_t* s) {
  return QString::fromUtf16(s);
}

// The list's columns are fitted in code page 932 bytes, so a full-width character must be
// exactly two half-width ones wide.
QFont ListFont() {
  QFont font(QStringLiteral("Noto Sans Mono CJK JP"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  if (!QFontDatabase::families().contains(font.family()))
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  return font;
}

}  // namespace

Form_record::Form_record(HistoryList& list, MainForm& form, Ui& ui, ShellRunner shell,
                         const DefinitionCatalog& catalog, QWidget* parent)
    : QDialog(parent),
      window_(
          list, [&form](const PutBack& v) { ApplyPutBack(form, v); }, ui, std::move(shell),
          catalog),
      list_entries_(list),
      ui_(ui) {
  setObjectName(QStringLiteral("Form_record"));
  setWindowTitle(S(u"履歴"));
  setModal(true);
  auto* column = new QVBoxLayout(this);
  list_ = new QListWidget;
  list_->setObjectName(QStringLiteral("List_Recod"));
  list_->setFont(ListFont());
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->installEventFilter(this);
  list_->setMinimumSize(720, 280);
  column->addWidget(list_);

  auto* label1 = new QLabel(S(u"※リストを右クリックするとポップアップメニューが表示されます"));
  label1->setObjectName(QStringLiteral("Label1"));
  column->addWidget(label1);

  auto* buttons = new QHBoxLayout;
  auto make = [&](const char* name, const QString& caption, const QString& tip) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* set = make("Command_Set", S(u"メイン画面に設定(&E)"),
                          S(u"選択された履歴を前のメイン画面にセットします"));
  QPushButton* del = make("Command_Delete", S(u"選択された履歴を削除(&D)"), S(u"履歴を削除します"));
  buttons->addStretch();
  QPushButton* back = make("Command_Cancel", S(u"戻る(&C)"), S(u"このフォームを閉じます"));
  column->addLayout(buttons);

  popup_ = new QMenu(S(u"リストポップアップ"), this);
  popup_->setObjectName(QStringLiteral("ListPop"));
  auto item = [this](const char* name, const QString& caption, std::function<void()> fn) {
    QAction* a = popup_->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [fn] { fn(); });
    return a;
  };
  item("ListPop_DispDetail", S(u"詳細情報表示"), [this] { window_.ShowDetail(); });
  item("ListPop_SetMain", S(u"メイン画面に設定"), [this] { SetMainCommand(); });
  item("ListPop_OpenUrl", S(u"ブラウザで対象トピックを開く"), [this] { window_.OpenTopic(); });
  item("ListPop_OpenFile", S(u"ブラウザで出力結果を開く"), [this] { window_.OpenOutput(); });
  item("ListPop_OpenFolder", S(u"フォルダを開く"), [this] { window_.OpenFolder(); });
  item("ListPop_EditComment", S(u"コメント編集"), [this] { EditCommentCommand(); });
  item("ListPop_CheckNew", S(u"新規発言チェック"), [this] {
    CheckNewCommand();
  })->setEnabled(false);
  item("ListPop_AutoPilotChange", S(u"自動巡回ON/OFF"), [this] {
    TogglePatrolCommand();
  })->setEnabled(false);
  item("ListPop_Delete", S(u"履歴削除"), [this] { DeleteCommand(); });

  connect(set, &QPushButton::clicked, this, [this] { SetMainCommand(); });
  connect(del, &QPushButton::clicked, this, [this] { DeleteCommand(); });
  connect(back, &QPushButton::clicked, this, [this] { reject(); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { window_.Select(row); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { DoubleClickCommand(); });
  connect(list_, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowPopupAt(pos); });

  window_.Load();
  Refill();
}

Form_record::~Form_record() = default;

std::u16string Form_record::JobKey(const HistoryRecord& r) {
  return r.url1 + u'\n' + r.url2 + u'\n' + r.outputPath;
}

void Form_record::EnablePatrol(Program& program) {
  program_ = &program;
  marks_ = PatrolMarks::Load(PatrolMarksPath(program.directory));
  for (const char* name : {"ListPop_CheckNew", "ListPop_AutoPilotChange"})
    findChild<QAction*>(QString::fromLatin1(name))->setEnabled(true);
  Refill();
}

void Form_record::TogglePatrolCommand() {
  const int row = window_.Selection();
  if (!program_ || row < 0 || row >= static_cast<int>(list_entries_.size())) return;
  const HistoryRecord& r = list_entries_[row];
  marks_.Set(r, !marks_.IsMarked(r));
  const Text path = PatrolMarksPath(program_->directory);
  if (!marks_.Save(path)) {
    ui_.MessageBox(u"自動巡回の設定を保存できませんでした（" + path + u"）", kAppCaption,
                   Icon::Critical, Buttons::Ok);
    marks_ = PatrolMarks::Load(path);
  }
  Refill();
}

void Form_record::CheckNewCommand() {
  const int row = window_.Selection();
  if (!program_ || row < 0 || row >= static_cast<int>(list_entries_.size())) return;
  const HistoryRecord r = list_entries_[row];
  ui_.SetBusy(true);
  NewMessageCheck check = CheckNewMessages(*program_, r);
  ui_.SetBusy(false);
  checks_[JobKey(r)] = CheckColumnText(check);
  Refill();
  if (QListWidgetItem* item = list_->item(row))
    item->setToolTip(check.ok ? QString() : Q(check.error));
}

void Form_record::Refill() {
  QSignalBlocker block(list_);
  list_->clear();
  for (size_t i = 0; i < window_.Lines().size(); ++i) {
    const Text& line = window_.Lines()[i];
    if (!program_ || i >= list_entries_.size()) {
      list_->addItem(Q(line));
      continue;
    }
    auto check = checks_.find(JobKey(list_entries_[i]));
    list_->addItem(Q(PatrolListLine(line, marks_.IsMarked(list_entries_[i]),
                                    check == checks_.end() ? Text() : check->second)));
  }
  int selection = window_.Selection();
  list_->setCurrentRow(selection);
}

void Form_record::Apply(HistoryWindow::After after) {
  if (after == HistoryWindow::After::Close) {
    accept();
    return;
  }
  Refill();
}

void Form_record::SetMainCommand() {
  Apply(window_.SetMain());
}

void Form_record::DeleteCommand() {
  if (window_.Selection() < 0) return;
  const size_t before = list_entries_.size();
  HistoryWindow::After after = window_.Delete();
  if (program_ && list_entries_.size() != before) {
    // A deleted job loses its mark.
    marks_.KeepOnly(list_entries_);
    marks_.Save(PatrolMarksPath(program_->directory));
  }
  Apply(after);
}

void Form_record::DoubleClickCommand() {
  Apply(window_.DoubleClick());
}

void Form_record::EditCommentCommand() {
  window_.EditComment();
  Refill();
}

void Form_record::ShowPopupAt(const QPoint& pos) {
  if (QListWidgetItem* item = list_->itemAt(pos)) list_->setCurrentItem(item);
  popup_->popup(list_->viewport()->mapToGlobal(pos));
}

void Form_record::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) {
    QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

bool Form_record::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteCommand();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace pellucor::gui
