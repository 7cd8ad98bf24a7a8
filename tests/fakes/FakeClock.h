#pragma once

#include <deque>
#include <initializer_list>

#include "platform/Clock.h"

namespace fakes {

// A clock that reads scripted times: each reading takes the next scripted value; when
// the script has run out, the time advances by `step` at every reading (0: it stands).
class FakeClock : public platform::Clock {
 public:
  explicit FakeClock(double start = 36000.0, double step = 0.0) : now_(start), step_(step) {}

  void Script(std::initializer_list<double> readings) { script_.insert(script_.end(), readings); }
  void SetStep(double step) { step_ = step; }
  int Readings() const { return readings_; }

  double SecondsSinceMidnight() override;

 private:
  double now_;
  double step_;
  bool started_ = false;
  std::deque<double> script_;
  int readings_ = 0;
};

}  // namespace fakes
