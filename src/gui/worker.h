// The thread a collection run, a version check or a download works on, so that the window
// keeps repainting and sees Cancel at any moment.
#pragma once

#include <QObject>
#include <functional>

class QThread;

namespace pellucor::gui {

class Worker : public QObject {
  Q_OBJECT

 public:
  explicit Worker(QObject* parent = nullptr) : QObject(parent) {}
  ~Worker() override;

  bool Busy() const { return thread_ != nullptr; }

  // Starts `work` on a thread of its own; `done` runs on the GUI thread once it has ended.
  // False (and nothing started) while earlier work is still going.
  bool Start(std::function<void()> work, std::function<void()> done);

  // Waits for the work to end, carrying out the calls it makes to the GUI thread meanwhile
  // (the window is going away; `done` is not called).
  void Finish();

 private:
  void Ended();

  QThread* thread_ = nullptr;
  std::function<void()> done_;
};

}  // namespace pellucor::gui
