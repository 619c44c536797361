// Work that must happen on the GUI thread, asked for from the worker that runs a collection,
// a version check or a download: widgets, message boxes, the busy pointer, the desktop.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <type_traits>
#include <utility>

namespace pellucor::gui {

inline bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

// Runs `f` on the GUI thread and returns its result: at once when called there, else queued to
// the GUI thread's event loop while the caller waits. The GUI thread never waits for the worker
// while it runs its loop, so the two cannot block each other.
template <typename F>
auto CallOnGuiThread(F&& f) -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  if (OnGuiThread()) return f();
  QCoreApplication* app = QCoreApplication::instance();
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(
        app, [&f] { f(); }, Qt::BlockingQueuedConnection);
  } else {
    R result{};
    QMetaObject::invokeMethod(
        app, [&f, &result] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace pellucor::gui
