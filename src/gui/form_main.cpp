// The main window: its controls as the engine sees them, drops, the load and unload steps,
// and the commands that work on the GUI thread.
#include "form_main.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include "app/about.h"
#include "app/form_values.h"
#include "app/history_messages.h"
#include "app/network.h"
#include "app/program.h"
#include "app/run_journal.h"
#include "app/settings.h"
#include "app/url_recognition.h"
#include "app/window_actions.h"
#include "common/files.h"
#include "engine/definitions.h"
#include "form_network.h"
#include "form_record.h"
#include "history/store.h"
#include "history/view.h"
#include "pellucor_revision.h"
#include "platform/clock.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "qt_controls.h"
#include "qt_text.h"
#include "viewer/result_viewer.h"
#include "wait_field.h"
#include "worker.h"

namespace pellucor::gui {

namespace {

// The text a drop carries: its plain text, else the address of a dragged link. A list of files
// carries none, even when it comes with the paths as text (and Qt offers them as text anyway).
Text DroppedText(const QMimeData* mime) {
  if (!mime) return {};
  const bool link = mime->hasUrls() && !mime->urls().isEmpty();
  if (link && mime->urls().first().isLocalFile()) return {};
  if (mime->hasText() && !mime->text().isEmpty()) return ToText(mime->text());
  if (link) return ToText(mime->urls().first().toString());
  return {};
}

// The first dropped file's full path.
Text DroppedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return ToText(url.toLocalFile());
  return {};
}

}  // namespace

struct Form_main::Adapters {
  Adapters(Form_main& f)
      : Text_url1(f.text_url1_, &f.lock_),
        Text_from(f.text_from_, &f.lock_),
        Text_to(f.text_to_, &f.lock_),
        Text_url2(f.text_url2_, &f.lock_),
        Check_MaxMsg(f.check_maxmsg_, &f.lock_),
        Check_Read(f.check_read_, &f.lock_),
        Combo_bbs(f.combo_bbs_, &f.lock_),
        Combo_out(f.combo_out_, &f.lock_),
        Text_out(f.text_out_, &f.lock_),
        Check_TopicToFilename(f.check_topictofilename_, &f.lock_),
        Check_devide(f.check_devide_, &f.lock_),
        Option_devidekind(f.option_devidekind_, &f.lock_),
        Text_devidecnt(f.text_devidecnt_, &f.lock_),
        Combo_devidedatekind(f.combo_devidedatekind_, &f.lock_),
        Text_devidefilesize(f.text_devidefilesize_, &f.lock_),
        Check_CreateTitleIndex(f.check_createtitleindex_, &f.lock_),
        Check_nooutblank(f.check_nooutblank_, &f.lock_),
        Option_Error(f.option_error_, &f.lock_),
        Check_Error_Log(f.check_error_log_, &f.lock_),
        Option_Proxy(f.option_proxy_, &f.lock_),
        Text_Proxy_address(f.text_proxy_address_, &f.lock_),
        Text_Proxy_port(f.text_proxy_port_, &f.lock_),
        Text_Timeout(f.text_timeout_, &f.lock_),
        Text_Retry(f.text_retry_, &f.lock_),
        Label_Network(f.label_network_, &f.lock_),
        Label_status(f.label_status_, &f.lock_),
        Command_Cancel(f.command_cancel_, &f.lock_) {}
  LineEditControl Text_url1, Text_from, Text_to, Text_url2;
  CheckBoxControl Check_MaxMsg, Check_Read;
  ComboControl Combo_bbs, Combo_out;
  LineEditControl Text_out;
  CheckBoxControl Check_TopicToFilename, Check_devide;
  OptionGroupControl Option_devidekind;
  LineEditControl Text_devidecnt;
  ComboControl Combo_devidedatekind;
  LineEditControl Text_devidefilesize;
  CheckBoxControl Check_CreateTitleIndex, Check_nooutblank;
  OptionGroupControl Option_Error;
  CheckBoxControl Check_Error_Log;
  OptionGroupControl Option_Proxy;
  LineEditControl Text_Proxy_address, Text_Proxy_port, Text_Timeout, Text_Retry;
  LabelControl Label_Network, Label_status;
  WidgetControl Command_Cancel;
};

#define PELLUCOR_MEMBER(Kind, name) \
  Kind& Form_main::name() {         \
    return a_->name;                \
  }
PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_MEMBER)
#undef PELLUCOR_MEMBER

std::vector<Control*> Form_main::AllControls() {
  std::vector<Control*> out;
  out.reserve(all_.size());
  for (auto& c : all_) out.push_back(c.get());
  return out;
}

bool Form_main::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label_network_ && event->type() == QEvent::MouseButtonDblClick) {
    if (label_network_->isEnabled()) NetworkCommand();
    return true;
  }
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && (edit == text_url1_ || edit == text_url2_ || edit == text_out_)) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        e->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        e->acceptProposedAction();
        if (edit == text_out_) {
          DropOnTextOut(DroppedFile(e->mimeData()));
        } else {
          Text text = DroppedText(e->mimeData());
          // Deferred: the drag source waits for the drop to finish, and a message box must not
          // keep it waiting.
          if (!text.empty())
            QTimer::singleShot(0, this, [this, text] { RecognizeDroppedText(text); });
        }
        return true;
      }
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form_main::dragEnterEvent(QDragEnterEvent* event) {
  event->acceptProposedAction();
}

void Form_main::dragMoveEvent(QDragMoveEvent* event) {
  event->acceptProposedAction();
}

void Form_main::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  Text text = DroppedText(event->mimeData());
  if (!text.empty()) QTimer::singleShot(0, this, [this, text] { RecognizeDroppedText(text); });
}

void Form_main::DropOnTextOut(const Text& path) {
  if (!path.empty()) a_->Text_out.SetValue(path);
}

}  // namespace pellucor::gui

// Construction, load and unload

namespace pellucor::gui {

Form_main::Form_main(Ui& ui, Shell& shell, HttpClient& http, Clock& clock, Text program_directory,
                     QWidget* parent)
    : QMainWindow(parent),
      ui_(ui),
      shell_(shell),
      worker_(new Worker(this)),
      shell_tasks_(std::make_unique<ShellTasks>(ui_, shell_)) {
  setObjectName(QStringLiteral("Form_main"));
  BuildWidgets();
  BuildMenus();
  a_ = std::make_unique<Adapters>(*this);
  program_ =
      std::make_unique<Program>(std::move(program_directory), ui_, clock, http, shell_, *this);
  program_->overlap = true;
  setAcceptDrops(true);
  setWindowTitle(QStringLiteral("Pellucor"));
}

Form_main::~Form_main() {
  if (!worker_->Busy() && !shell_tasks_->Busy()) return;
  // Gone without a close (the program is ending): the work ends through its cancel path, with
  // nobody left to answer its questions.
  RequestCancel();
  ui_.Dismiss();
  worker_->Finish();
  shell_tasks_.reset();
}

DefinitionCatalog& Form_main::catalog() {
  return program_->catalog;
}

void Form_main::Load() {
  Program& p = *program_;
  FirstRunGreeting(p.directory, ui_);
  setWindowTitle(Q(u"Pellucor ver" + p.version));
  a_->Label_status.SetValue(u"");
  RecoverInterruptedRuns(p.directory, ui_);
  LoadSettings(*this, p.settings_path, p.directory);
  wait_field_->Load(p.settings_path);
  RefreshBoardList();
  RefreshOutputList();
  p.history.clear();
  if (!LoadHistory(p.history_path, p.history, a_->Check_devide.Value() != 0))
    ShowHistoryLoadFailed(ui_);
  p.history_base = p.history;
  adjustSize();
  minimum_ = size();
  setMinimumSize(minimum_);
  UpdateNetworkLabel(*this);
}

void Form_main::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  Program& p = *program_;
  if (!SaveHistory(p.history_path, p.history, p.history_base))
    ShowHistorySaveFailed(ui_, p.history_path);
  wait_field_->Save(p.settings_path);
  if (SaveSettings(*this, p.settings_path, SelectedBoardFile(), SelectedOutputFile()) && p.journal)
    p.journal->Discard();  // the last run's journal is owed nothing more
}

Text Form_main::SelectedBoardFile() const {
  const BoardEntry* e = program_->catalog.Board(combo_bbs_->currentIndex());
  return e ? e->file : Text();
}

Text Form_main::SelectedOutputFile() const {
  const OutputEntry* e = program_->catalog.Output(combo_out_->currentIndex());
  return e ? e->file : Text();
}

namespace {

// Fills a definition list. Before the first fill the catalogue's remembered choice counts;
// later (after a definition update) the entry the user has selected stays selected.
template <typename Entry>
void FillList(QComboBox* combo, std::vector<Entry>& target, std::vector<Entry> entries,
              const std::vector<Text>& names, int selected, bool keep_current) {
  Text current;
  if (keep_current && combo->currentIndex() >= 0 &&
      static_cast<size_t>(combo->currentIndex()) < target.size())
    current = target[static_cast<size_t>(combo->currentIndex())].file;
  target = std::move(entries);
  combo->clear();
  for (const Text& n : names) combo->addItem(Q(n));
  if (!current.empty()) {
    for (size_t i = 0; i < target.size(); ++i)
      if (target[i].file == current) selected = static_cast<int>(i);
  }
  combo->setCurrentIndex(selected >= 0 && selected < combo->count() ? selected : -1);
}

}  // namespace

void Form_main::RefreshBoardList() {
  BoardCatalog c = RefreshBoardCatalog(program_->directory, program_->settings_path);
  FillList(combo_bbs_, program_->catalog.boards, std::move(c.entries), c.names, c.selected,
           combo_bbs_->count() > 0);
}

void Form_main::RefreshOutputList() {
  OutputCatalog c = RefreshOutputCatalog(program_->directory, program_->settings_path);
  FillList(combo_out_, program_->catalog.outputs, std::move(c.entries), c.names, c.selected,
           combo_out_->count() > 0);
}

// ---------------------------------------------------------------------------------------------
// Commands

void Form_main::RecognizeDroppedText(const Text& text) {
  // The window still takes drops while its controls are locked; a run must keep its values.
  if (busy_ || text.empty()) return;
  RecognizeBoardUrl(*this, program_->catalog, ui_, text);
}

void Form_main::ViewCommand() {
  ViewerContext ctx{ui_, shell_, program_->clock};
  ShowResultFor(*this, ctx, program_->catalog);
}

void Form_main::OpenUrlCommand() {
  shell_tasks_->Run([url = FirstMessageAddress(*this)](Ui&, Shell& shell) { shell.Open(url); });
}

void Form_main::OpenBoardCommand() {
  const BoardEntry* e = program_->catalog.Board(combo_bbs_->currentIndex());
  if (!e) {
    ShowBoardNotSpecified(ui_);
    return;
  }
  shell_tasks_->Run([url = e->url](Ui&, Shell& shell) { shell.Open(url); });
}

void Form_main::EditDefinitionCommand(bool board, int index) {
  if (index != 0) return;  // delete and new have no reaction
  ShowEditNotice(ui_);
  Text file = board ? SelectedBoardFile() : SelectedOutputFile();
  if (file.empty()) return;
  shell_tasks_->Run([path = program_->directory + file](Ui&, Shell& shell) { shell.Edit(path); });
}

void Form_main::OutFileCommand() {
  Text out = a_->Text_out.Value();
  if (a_->Check_TopicToFilename.Value() == 0) {
    const OutputEntry* e = program_->catalog.Output(combo_out_->currentIndex());
    QFileDialog dialog(this, QString::fromUtf16(u"保存するﾌｧｲﾙを指定してください。"),
                       Q(PickerStartFolder(out)));
    dialog.setObjectName(QStringLiteral("OutFilePicker"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const PickerFilter& f : OutputFileFilters(e ? e->mark : Text())) filters << Q(f.caption);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    Text chosen = ChosenFilePath(ToText(dialog.selectedFiles().first()));
    if (!chosen.empty()) a_->Text_out.SetValue(chosen);
    return;
  }
  QFileDialog dialog(this, QString::fromUtf16(u"保存先ﾌｫﾙﾀﾞを指定して下さい。"));
  dialog.setObjectName(QStringLiteral("OutFolderPicker"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  Text preselect = FolderPickerPreselection(out);
  if (FolderExists(preselect))
    dialog.setDirectory(Q(preselect));
  else
    dialog.setDirectory(Q(PickerStartFolder(preselect)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  Text chosen = ToText(dialog.selectedFiles().first());
  if (!chosen.empty()) a_->Text_out.SetValue(ChosenFolderPath(chosen));
}

void Form_main::HistoryCommand() {
  Program& p = *program_;
  if (!CheckHistoryNotEmpty(p.history.size(), ui_)) return;
  SortHistoryForWindow(p.history, p.clock.Now());
  Form_record window(p.history, *this, ui_, shell_tasks_->Runner(), program_->catalog, this);
  window.EnablePatrol(p);
  window.exec();
}

void Form_main::NetworkCommand() {
  Form_network window(*this, ui_, this);
  window.exec();
  UpdateNetworkLabel(*this);
}

void Form_main::AboutCommand() {
  ui_.Beep();
  ui_.MessageBox(AboutText(program_->version, PELLUCOR_REVISION, QueryMachineFacts(),
                           DescribeProgramFolder(program_->directory, program_->folder_kind)),
                 AboutCaption(), Icon::Information, Buttons::Ok);
}

void Form_main::SupportPageCommand() {
  shell_tasks_->Run([](Ui&, Shell& shell) { shell.Open(kSupportPageUrl); });
}

}  // namespace pellucor::gui
