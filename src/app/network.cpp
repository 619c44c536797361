#include "app/network.h"

#include <algorithm>

#include "app/main_form.h"
#include "common/numeric.h"
#include "platform/http.h"
#include "platform/ui.h"

namespace pellucor {

const char16_t* const kProxyOptionCaptions[3] = {u"既定値を使用", u"使用しない", u"使用する"};

bool ApplyNetworkSettings(MainForm& form, HttpClient& http, Ui& ui) {
  int mode = form.Option_Proxy().Index();
  if (mode == 0 || mode == 1) {
    http.SetAccessType(mode);
  } else if (mode == 2) {
    if (form.Text_Proxy_address().Value().empty()) {
      ui.MessageBox(u"プロキシサーバのIPアドレスを設定してください", kAppCaption, Icon::Critical,
                    Buttons::Ok);
      return false;
    }
    if (form.Text_Proxy_port().Value().empty()) {
      ui.MessageBox(u"プロキシサーバのポートを設定してください", kAppCaption, Icon::Critical,
                    Buttons::Ok);
      return false;
    }
    http.SetProxy(TrimSpaces(form.Text_Proxy_address().Value()) + u":" +
                  TrimSpaces(form.Text_Proxy_port().Value()));
    http.SetAccessType(2);
  }
  int64_t seconds = WholeValue(form.Text_Timeout().Value());
  http.SetTimeout(static_cast<int>(std::clamp<int64_t>(seconds, 0, 1 << 30)));
  return true;
}

Text NetworkLabelText(MainForm& form) {
  Text label = u"ﾌﾟﾛｷｼ(";
  int mode = form.Option_Proxy().Index();
  if (mode >= 0 && mode <= 2) label += kProxyOptionCaptions[mode];
  if (mode == 2) label += form.Text_Proxy_address().Value() + u":" + form.Text_Proxy_port().Value();
  label += u") ﾀｲﾑｱｳﾄ(" + form.Text_Timeout().Value() + u"秒) ﾘﾄﾗｲ(" + form.Text_Retry().Value() +
           u"回)";
  return label;
}

void UpdateNetworkLabel(MainForm& form) {
  form.Label_Network().SetValue(NetworkLabelText(form));
}

}  // namespace pellucor
