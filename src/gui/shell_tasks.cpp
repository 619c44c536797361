#include "shell_tasks.h"

#include "worker.h"

namespace pellucor::gui {

ShellTasks::ShellTasks(Ui& ui, Shell& shell, QObject* parent)
    : QObject(parent), ui_(ui), shell_(shell), worker_(new Worker(this)) {}

ShellTasks::~ShellTasks() {
  queue_.clear();
  worker_->Finish();
}

bool ShellTasks::Busy() const {
  return worker_->Busy() || !queue_.empty();
}

void ShellTasks::Run(ShellTask task) {
  queue_.push_back(std::move(task));
  if (!worker_->Busy()) StartNext();
}

void ShellTasks::StartNext() {
  if (queue_.empty()) return;
  ShellTask task = std::move(queue_.front());
  queue_.pop_front();
  worker_->Start([this, task = std::move(task)] { task(ui_, shell_); }, [this] { StartNext(); });
}

}  // namespace pellucor::gui
