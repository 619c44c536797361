#include "worker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace pellucor::gui {

Worker::~Worker() {
  Finish();
}

bool Worker::Start(std::function<void()> work, std::function<void()> done) {
  if (thread_) return false;
  done_ = std::move(done);
  thread_ = QThread::create(std::move(work));
  // Queued: `finished` comes from the worker's thread, Ended belongs to the GUI thread.
  connect(thread_, &QThread::finished, this, &Worker::Ended, Qt::QueuedConnection);
  thread_->start();
  return true;
}

void Worker::Ended() {
  if (!thread_) return;
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  if (auto done = std::exchange(done_, nullptr)) done();
}

void Worker::Finish() {
  if (!thread_) return;
  disconnect(thread_, nullptr, this, nullptr);
  // The worker may be waiting for the GUI thread to carry out a call: deliver those.
  while (!thread_->wait(10)) QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
  delete thread_;
  thread_ = nullptr;
  done_ = nullptr;
}

}  // namespace pellucor::gui
