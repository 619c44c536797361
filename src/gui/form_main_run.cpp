// The run control of the main window: long work goes to the worker with the window locked;
// Cancel, Exit and the close box ask it to stop; the window closes after its clean end.
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/form_values.h"
#include "app/network.h"
#include "app/program.h"
#include "app/run_command.h"
#include "form_download.h"
#include "form_main.h"
#include "update/update.h"
#include "wait_field.h"
#include "worker.h"

namespace pellucor::gui {

void Form_main::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // The running operation sees the cancel request, ends through its own closing steps, and
    // the window closes after it.
    RequestCancel();
    command_cancel_->setEnabled(false);
    close_pending_ = true;
    event->ignore();
    return;
  }
  Unload();
  event->accept();
}

void Form_main::RunLocked(std::function<void()> work) {
  if (busy_) return;
  busy_ = true;
  // Locked from the click to the end of the work, as the work itself will lock it.
  lock_.Hold(command_cancel_, label_status_);
  for (auto& c : all_) c->SetEnabled(false);
  command_cancel_->setEnabled(true);
  cancel_at_start = false;
  worker_->Start(std::move(work), [this] {
    lock_.Release();
    busy_ = false;
    // A close request that came during the work is carried out now that it has ended.
    if (close_pending_) {
      close_pending_ = false;
      QTimer::singleShot(0, this, &QWidget::close);
    }
  });
}

void Form_main::CancelCommand() {
  command_cancel_->setEnabled(false);
  RequestCancel();
}

void Form_main::ExitCommand() {
  RequestCancel();
  close();
}

void Form_main::RunCommand() {
  if (!wait_field_->Apply(program_->http, ui_)) return;
  RunLocked([this] { pellucor::RunCommand(*program_, [this] { ViewCommand(); }); });
}

void Form_main::CheckCommand(bool boards, bool outputs) {
  if (busy_) return;
  Program& p = *program_;
  auto ctx = std::make_shared<UpdateContext>(ui_, p.http, p.clock, p.directory, UpdateBaseUrl());
  BindUpdateToForm(*ctx, *this);
  ctx->apply_network_settings = [this, &p] { return ApplyNetworkSettings(*this, p.http, ui_); };
  ctx->set_run_state = [this](bool running) { SetRunState(*this, ui_, running); };
  ctx->refresh_board_catalog = [this] { CallOnGuiThread([this] { RefreshBoardList(); }); };
  ctx->refresh_output_catalog = [this] { CallOnGuiThread([this] { RefreshOutputList(); }); };
  ctx->download_window = [this](DownloadList& list) {
    CallOnGuiThread([&] {
      if (ui_.Dismissed()) return;  // the window is going away: nothing is chosen
      Form_download window(list, ui_, this);
      window.exec();
    });
  };
  RunLocked([ctx, boards, outputs] { CheckForUpdates(*ctx, boards, outputs); });
}

}  // namespace pellucor::gui
