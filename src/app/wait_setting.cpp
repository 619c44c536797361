#include "app/wait_setting.h"

#include <string>

#include "common/deffile.h"
#include "platform/polite_http.h"

namespace pellucor {
namespace {

const char16_t* Key(bool patrol) {
  return patrol ? u"patrolwait" : u"wait";
}

}  // namespace

int LoadWaitSetting(const Text& settings_path, bool patrol) {
  const int def = patrol ? 1000 : 0;
  Text text = ReadSettingsValue(kWaitSection, Key(patrol), u"", settings_path);
  int ms = ParseWaitSeconds(ToUtf8(text));
  return ms < 0 ? def : ms;
}

bool SaveWaitSetting(const Text& settings_path, int milliseconds, bool patrol) {
  return WriteDefinitionValue(kWaitSection, Key(patrol), WaitText(milliseconds), settings_path);
}

Text WaitText(int milliseconds) {
  std::string s = std::to_string(milliseconds / 1000);
  if (int frac = milliseconds % 1000; frac > 0) {
    std::string f = std::to_string(1000 + frac).substr(1);
    while (f.back() == '0') f.pop_back();
    s += "." + f;
  }
  return FromUtf8(s);
}

}  // namespace pellucor
