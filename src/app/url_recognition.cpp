#include "app/url_recognition.h"

namespace pellucor {

bool IsWebAddress(TextView text) {
  // Boards moved to https long ago; such an address is as good as an http one.
  Text upper = UpperCase(text.substr(0, 8));
  return upper.starts_with(u"HTTP://") || upper.starts_with(u"HTTPS://");
}

namespace {

// The pattern, or the same pattern under the other of the two web schemes: a board that moved
// to https keeps its definition's http pattern.
bool PatternOccurs(TextView address, const Text& pattern) {
  if (address.find(pattern) != TextView::npos) return true;
  Text other;
  if (pattern.starts_with(u"http://"))
    other = u"https://" + pattern.substr(7);
  else if (pattern.starts_with(u"https://"))
    other = u"http://" + pattern.substr(8);
  return !other.empty() && address.find(other) != TextView::npos;
}

}  // namespace

int FindBoardForUrl(const DefinitionCatalog& catalog, TextView address) {
  for (size_t i = 0; i < catalog.boards.size(); ++i) {
    const BoardEntry& e = catalog.boards[i];
    const Text& pattern = e.msgurl.empty() ? e.url : e.msgurl;
    // An empty pattern would match every address and hide the entries after it.
    if (pattern.empty()) continue;
    if (PatternOccurs(address, pattern)) return static_cast<int>(i);
  }
  return -1;
}

void RecognizeBoardUrl(MainForm& form, const DefinitionCatalog& catalog, Ui& ui,
                       const Text& address) {
  if (!IsWebAddress(address)) {
    ui.MessageBox(u"ドラッグされたデータはURLではありません", kAppCaption, Icon::Critical,
                  Buttons::Ok);
    return;
  }
  int i = FindBoardForUrl(catalog, address);
  if (i < 0) {
    form.Text_url1().SetValue(address);
    form.Text_url2().SetValue(u"");
    return;
  }
  const BoardEntry& entry = catalog.boards[static_cast<size_t>(i)];
  if (form.Combo_bbs().Index() != i) {
    ui.MessageBox(u"掲示板を" + entry.name + u"に切り替えます", kAppCaption, Icon::Information,
                  Buttons::Ok);
    form.Combo_bbs().SetIndex(i);
  }
  form.Text_from().SetValue(entry.first_msgno);

  Text key = u"&" + entry.msgstr + u"=";
  size_t p = address.find(key);
  if (p == Text::npos) {
    key = u"?" + entry.msgstr + u"=";
    p = address.find(key);
  }
  if (p == Text::npos) {
    form.Text_url1().SetValue(address);
    form.Text_url2().SetValue(u"");
    Text text = u"掲示板は認識できましたが、発言番号の取得に失敗しました。";
    text += kCrLf;
    text += u"掲示板名：" + entry.name;
    text += kCrLf;
    text += u"メッセージ番号の名前：" + entry.msgstr;
    text += kCrLf;
    text += u"個別のメッセージを開いてからURLをドラッグ＆ドロップしてください。";
    ui.MessageBox(text, kAppCaption, Icon::Information, Buttons::Ok);
    return;
  }
  size_t number_start = p + key.size();
  form.Text_url1().SetValue(address.substr(0, number_start));
  size_t rest = address.find_first_of(u"?&", number_start);
  form.Text_url2().SetValue(rest == Text::npos ? Text() : address.substr(rest));
}

}  // namespace pellucor
