#include "app/window_actions.h"

#include "common/files.h"
#include "common/numeric.h"
#include "platform/ui.h"

namespace pellucor {

Text FirstMessageAddress(MainForm& form) {
  return form.Text_url1().Value() + FormatNumber(NumericValue(form.Text_from().Value())) +
         form.Text_url2().Value();
}

Text PickerStartFolder(const Text& text_out) {
  size_t last = text_out.rfind(kSep);
  if (last == Text::npos) return {};
  if (last == 0) return Text(1, kSep);
  return text_out.substr(0, last);
}

std::vector<PickerFilter> OutputFileFilters(const Text& mark) {
  return {{u"出力タイプ (*." + mark + u")", u"*." + mark}, {u"すべてのファイル (*.*)", u"*.*"}};
}

Text FolderPickerPreselection(const Text& text_out) {
  Text path = text_out;
  if (path.size() > 3 && path.back() == kSep) path.pop_back();
  if (!FolderExists(path)) {
    size_t last = path.rfind(kSep);
    if (last != Text::npos && last >= 3) path = path.substr(0, last);
  }
  if (Cp932Length(path) >= 256) path = path.substr(0, 128);
  return path;
}

Text ChosenFilePath(const Text& chosen) {
  Text path = chosen.substr(0, chosen.find(u'\0'));
  return TrimSpaces(path);
}

Text ChosenFolderPath(const Text& chosen) {
  Text path = chosen;
  if (path.empty() || path.back() != kSep) path.push_back(kSep);
  return path;
}

NetworkValues ReadNetworkValues(MainForm& form) {
  return {form.Option_Proxy().Index(), form.Text_Proxy_address().Value(),
          form.Text_Proxy_port().Value(), form.Text_Timeout().Value(), form.Text_Retry().Value()};
}

void WriteNetworkValues(MainForm& form, const NetworkValues& v) {
  form.Option_Proxy().SetIndex(v.proxy);
  form.Text_Proxy_address().SetValue(v.address);
  form.Text_Proxy_port().SetValue(v.port);
  form.Text_Timeout().SetValue(v.timeout);
  form.Text_Retry().SetValue(v.retry);
}

bool ConfirmNetworkCancel(const NetworkValues& edited, const NetworkValues& original, Ui& ui) {
  if (edited == original) return true;
  return ui.MessageBox(u"変更をキャンセルしてよろしいですか？", kAppCaption, Icon::Question,
                       Buttons::YesNo) == Answer::Yes;
}

bool CheckHistoryNotEmpty(size_t history_count, Ui& ui) {
  if (history_count > 0) return true;
  ui.MessageBox(Text(u"履歴情報は有りません") + kCrLf, kAppCaption, Icon::Exclamation, Buttons::Ok);
  return false;
}

void ShowEditNotice(Ui& ui) {
  Text text = u"設定画面未作成のため、編集はテキストエディタで行ってください";
  text += kCrLf;
  text += u"[basic]情報を変更した場合は、アプリケーションを再起動してください";
  ui.MessageBox(text, kAppCaption, Icon::Exclamation, Buttons::Ok);
}

void ShowBoardNotSpecified(Ui& ui) {
  ui.MessageBox(u"掲示板が正しく指定されていません", kAppCaption, Icon::Critical, Buttons::Ok);
}

}  // namespace pellucor
