#include "platform/qt/QtTimer.h"

namespace platform::qt {

QtTimer::QtTimer(QObject* parent, int intervalMs, bool enabled, std::function<void()> onTick)
    : QTimer(parent), tick_(std::move(onTick)), enabled_(enabled), interval_(intervalMs) {
  setTimerType(Qt::CoarseTimer);
  connect(this, &QTimer::timeout, this, [tick = tick_] { tick(); });
  Apply();
}

void QtTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

void QtTimer::SetInterval(int milliseconds) {
  // A new interval starts counting afresh.
  interval_ = milliseconds;
  if (isActive()) stop();
  Apply();
}

void QtTimer::Apply() {
  if (enabled_ && interval_ > 0) {
    if (!isActive()) start(interval_);
  } else {
    stop();
  }
}

void QtTimer::Retire() {
  stop();
  tick_.Clear();
}

}  // namespace platform::qt
