// The number rules, the version check and the upgrade window's read-out under a desktop
// language that writes "," for the decimal point. The tables themselves are the unit
// tests' own, built into this program; what it adds is the real application object,
// which takes the C library's locale from LANG and LC_ALL exactly as the program does.

#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "platform/real/RealPlatform.h"

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  platform::real::PrepareProcess();
  QApplication application(argc, argv);
  // Without the comma in force every table below would pass whatever the conversions
  // do: that is a failure of the run, not a reason to skip it.
  const char* point = std::localeconv()->decimal_point;
  if (std::strcmp(point, ",") != 0) {
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::fprintf(stderr,
                 "comma_locale_tests: the C library's decimal point is \"%s\" (LC_NUMERIC %s), "
                 "not \",\": run under LANG=de_DE.UTF-8 with that locale generated "
                 "(scripts/install-deps does it)\n",
                 point, numeric ? numeric : "unknown");
    return 1;
  }
  return RUN_ALL_TESTS();
}
