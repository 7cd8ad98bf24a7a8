#include "platform/posix/PosixClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

// Runs with TZ set to a fixed zone and puts the old value back afterwards.
class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  void Zone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }

  std::optional<std::string> saved_;
};

// Distance on the 24-hour circle, so that a run across midnight does not fail.
double Apart(double a, double b) {
  double d = std::fabs(a - b);
  return std::fmin(d, 86400 - d);
}

TEST_F(ZoneTest, SecondsSinceLocalMidnightFollowTheZone) {
  platform::posix::PosixClock clock;
  struct Case {
    const char* tz;
    long offset;  // seconds east of UTC
  };
  for (const Case& c : {Case{"UTC0", 0}, Case{"CST-8", 8 * 3600}, Case{"EST+5", -5 * 3600},
                        Case{"IST-5:30", 5 * 3600 + 1800}}) {
    SCOPED_TRACE(c.tz);
    Zone(c.tz);
    // Read from the precise clock, as the adapter reads it: time() reads a coarse one that
    // may still show the last second for a few milliseconds after it has passed.
    const auto wholeSeconds = [] {
      return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    };
    const std::time_t before = wholeSeconds();
    double now = clock.SecondsSinceMidnight();
    const std::time_t after = wholeSeconds();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 86401.0);
    // Within the whole seconds read around it, shifted by the zone.
    const double earliest = static_cast<double>(((before + c.offset) % 86400 + 86400) % 86400);
    EXPECT_LT(Apart(now, earliest), static_cast<double>(after - before) + 1.0);
  }
}

TEST(PosixClock, CarriesAFractionThatAdvances) {
  platform::posix::PosixClock clock;
  bool sawFraction = false;
  timespec start{};
  clock_gettime(CLOCK_REALTIME, &start);
  double first = clock.SecondsSinceMidnight();
  for (int i = 0; i < 5 && !sawFraction; ++i) {
    double t = clock.SecondsSinceMidnight();
    sawFraction = t != std::floor(t);
  }
  EXPECT_TRUE(sawFraction);
  // It advances with the system's clock: by the 30 ms slept, and no more than the
  // system's clock did around the two readings.
  timespec pause{0, 30'000'000};
  nanosleep(&pause, nullptr);
  double later = clock.SecondsSinceMidnight();
  timespec end{};
  clock_gettime(CLOCK_REALTIME, &end);
  const double around = static_cast<double>(end.tv_sec - start.tv_sec) +
                        static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
  EXPECT_GT(Apart(later, first), 0.025);
  EXPECT_LE(Apart(later, first), around + 0.001);
}

}  // namespace
