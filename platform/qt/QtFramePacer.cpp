#include "platform/qt/QtFramePacer.h"

#include <algorithm>

namespace platform::qt {

QtFramePacer::QtFramePacer(std::function<void()> work) : work_(std::move(work)) {
  timer_.setSingleShot(true);
  // A coarse timer may fire up to 5% late; a frame is short enough to want it on time.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Run(); });
}

void QtFramePacer::Arm() {
  pending_ = true;
  const qint64 since = sinceRun_.isValid() ? sinceRun_.elapsed() : kFrameMs;
  timer_.start(static_cast<int>(std::clamp<qint64>(kFrameMs - since, 0, kFrameMs)));
}

void QtFramePacer::RunPending() {
  if (!pending_) return;
  timer_.stop();
  Run();
}

void QtFramePacer::Run() {
  pending_ = false;
  sinceRun_.start();
  work_();
}

}  // namespace platform::qt
