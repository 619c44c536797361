#include "app/network.h"

#include "app/main_form.h"
#include "app/run_command.h"
#include "app/run_dialogs.h"
#include "common/numeric.h"
#include "engine/run_driver.h"
#include "platform/http.h"
#include "platform/ui.h"

namespace pellucor {

const char16_t* const kProxyOptionCaptions[3] = {u"既定値を使用", u"使用しない", u"使用する"};

bool ApplyNetworkSettings(MainForm& form, HttpClient& http, Ui& ui) {
  const NetworkSettings settings = JobOf(RequestOf(form), DefinitionCatalog()).network;
  if (std::optional<RunNotice> problem = ApplyNetwork(settings, http)) {
    RunDialogs(ui, form).Notice(*problem);
    return false;
  }
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
