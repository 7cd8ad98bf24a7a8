#include "platform/posix/PosixClock.h"

#include <time.h>

namespace platform::posix {

// Neither call fails for the system clock's own time, which has a valid clock id and a
// year far inside what a calendar time holds.
double PosixClock::SecondsSinceMidnight() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  // A leap second (tm_sec 60) stays below 86401; the fraction comes from the clock.
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
         static_cast<double>(now.tv_nsec) / 1e9;
}

std::int64_t PosixClock::SecondsSinceEpoch() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec);
}

}  // namespace platform::posix
