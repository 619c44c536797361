#include "app/history_window.h"

#include <algorithm>

#include "common/files.h"
#include "engine/definitions.h"
#include "platform/ui.h"

namespace pellucor {
namespace {

const Text kDetailCaption = kAppCaption + u" - 履歴詳細";

}  // namespace

HistoryWindow::HistoryWindow(HistoryList& list, PutBackSink put_back, Ui& ui, ShellRunner shell,
                             const DefinitionCatalog& catalog)
    : list_(list),
      put_back_(std::move(put_back)),
      ui_(ui),
      shell_(std::move(shell)),
      catalog_(catalog) {}

void HistoryWindow::Load() {
  lines_.clear();
  selection_ = -1;
  if (!list_.empty()) Fill(0);
}

void HistoryWindow::Fill(int wished) {
  lines_.clear();
  for (const HistoryRecord& r : list_) lines_.push_back(HistoryListLine(r));
  if (list_.empty()) {
    selection_ = -1;
    return;
  }
  selection_ = std::clamp(wished, 0, static_cast<int>(list_.size()) - 1);
}

const HistoryRecord* HistoryWindow::Selected() const {
  if (selection_ < 0 || selection_ >= static_cast<int>(list_.size())) return nullptr;
  return &list_[static_cast<size_t>(selection_)];
}

void HistoryWindow::ShowDetail() {
  const HistoryRecord* r = Selected();
  if (!r) return;
  ui_.Beep();
  ui_.MessageBox(HistoryDetailText(*r, catalog_), kDetailCaption, Icon::Information, Buttons::Ok);
}

HistoryWindow::After HistoryWindow::DoubleClick() {
  const HistoryRecord* r = Selected();
  if (!r) return After::Stay;
  ui_.Beep();
  Answer a = ui_.MessageBox(
      HistoryDetailText(*r, catalog_) + kCrLf + u"選択された履歴をメイン画面にセットしますか？",
      kDetailCaption, Icon::Question, Buttons::YesNo);
  return a == Answer::Yes ? SetMain() : After::Stay;
}

HistoryWindow::After HistoryWindow::SetMain() {
  const HistoryRecord* r = Selected();
  if (!r) return After::Stay;
  if (put_back_) put_back_(PutBackValues(*r, catalog_));
  return After::Close;
}

HistoryWindow::After HistoryWindow::Delete() {
  const HistoryRecord* r = Selected();
  if (!r) return After::Stay;
  ui_.Beep();
  Answer a = ui_.MessageBox(
      HistoryDetailText(*r, catalog_) + kCrLf + u"選択された履歴を削除してよろしいですか？",
      kAppCaption + u" - 削除確認", Icon::Question, Buttons::YesNo);
  if (a != Answer::Yes) return After::Stay;
  list_.erase(list_.begin() + selection_);
  if (list_.empty()) {
    Fill(0);
    return After::Close;
  }
  Fill(selection_);
  return After::Stay;
}

void HistoryWindow::EditComment() {
  if (!Selected()) return;
  HistoryRecord& r = list_[static_cast<size_t>(selection_)];
  std::optional<Text> answer =
      ui_.InputBox(u"コメントを編集してください", kAppCaption + u" - コメント編集", r.comment);
  // Cancel in the input box keeps the comment as it was.
  if (answer && !answer->empty()) {
    r.comment = *answer;
  } else if (answer && !r.comment.empty()) {
    ui_.Beep();
    Answer a = ui_.MessageBox(Text(u"コメントの編集をキャンセルしますか？") + kCrLf +
                                  u"処理をキャンセルする場合は[はい] "
                                  u"コメントを削除する場合は[いいえ]を選択してください",
                              kAppCaption + u" - コメント編集確認", Icon::Question, Buttons::YesNo);
    if (a == Answer::No) r.comment.clear();
  }
  Fill(selection_);
}

void HistoryWindow::OpenTopic() {
  const HistoryRecord* r = Selected();
  if (!r) return;
  shell_([url = r->url1 + r->lastMessage + r->url2](Ui&, Shell& shell) { shell.Open(url); });
}

void HistoryWindow::OpenFolder() {
  const HistoryRecord* r = Selected();
  if (!r) return;
  shell_([folder = FolderPart(r->outputPath)](Ui& ui, Shell& shell) {
    if (shell.Open(folder)) return;
    if (shell.Explore(folder)) return;
    ui.MessageBox(u"開けませんでした", kAppCaption, Icon::Critical, Buttons::Ok);
  });
}

void HistoryWindow::OpenOutput() {
  const HistoryRecord* r = Selected();
  if (!r) return;
  OutputChoice c = ChooseHistoryOutput(*r);
  if (!c.valid_name) {
    ui_.MessageBox(u"出力ファイル名が不正なためファイルを開けません", kAppCaption + u"エラー",
                   Icon::Critical, Buttons::Ok);
    return;
  }
  if (c.chosen.empty()) {
    ui_.MessageBox(u"ファイルが存在しません", kAppCaption, Icon::Critical, Buttons::Ok);
    return;
  }
  shell_([file = c.chosen](Ui&, Shell& shell) {
    if (!shell.Open(file)) shell.Edit(file);
  });
}

}  // namespace pellucor
