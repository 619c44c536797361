// Network settings: handing the main window's proxy and time-out values to the HTTP client,
// and the one-line summary shown under them.
#pragma once

#include "common/text.h"

namespace pellucor {

class HttpClient;
class MainForm;
class Ui;

// Captions of the Option_Proxy group, by index.
extern const char16_t* const kProxyOptionCaptions[3];

// Sets access type, proxy and time-out. False (after a critical message) when the named proxy
// lacks its address or port.
bool ApplyNetworkSettings(MainForm& form, HttpClient& http, Ui& ui);

// "ﾌﾟﾛｷｼ(既定値を使用) ﾀｲﾑｱｳﾄ(15秒) ﾘﾄﾗｲ(100回)" from the form's values as typed.
Text NetworkLabelText(MainForm& form);
void UpdateNetworkLabel(MainForm& form);

}  // namespace pellucor
