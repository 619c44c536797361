// The window's own desktop commands (open the topic, the folder, a definition, the error log):
// the desktop's verdict can take a moment (an opener that gives up, an editor watched for an
// early failure), so each command runs on a thread of its own, one after another in the order
// asked, while the window goes on. Its messages are shown on the GUI thread.
#pragma once

#include <QObject>
#include <deque>

#include "platform/shell.h"

namespace pellucor::gui {

class Worker;

class ShellTasks : public QObject {
 public:
  // `ui` must be callable from any thread (GuiThreadUi); `shell` too (XdgShell is).
  ShellTasks(Ui& ui, Shell& shell, QObject* parent = nullptr);
  // Waits for the task in hand; the ones not yet started are dropped.
  ~ShellTasks() override;

  void Run(ShellTask task);
  ShellRunner Runner() {
    return [this](ShellTask task) { Run(std::move(task)); };
  }
  bool Busy() const;

 private:
  void StartNext();

  Ui& ui_;
  Shell& shell_;
  Worker* worker_;
  std::deque<ShellTask> queue_;
};

}  // namespace pellucor::gui
