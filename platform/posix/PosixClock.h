#pragma once

#include "platform/Clock.h"

namespace platform::posix {

// The local time of day from the system clock and the local time zone.
class PosixClock : public platform::Clock {
 public:
  double SecondsSinceMidnight() override;
  std::int64_t SecondsSinceEpoch() override;
};

}  // namespace platform::posix
