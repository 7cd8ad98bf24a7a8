#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/StrFormatByteSize.h"
#include "upgrade/FormatBytes.h"

namespace {

TEST(StrFormatByteSize, ThreeDigitsCutOffInTheLargestUnitBelow1000) {
  struct Case {
    std::uint32_t count;
    const char16_t* text;
  };
  const Case cases[] = {
      {0, u"0 bytes"},           {532, u"532 bytes"},      {1023, u"1023 bytes"},
      {1024, u"1.00 KB"},        {1340, u"1.30 KB"},       {10191, u"9.95 KB"},
      {10239, u"9.99 KB"},       {10240, u"10.0 KB"},      {23506, u"22.9 KB"},
      {100353, u"98.0 KB"},      {102399, u"99.9 KB"},     {102400, u"100 KB"},
      {1023999, u"999 KB"},      {1024000, u"0.97 MB"},    {1048575, u"0.99 MB"},
      {1048576, u"1.00 MB"},     {2400016, u"2.28 MB"},    {104857599, u"99.9 MB"},
      {1048575999, u"999 MB"},   {1048576000, u"0.97 GB"}, {2147483648u, u"2.00 GB"},
      {4294967295u, u"3.99 GB"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::StrFormatByteSize(c.count), c.text) << c.count;
}

TEST(FormatBytes, RoundsToA32BitCountReadUnsigned) {
  struct Case {
    double value;
    const char16_t* text;
  };
  const Case cases[] = {
      {0, u"0 bytes"},
      {0.5, u"0 bytes"},  // ties go to the even neighbour
      {1.5, u"2 bytes"},
      {2.5, u"2 bytes"},
      {1023.5, u"1.00 KB"},
      {2400016, u"2.28 MB"},
      {-1, u"3.99 GB"},  // the count's unsigned pattern
      {-1024, u"3.99 GB"},
      {-2147483648.0, u"2.00 GB"},
      {2147483647, u"1.99 GB"},
      {2147483647.5, u""},  // rounds to 2^31
      {2147483648.0, u""},
      {4294967295.0, u""},
      {-2147483649.0, u""},
      {1e300, u""},
      {std::numeric_limits<double>::quiet_NaN(), u""},
      {std::numeric_limits<double>::infinity(), u""},
  };
  for (const Case& c : cases) EXPECT_EQ(upgrade::FormatBytes(c.value), c.text) << c.value;
}

}  // namespace
