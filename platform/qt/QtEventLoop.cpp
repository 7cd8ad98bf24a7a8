#include "platform/qt/QtEventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QObject>
#include <QThread>

namespace platform::qt {

class QtEventLoop::Nesting {
 public:
  explicit Nesting(QtEventLoop& loop) : loop_(loop) { ++loop_.depth_; }
  ~Nesting() { --loop_.depth_; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;

 private:
  QtEventLoop& loop_;
};

QtEventLoop::QtEventLoop() : receiver_(std::make_unique<QObject>()) {
  // The run ends when the program says so (its last form unloaded), not when Qt sees
  // its last window closed: a hidden form is still loaded.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  WatchDispatcher();
}

void QtEventLoop::WatchDispatcher() {
  // A flush that found itself nested is re-armed when the thread is next about to
  // sleep at the top level, that is once every handler has returned: the end of the
  // outermost wait is not enough, the handler that called it is still on the stack.
  // Nothing polls meanwhile.
  if (watching_) return;
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
    watching_ = true;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, receiver_.get(), [this] {
      if (deferred_ && !Nested()) Arm();
    });
  }
}

QtEventLoop::~QtEventLoop() = default;

bool QtEventLoop::Nested() const {
  return depth_ > 0 || QThread::currentThread()->loopLevel() > topLoopLevel_;
}

void QtEventLoop::DoEvents() {
  Nesting nesting(*this);
  // The engine calls this after every KiB, hundreds of thousands of times a second on a
  // fast link, and an idle full pass through the dispatcher and the X connection costs
  // more than reading the KiB. Posted events (queued calls, paint requests) still go out
  // at every call, so whatever was posted before a DoEvents has run when it returns;
  // input, timers and a click on Stop are seen at the next full pass, within a
  // millisecond.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastFullPass_ < kFullPassInterval) {
    QCoreApplication::sendPostedEvents();
    return;
  }
  lastFullPass_ = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::WaitEvents() {
  Nesting nesting(*this);
  // Sleeps in the dispatcher until something arrives, then dispatches it.
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  lastFullPass_ = std::chrono::steady_clock::now();
}

void QtEventLoop::Post(std::function<void()> fn) {
  posted_.push_back(std::move(fn));
  if (!deferred_) Arm();
}

void QtEventLoop::Arm() {
  deferred_ = false;
  if (armed_) return;
  armed_ = true;
  QMetaObject::invokeMethod(
      receiver_.get(),
      [this] {
        armed_ = false;
        Flush();
      },
      Qt::QueuedConnection);
}

void QtEventLoop::Flush() {
  if (posted_.empty()) return;
  if (Nested()) {
    WatchDispatcher();  // the loop may have been made before the application's dispatcher
    deferred_ = true;
    return;
  }
  RunPosted();
}

void QtEventLoop::RunPosted() {
  // What this work posts in turn runs at the next pass.
  std::deque<std::function<void()>> batch;
  batch.swap(posted_);
  for (auto& fn : batch) fn();
  if (!posted_.empty()) Arm();
}

int QtEventLoop::Run() {
  if (!quit_) {
    QEventLoop loop;
    running_ = &loop;
    const int savedTop = topLoopLevel_;
    topLoopLevel_ = QThread::currentThread()->loopLevel() + 1;
    if (!posted_.empty()) Arm();
    const int code = loop.exec();
    topLoopLevel_ = savedTop;
    running_ = nullptr;
    if (!quit_) code_ = code;  // someone else ended Qt's loops
  }
  // Work posted by the last handlers (the last forms' destruction) still runs, and the
  // widgets it let go of are deleted, before the run is over.
  while (!posted_.empty()) RunPosted();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  quit_ = false;
  return code_;
}

void QtEventLoop::Quit(int code) {
  quit_ = true;
  code_ = code;
  if (running_) running_->exit(code);
}

}  // namespace platform::qt
