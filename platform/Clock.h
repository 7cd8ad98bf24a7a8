#pragma once

#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // The local time of day in seconds since midnight, with a fraction.
  virtual double SecondsSinceMidnight() = 0;
  // The calendar time in whole seconds since 1970-01-01 00:00 UTC (cookie expiry).
  virtual std::int64_t SecondsSinceEpoch() = 0;
};

}  // namespace platform
