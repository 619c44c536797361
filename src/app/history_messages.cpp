#include "app/history_messages.h"

#include "platform/ui.h"

namespace pellucor {

void ShowHistoryLoadFailed(Ui& ui) {
  ui.MessageBox(Text(u"履歴データの取得に失敗しました") + kCrLf +
                    u"残念ながら履歴データはアプリケーション終了時に失われます",
                kAppCaption, Icon::Critical, Buttons::Ok);
}

void ShowHistorySaveFailed(Ui& ui, TextView path) {
  ui.MessageBox(Text(u"履歴データの保存に失敗しました（") + Text(path) + u"）" + kCrLf +
                    u"以前の履歴データはそのまま残っています",
                kAppCaption, Icon::Critical, Buttons::Ok);
}

Text HistorySaveFailedReason() {
  return u"履歴データの保存に失敗しました";
}

}  // namespace pellucor
