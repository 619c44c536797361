#include "form_download.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "qt_text.h"

namespace pellucor::gui {
namespace {

QString S(const char16_t* s) {
  return QString::fromUtf16(s);
}

}  // namespace

Form_download::Form_download(DownloadList& list, Ui& ui, QWidget* parent)
    : QDialog(parent), list_(list), ui_(ui), rows_(BuildDownloadRows(list)) {
  setObjectName(QStringLiteral("Form_download"));
  setWindowTitle(S(u"設定ファイルダウンロード"));
  setModal(true);
  auto* column = new QVBoxLayout(this);
  list_widget_ = new QListWidget;
  list_widget_->setObjectName(QStringLiteral("List_download"));
  list_widget_->setToolTip(S(u"更新する設定ファイルをチェックしてください"));
  list_widget_->setMinimumSize(520, 220);
  for (const DownloadRow& row : rows_) {
    auto* item = new QListWidgetItem(Q(row.text), list_widget_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  if (!rows_.empty()) list_widget_->setCurrentRow(0);
  column->addWidget(list_widget_);

  auto* buttons = new QHBoxLayout;
  auto* download = new QPushButton(S(u"ダウンロード(&D)"));
  download->setObjectName(QStringLiteral("Command_Download"));
  download->setToolTip(S(u"設定ファイルをダウンロードします"));
  auto* back = new QPushButton(S(u"戻る(&B)"));
  back->setObjectName(QStringLiteral("Command_Back"));
  back->setToolTip(S(u"処理をキャンセルします"));
  download->setAutoDefault(false);
  back->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(download);
  buttons->addWidget(back);
  column->addLayout(buttons);
  connect(download, &QPushButton::clicked, this, [this] { DownloadCommand(); });
  connect(back, &QPushButton::clicked, this, [this] { BackCommand(); });
}

int Form_download::exec() {
  if (rows_.empty()) {
    ShowNothingToUpdate(ui_);
    return Rejected;
  }
  return QDialog::exec();
}

void Form_download::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) {
    QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

void Form_download::DownloadCommand() {
  std::vector<bool> ticked;
  for (int i = 0; i < list_widget_->count(); ++i)
    ticked.push_back(list_widget_->item(i)->checkState() == Qt::Checked);
  if (ConfirmDownloadSelection(ui_, list_, rows_, ticked)) accept();
}

void Form_download::BackCommand() {
  reject();
}

}  // namespace pellucor::gui
