#pragma once

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // The local time of day in seconds since midnight, with a fraction.
  virtual double SecondsSinceMidnight() = 0;
};

}  // namespace platform
