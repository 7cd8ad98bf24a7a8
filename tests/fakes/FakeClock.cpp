#include "fakes/FakeClock.h"

namespace fakes {

double FakeClock::SecondsSinceMidnight() {
  ++readings_;
  if (!script_.empty()) {
    now_ = script_.front();
    script_.pop_front();
  } else if (started_) {
    now_ += step_;
  }
  started_ = true;
  return now_;
}

}  // namespace fakes
