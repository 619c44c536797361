#include "wait_field.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/wait_setting.h"
#include "platform/polite_http.h"
#include "platform/ui.h"
#include "qt_text.h"

namespace pellucor::gui {

WaitField::WaitField(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(QString::fromUtf16(u"アクセス間隔（秒）"));
  label->setObjectName(QStringLiteral("Label_Wait"));
  edit_ = new QLineEdit(QStringLiteral("0"));
  edit_->setObjectName(QStringLiteral("Text_Wait"));
  edit_->setToolTip(QString::fromUtf16(u"同じサーバへの要求の間に置く待ち時間です（小数可）"));
  edit_->setMaximumWidth(60);
  row->addWidget(label);
  row->addWidget(edit_);
}

void WaitField::Load(const Text& settings_path) {
  edit_->setText(Q(WaitText(LoadWaitSetting(settings_path, false))));
}

bool WaitField::Save(const Text& settings_path) const {
  const int ms = ParseWaitSeconds(edit_->text().trimmed().toStdString());
  return ms < 0 || SaveWaitSetting(settings_path, ms, false);
}

bool WaitField::Apply(HttpClient& http, Ui& ui) const {
  const int ms = ParseWaitSeconds(edit_->text().trimmed().toStdString());
  if (ms < 0) {
    ui.MessageBox(u"アクセス間隔は0～3600秒の範囲で指定してください", kAppCaption, Icon::Critical,
                  Buttons::Ok);
    return false;
  }
  if (auto* polite = dynamic_cast<PoliteHttpClient*>(&http)) polite->SetWait(ms);
  return true;
}

}  // namespace pellucor::gui
