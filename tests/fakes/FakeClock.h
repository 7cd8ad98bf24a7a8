#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>

#include "platform/Clock.h"

namespace fakes {

// A clock that reads scripted times: each reading takes the next scripted value; when
// the script has run out, the time advances by `step` at every reading (0: it stands).
// The calendar time stands where it is set.
class FakeClock : public platform::Clock {
 public:
  explicit FakeClock(double start = 36000.0, double step = 0.0) : now_(start), step_(step) {}

  void Script(std::initializer_list<double> readings) { script_.insert(script_.end(), readings); }
  void SetStep(double step) { step_ = step; }
  int Readings() const { return readings_; }
  void SetSecondsSinceEpoch(std::int64_t seconds) { epoch_ = seconds; }

  double SecondsSinceMidnight() override;
  std::int64_t SecondsSinceEpoch() override { return epoch_; }

 private:
  double now_;
  double step_;
  bool started_ = false;
  std::deque<double> script_;
  int readings_ = 0;
  std::int64_t epoch_ = 1'300'000'000;  // March 2011
};

}  // namespace fakes
