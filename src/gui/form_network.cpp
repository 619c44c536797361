#include "form_network.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "qt_text.h"

namespace pellucor::gui {
namespace {

QString S(const char16_t* s) {
  return QString::fromUtf16(s);
}

QLineEdit* Edit(const char* name, const QString& tip) {
  auto* e = new QLineEdit;
  e->setObjectName(QString::fromLatin1(name));
  e->setToolTip(tip);
  return e;
}

QLabel* Label(const char* name, const QString& caption) {
  auto* l = new QLabel(caption);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

}  // namespace

Form_network::Form_network(MainForm& form, Ui& ui, QWidget* parent)
    : QDialog(parent), form_(form), ui_(ui), original_(ReadNetworkValues(form)) {
  setObjectName(QStringLiteral("Form_network"));
  setWindowTitle(S(u"ネットワーク設定"));
  setModal(true);
  auto* column = new QVBoxLayout(this);

  auto* frame_proxy = new QGroupBox(S(u"プロキシサーバの設定"));
  frame_proxy->setObjectName(QStringLiteral("Frame_Proxy"));
  auto* px = new QGridLayout(frame_proxy);
  option_proxy_ = new QButtonGroup(this);
  const QString captions[3] = {S(u"既定値を使用"), S(u"使用しない"), S(u"使用する")};
  const QString tips[3] = {
      S(u"レジストリ内にある既定の設定値(IEの設定値)を使ってインターネットにアクセスします"),
      S(u"プロキシサーバを使用せずに直接インターネットにアクセスします"),
      S(u"プロキシサーバを使用してインターネットにアクセスします")};
  for (int i = 0; i < 3; ++i) {
    auto* r = new QRadioButton(captions[i]);
    r->setObjectName(QStringLiteral("Option_Proxy_%1").arg(i));
    r->setToolTip(tips[i]);
    option_proxy_->addButton(r, i);
    px->addWidget(r, i, 0);
  }
  address_ = Edit("Text_Proxy_address", S(u"プロキシサーバのIPアドレスを設定してください"));
  port_ = Edit("Text_Proxy_port", S(u"プロキシサーバのポート番号を指定してください"));
  auto* proxy_row = new QHBoxLayout;
  proxy_row->addWidget(address_, 3);
  proxy_row->addWidget(Label("Label9", S(u"ポート")));
  proxy_row->addWidget(port_, 1);
  px->addLayout(proxy_row, 3, 0);
  column->addWidget(frame_proxy);

  auto* frame_retry = new QGroupBox(S(u"リトライ設定"));
  frame_retry->setObjectName(QStringLiteral("Frame_Retry"));
  auto* rt = new QGridLayout(frame_retry);
  timeout_ = Edit("Text_Timeout", S(u"回線速度などを考慮してなるべく短めに設定してください"));
  retry_ =
      Edit("Text_Retry", S(u"リトライ回数を超えるとエラーメッセージを表示して処理を中断します"));
  rt->addWidget(Label("Label10", S(u"タイムアウト（秒）")), 0, 0);
  rt->addWidget(timeout_, 0, 1);
  rt->addWidget(Label("Label12", S(u"1～300")), 0, 2);
  rt->addWidget(Label("Label11", S(u"リトライ回数")), 1, 0);
  rt->addWidget(retry_, 1, 1);
  rt->addWidget(Label("Label13", S(u"0～1000")), 1, 2);
  column->addWidget(frame_retry);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(S(u"OK(&C)"));
  ok->setObjectName(QStringLiteral("Command_Ok"));
  ok->setToolTip(S(u"このフォームを閉じます"));
  auto* cancel = new QPushButton(S(u"キャンセル(&C)"));
  cancel->setObjectName(QStringLiteral("Command_Cancel"));
  cancel->setToolTip(S(u"このフォームを閉じます"));
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  column->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] { OkCommand(); });
  connect(cancel, &QPushButton::clicked, this, [this] { CancelCommand(); });

  // The window's copy of the values.
  if (QAbstractButton* b = option_proxy_->button(original_.proxy)) b->setChecked(true);
  address_->setText(Q(original_.address));
  port_->setText(Q(original_.port));
  timeout_->setText(Q(original_.timeout));
  retry_->setText(Q(original_.retry));
}

void Form_network::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) {
    QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

NetworkValues Form_network::Edited() const {
  return {option_proxy_->checkedId(), ToText(address_->text()), ToText(port_->text()),
          ToText(timeout_->text()), ToText(retry_->text())};
}

void Form_network::OkCommand() {
  WriteNetworkValues(form_, Edited());
  accept();
}

void Form_network::CancelCommand() {
  if (!ConfirmNetworkCancel(Edited(), original_, ui_)) return;
  reject();
}

}  // namespace pellucor::gui
