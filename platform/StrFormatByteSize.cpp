#include "platform/StrFormatByteSize.h"

#include <cstdio>

namespace platform {

base::Text StrFormatByteSize(std::uint32_t count) {
  char buffer[32];
  if (count < 1024) {
    std::snprintf(buffer, sizeof buffer, "%u bytes", static_cast<unsigned>(count));
    return base::FromLatin1(buffer);
  }
  struct Unit {
    std::uint64_t bytes;
    const char* name;
  };
  static constexpr Unit kUnits[] = {{1ull << 10, "KB"}, {1ull << 20, "MB"}, {1ull << 30, "GB"}};
  const std::uint64_t n = count;
  // A unit serves up to 1000 of itself; 1000 KB and more is written in MB, as "0.97 MB".
  const Unit* unit = &kUnits[0];
  while (unit + 1 != std::end(kUnits) && n >= 1000 * unit->bytes) ++unit;
  // Three significant digits, each cut off: hundredths below 10 units, tenths below 100.
  if (n < 10 * unit->bytes) {
    const std::uint64_t hundredths = n * 100 / unit->bytes;
    std::snprintf(buffer, sizeof buffer, "%u.%02u %s", static_cast<unsigned>(hundredths / 100),
                  static_cast<unsigned>(hundredths % 100), unit->name);
  } else if (n < 100 * unit->bytes) {
    const std::uint64_t tenths = n * 10 / unit->bytes;
    std::snprintf(buffer, sizeof buffer, "%u.%u %s", static_cast<unsigned>(tenths / 10),
                  static_cast<unsigned>(tenths % 10), unit->name);
  } else {
    std::snprintf(buffer, sizeof buffer, "%u %s", static_cast<unsigned>(n / unit->bytes),
                  unit->name);
  }
  return base::FromLatin1(buffer);
}

}  // namespace platform
