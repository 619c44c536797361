// Form_main: the program's main window. Its widgets hold every value a run works from; the
// engine sees them through MainForm. A run, a version check and a download work on a worker
// thread; whatever they ask of the window is carried out on the GUI thread.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/main_form.h"
#include "common/text.h"
#include "qt_controls.h"
#include "shell_tasks.h"
#include "worker_services.h"

class QAbstractButton;
class QAction;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QMenu;

namespace pellucor {
class Ui;
class Shell;
class HttpClient;
class Clock;
struct Program;
struct DefinitionCatalog;
}  // namespace pellucor

namespace pellucor::gui {

class WaitField;

class LineEditControl;
class LabelControl;
class CheckBoxControl;
class ComboControl;
class OptionGroupControl;
class WidgetControl;
class Worker;

class Form_main : public QMainWindow, public MainForm {
  Q_OBJECT

 public:
  // `program_directory` ends in "/". The services outlive the window.
  Form_main(Ui& ui, Shell& shell, HttpClient& http, Clock& clock, Text program_directory,
            QWidget* parent = nullptr);
  ~Form_main() override;

  // The load step: greeting, settings, catalogues, history, minimum size, network label.
  void Load();
  // The unload step (history, then the 24 keys). Runs once; closing the window calls it.
  void Unload();

  Program& program() { return *program_; }
  DefinitionCatalog& catalog();
  bool IsBusy() const { return busy_; }

  // Fills Combo_bbs / Combo_out from the catalogue and selects the remembered entries.
  void RefreshBoardList();
  void RefreshOutputList();

  // Reactions, public so that tests and menus reach them alike.
  void RecognizeDroppedText(const Text& text);
  void DropOnTextOut(const Text& path);
  void RunCommand();
  void CancelCommand();
  void ExitCommand();
  void ViewCommand();
  void OpenUrlCommand();
  void OpenBoardCommand();
  void EditDefinitionCommand(bool board, int index);
  void OutFileCommand();
  void HistoryCommand();
  void NetworkCommand();
  void CheckCommand(bool boards, bool outputs);
  void AboutCommand();
  void SupportPageCommand();

  // MainForm
  PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_OVERRIDE_CONTROL)
  std::vector<Control*> AllControls() override;

  // Tests replace the modal windows' display (they still run their logic).
  QSize MinimumSize() const { return minimum_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The frames (form_main_frames.cpp).
  void BuildWidgets();
  void BuildUrlFrame(QBoxLayout* column);
  void BuildDefinitionFrames(QBoxLayout* column);
  void BuildOutFileFrame(QBoxLayout* column);
  void BuildErrorFrame(QBoxLayout* column);
  void BuildNetworkFrame(QBoxLayout* column);
  void BuildNetworkHolders(QWidget* central);
  void BuildCommandRow(QBoxLayout* column);
  void BuildMenus();
  // Connects a button to a command of the window, carried out only while no work runs.
  void OnClick(QAbstractButton* button, std::function<void()> command);
  QLineEdit* Edit(const char* name, const QString& text, const QString& tip);
  QCheckBox* Check(const char* name, const QString& caption, const QString& tip);
  QPushButton* Button(const char* name, const QString& caption, const QString& tip);
  QRadioButton* Option(QButtonGroup* group, const char* name, int index, const QString& caption,
                       const QString& tip);
  QLabel* Label(const char* name, const QString& caption);
  // Starts a long operation on the worker; a close request meanwhile waits for its end
  // (form_main_run.cpp).
  void RunLocked(std::function<void()> work);
  // A command of the window, carried out only while no work runs: until the worker has locked
  // the window, a click may still come through.
  // Cancel, Exit and the close box: seen by the work in hand, or by the work about to start.
  void RequestCancel() {
    cancel_at_start = true;
    cancel_requested = true;
  }
  void Idle(const std::function<void()>& command) {
    if (!busy_) command();
  }
  Text SelectedBoardFile() const;
  Text SelectedOutputFile() const;

  // The services as the window and its worker use them: the Ui's calls from the worker are
  // carried out on the GUI thread; the shell works on any thread.
  GuiThreadUi ui_;
  Shell& shell_;
  Worker* worker_;
  std::unique_ptr<ShellTasks> shell_tasks_;  // the window's own desktop commands
  std::unique_ptr<Program> program_;

  // Widgets, named as the window's controls.
  QLineEdit *text_url1_, *text_from_, *text_to_, *text_url2_;
  QCheckBox *check_maxmsg_, *check_read_;
  QPushButton *command_openurl_, *command_record_;
  QComboBox *combo_bbs_, *combo_out_;
  QPushButton* command_openbbs_;
  QLineEdit* text_out_;
  QPushButton* command_outfile_;
  QCheckBox *check_topictofilename_, *check_devide_;
  QButtonGroup* option_devidekind_;
  QLineEdit *text_devidecnt_, *text_devidefilesize_;
  QComboBox* combo_devidedatekind_;
  QCheckBox *check_createtitleindex_, *check_nooutblank_;
  QButtonGroup* option_error_;
  QCheckBox* check_error_log_;
  QLabel* label_network_;
  WaitField* wait_field_;
  QButtonGroup* option_proxy_;
  QLineEdit *text_proxy_address_, *text_proxy_port_, *text_timeout_, *text_retry_;
  QPushButton *command_run_, *command_cancel_, *command_view_, *command_exit_;
  QLabel* label_status_;

  ControlLock lock_;
  struct Adapters;
  std::unique_ptr<Adapters> a_;
  std::vector<std::unique_ptr<Control>> all_;  // every control, in the window's order

  QSize minimum_;
  bool busy_ = false;           // the worker runs a run, version check or download
  bool close_pending_ = false;  // the window was closed while busy
  bool unloaded_ = false;
};

}  // namespace pellucor::gui
