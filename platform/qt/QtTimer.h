#pragma once

#include <QTimer>

#include "platform/Ui.h"
#include "platform/qt/QtHandler.h"

namespace platform::qt {

// A form's timer: ticks every interval while enabled; an interval of 0 never ticks.
class QtTimer : public QTimer, public platform::Timer {
 public:
  QtTimer(QObject* parent, int intervalMs, bool enabled, std::function<void()> onTick);

  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  void SetInterval(int milliseconds) override;
  int Interval() const override { return interval_; }

  // The window is going away: no more ticks.
  void Retire();

 private:
  void Apply();

  QtHandler tick_;
  bool enabled_ = false;
  int interval_ = 0;
};

}  // namespace platform::qt
