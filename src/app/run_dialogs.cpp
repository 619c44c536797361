#include "app/run_dialogs.h"

#include "app/main_form.h"
#include "app/run_command.h"
#include "common/numeric.h"
#include "common/search.h"

namespace pellucor {
namespace {

Text Arg(const std::vector<Text>& args, size_t i) {
  return i < args.size() ? args[i] : Text();
}

}  // namespace

Text RunNoticeText(RunNotice notice, const std::vector<Text>& a) {
  switch (notice) {
    case RunNotice::UrlEmpty:
      return u"取得URL（左）が未入力です";
    case RunNotice::FromNotNumber:
      return u"取得メッセージ番号（左）に数値を入れてください";
    case RunNotice::ToNotNumber:
      return u"取得メッセージ番号（右）に数値を入れてください";
    case RunNotice::ToBelowFrom:
      return u"取得メッセージ番号は左より右を大きく設定してください";
    case RunNotice::OutputNameMissing:
      return u"出力ファイル名を指定してください";
    case RunNotice::OutputNameInvalid:
      return Text(u"出力ファイル名が不正です") + kCrLf + Arg(a, 0) + u"が含まれています";
    case RunNotice::SplitCountRange:
      return u"分割メッセージ件数は1～999999の範囲で指定してください";
    case RunNotice::TimeoutMissing:
      return u"タイムアウト値を設定してください";
    case RunNotice::TimeoutRange:
      return u"正しいタイムアウト値（1～300）を設定してください";
    case RunNotice::RetryRange:
      return u"正しいリトライ回数（0～1000）を設定してください";
    case RunNotice::OutputNotFullPath:
      return u"出力ファイル名をフルパスで指定してください";
    case RunNotice::NoBoard:
      return u"掲示板設定ファイルが選択されていません";
    case RunNotice::NoOutputType:
      return u"出力タイプ指定ファイルが選択されていません";
    case RunNotice::ProxyAddressMissing:
      return u"プロキシサーバのIPアドレスを設定してください";
    case RunNotice::ProxyPortMissing:
      return u"プロキシサーバのポートを設定してください";
    case RunNotice::JobBusy:
      return u"同じ出力先（" + Arg(a, 0) + u"）に取得中の処理が他にあります" + kCrLf +
             u"その処理が終わってから実行してください";
    case RunNotice::NotAFile:
      return u"出力ファイル（" + Arg(a, 0) + u"）はファイルではありません" + kCrLf +
             u"フォルダ、FIFO、デバイスなどには出力できません";
    case RunNotice::Cancelled:
      return u"処理を中断します。MSG:" + Arg(a, 0) + u"まで処理しました。";
    case RunNotice::NetworkFailure:
      return Text(u"原因不明のエラーが発生したためデータの取得に失敗しました") + kCrLf +
             u"ネットワークに接続されていない、もしくは切断された可能性があります" + kCrLf +
             u"プロキシを使用している場合はプロキシの設定を見なおしてください" + kCrLf +
             u"何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";
    case RunNotice::HighestUnknown:
      return u"最大メッセージ数が取得できなかったので処理を中断します";
    case RunNotice::NothingFrom:
      return u"メッセージ番号" + Arg(a, 0) + u"以降のデータはありませんでした" + kCrLf +
             u"最大メッセージ数=" + Arg(a, 1);
    case RunNotice::NoTitle:
      return u"タイトルが取得できなかったため、ファイル名を設定できませんでした";
    case RunNotice::WrongOutputName:
      return Text(u"出力ファイル名の設定に誤りがあります") + kCrLf + u"正しい値を設定してください";
    case RunNotice::FolderNotCreatable:
      return u"出力先のフォルダが存在しません（" + Arg(a, 0) + u"）" + kCrLf +
             u"この上のフォルダ（" + Arg(a, 1) + u"）も存在しないので" + kCrLf +
             u"新規フォルダが作成出来ません";
  }
  return {};
}

Text AppendQuestionText(TextView path) {
  return u"ファイル（" + Text(path) + u"）が既に存在します" + kCrLf +
         u"このファイルにデータを追加しますか？";
}

Text InvalidPageQuestion(TextView page) {
  Text excerpt = ReplaceAll(StripTags(page), u"->", u"");
  if (excerpt.empty()) excerpt = Text(page);
  Text q = Text(u"有効なメッセージが取得できませんでした") + kCrLf +
           u"指定されたURLが無効か、最大メッセージ番号を超えているか、設定ファイルが古い可能性があ"
           u"ります" +
           kCrLf + u"----- 受信データ簡易表示 START ---------------------------------" + kCrLf;
  for (size_t i = 0; i < 5; ++i) {
    size_t at = i * 100;
    q += (at < excerpt.size() ? excerpt.substr(at, 100) : Text()) + kCrLf;
  }
  q += Text(u"----- 受信データ簡易表示  END  ---------------------------------") + kCrLf + kCrLf +
       u"処理を継続しますか？";
  return q;
}

void RunDialogs::Notice(RunNotice notice, const std::vector<Text>& args) {
  // The notices about the output file itself come with a beep.
  if (notice == RunNotice::NotAFile || notice == RunNotice::WrongOutputName ||
      notice == RunNotice::FolderNotCreatable)
    ui_.Beep();
  ui_.MessageBox(RunNoticeText(notice, args), kAppCaption, Icon::Critical, Buttons::Ok);
}

bool RunDialogs::Ask(const Text& text, bool beep) {
  if (beep) ui_.Beep();
  return ui_.MessageBox(text, kAppCaption, Icon::Question, Buttons::YesNo) == Answer::Yes;
}

bool RunDialogs::UseTitleAsFileName() {
  return Ask(Text(u"出力ファイル名が未指定です") + kCrLf + u"タイトルをファイル名にしますか？");
}

bool RunDialogs::RunWithAddress(const Text& msgstr) {
  return Ask(u"取得URL（左）が '" + msgstr + u"=' で終わっていません" + kCrLf +
             u"取得URL（左）にメッセージ番号が含まれてしまっていませんか？" + kCrLf +
             u"メッセージ番号は取得メッセージ番号の欄で指定してください" + kCrLf + kCrLf +
             u"このままの設定で取得処理を実行しますか？" + kCrLf +
             u"URLの設定に間違いがない時は「はい(yes)」、戻ってURLを修正する時は「いいえ(no)"
             u"」を選択してください");
}

bool RunDialogs::AppendToExisting(const Text& path) {
  return Ask(AppendQuestionText(path));
}

bool RunDialogs::CreateMissingFolder(const Text& folder) {
  return Ask(u"出力先のフォルダが存在しません（" + folder + u"）" + kCrLf +
             u"新規にフォルダを作成しますか？");
}

bool RunDialogs::GoOnAfterInvalidPage(TextView page) {
  return Ask(InvalidPageQuestion(page));
}

bool RunDialogs::AskAgainNextTime() {
  return ui_.MessageBox(u"次にデータ受信エラーが発生した際もこの確認画面を表示しますか？",
                        kAppCaption, Icon::Question, Buttons::YesNo) != Answer::No;
}

bool RunDialogs::ShowResult(int32_t unwritten) {
  // Data the user chose to leave unwritten is named, never reported as a plain success.
  Text done = u"処理が完了しました";
  if (unwritten > 0)
    done +=
        Text(kCrLf) + u"ただし、書き込めなかったデータが" + FormatNumber(unwritten) + u"件あります";
  return Ask(done + kCrLf + u"結果を表示しますか？");
}

Recovery RunDialogs::AfterFailure(const Text& description) {
  return AskAbortRetryIgnore(ui_, description);
}

Recovery RunDialogs::AfterWriteError(const Text& description) {
  return AskAbortRetryIgnore(ui_, description, u"エラー", true);
}

void RunDialogs::Status(const Text& text) {
  form_.Label_status().SetValue(text);
}

void RunDialogs::Changed(const Job& job) {
  WriteBack(form_, job.request);
}

void RunDialogs::Yield() {
  ui_.Yield();
}

bool RunDialogs::CancelRequested() {
  return form_.cancel_requested;
}

}  // namespace pellucor
