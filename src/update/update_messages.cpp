#include "update/update_messages.h"

namespace pellucor {
namespace {

Text MessageText(UpdateMessage message) {
  switch (message) {
    case UpdateMessage::TimeoutMissing:
      return u"タイムアウト値を設定してください";
    case UpdateMessage::TimeoutRange:
      return u"正しいタイムアウト値（1\uFF5E300）を設定してください";
    case UpdateMessage::RetryRange:
      return u"正しいリトライ回数（0\uFF5E1000）を設定してください";
    case UpdateMessage::Cancelled:
      return u"処理を中断します。";
    case UpdateMessage::ReceiveError:
      return Text(u"データ受信エラーが発生したため処理を中断します") + kCrLf +
             u"ネットワークに接続されていない、もしくは切断された可能性があります" + kCrLf +
             u"プロキシを使用している場合はプロキシの設定を見なおしてください" + kCrLf +
             u"何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";
    case UpdateMessage::NoData:
      return Text(u"処理対象データ無し") + kCrLf +
             u"サーバ側のバージョン確認ファイルが壊れている可能性があります";
    case UpdateMessage::InvalidData:
      return Text(u"取得データが不正です") + kCrLf +
             u"再度実行しても同じエラーが出る場合は、サポート掲示板で問い合わせてください";
    case UpdateMessage::Finished:
      return u"処理が完了しました";
  }
  return {};
}

}  // namespace

void ShowUpdateMessage(Ui& ui, UpdateMessage message) {
  const Icon icon = message == UpdateMessage::Finished ? Icon::Information : Icon::Critical;
  ui.MessageBox(MessageText(message), kAppCaption, icon, Buttons::Ok);
}

void ShowNothingToUpdate(Ui& ui) {
  ui.MessageBox(Text(u"更新対象のファイルは有りません") + kCrLf + u"全て最新バージョンです",
                kAppCaption, Icon::Information, Buttons::Ok);
}

bool ConfirmDownloadSelection(Ui& ui, DownloadList& list, const std::vector<DownloadRow>& rows,
                              const std::vector<bool>& ticked) {
  int count = 0;
  for (size_t r = 0; r < rows.size() && r < ticked.size(); ++r) {
    if (!ticked[r] || rows[r].slot >= list.size()) continue;
    list[rows[r].slot].selected = true;
    ++count;
  }
  if (count > 0) return true;
  Answer a = ui.MessageBox(u"何も選択されていません。ダウンロード処理をキャンセルしますか？",
                           kAppCaption, Icon::Question, Buttons::YesNo);
  if (a == Answer::Yes) return true;
  ui.MessageBox(Text(u"一覧より、ダウンロードしたい設定ファイルを選択（クリック）して") + kCrLf +
                    u"左側のチェックボックスにチェックがついたのを確認してから" + kCrLf +
                    u"ダウンロードボタンを押してください。",
                kAppCaption, Icon::Information, Buttons::Ok);
  return false;
}

Recovery AskAfterFetchFailure(Ui& ui, const Text& error) {
  return AskAbortRetryIgnore(ui, error);
}

Recovery AskAfterFileFailure(Ui& ui, const Error& error, const Text& file) {
  return AskAbortRetryIgnore(ui, error.text + kCrLf + file);
}

}  // namespace pellucor
