#include "base/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace {

using base::ErrorKind;
using base::RuntimeError;
using base::Text;

std::string Narrow(const Text& t) {
  return base::ToUtf8(t);
}

template <class F>
ErrorKind KindOf(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.Kind();
  }
  ADD_FAILURE() << "no RuntimeError thrown";
  return ErrorKind::InvalidCall;
}

// The version check writes server − 3.1 as text; the texts decide the outcome, so every
// digit matters.
struct VersionCase {
  const char16_t* server;
  const char* difference;
};

class VersionDifference : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionDifference, WritesTheDifferenceAsTheVersionCheckComparesIt) {
  const auto& c = GetParam();
  const double diff = base::LeadingNumber(c.server) - base::LeadingNumber(u"3.1");
  EXPECT_EQ(Narrow(base::NumberToText(diff)), c.difference) << Narrow(c.server);
}

INSTANTIATE_TEST_SUITE_P(
    AgainstOwnVersion, VersionDifference,
    testing::Values(
        VersionCase{u"", "-3.1"}, VersionCase{u"abc", "-3.1"}, VersionCase{u"0", "-3.1"},
        VersionCase{u"3.0", "-0.1"}, VersionCase{u"3.05", "-5.00000000000003E-02"},
        VersionCase{u"3.1", "0"}, VersionCase{u"3.11", "9.99999999999979E-03"},
        VersionCase{u"3.15", "4.99999999999998E-02"}, VersionCase{u"3.2", "0.1"},
        VersionCase{u"3.21", "0.11"}, VersionCase{u"3.25", "0.15"}, VersionCase{u"3.29", "0.19"},
        VersionCase{u"3.3", "0.2"}, VersionCase{u"3.31", "0.21"}, VersionCase{u"3.35", "0.25"},
        VersionCase{u"3.4", "0.3"}, VersionCase{u"4.1", "1"}, VersionCase{u"13.1", "10"},
        VersionCase{u"2.9", "-0.2"}, VersionCase{u"3.3\r\n", "0.2"}, VersionCase{u"3.3.1", "0.2"}));

struct LeadingCase {
  const char16_t* text;
  double value;
};

class LeadingNumberRules : public testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingNumberRules, ReadsTheLeadingNumber) {
  const auto& c = GetParam();
  EXPECT_EQ(base::LeadingNumber(c.text), c.value) << Narrow(c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeadingNumberRules,
    testing::Values(LeadingCase{u"3.3.1", 3.3}, LeadingCase{u"3.3\r\n", 3.3},
                    LeadingCase{u"3\r3", 3}, LeadingCase{u" 3 . 3", 3.3},
                    LeadingCase{u"\t3\n.\n3 1", 3.31}, LeadingCase{u"\n\n 42abc", 42},
                    LeadingCase{u"-2.5", -2.5}, LeadingCase{u"+7", 7}, LeadingCase{u"- 1", -1},
                    LeadingCase{u"1.5E2", 150}, LeadingCase{u"1.5e-1x", 0.15},
                    LeadingCase{u"2E", 2}, LeadingCase{u"2E+", 2}, LeadingCase{u"4E 1", 40},
                    LeadingCase{u".5", 0.5}, LeadingCase{u"7.", 7}, LeadingCase{u"&H10", 16},
                    LeadingCase{u"&hff", 255}, LeadingCase{u"&O17", 15}, LeadingCase{u"&O19", 1},
                    LeadingCase{u"&H", 0}, LeadingCase{u"", 0}, LeadingCase{u"v3.1", 0},
                    LeadingCase{u"\r3", 0}, LeadingCase{u"-", 0}, LeadingCase{u".", 0},
                    LeadingCase{u"+-3", 0}, LeadingCase{u"３", 0}));

TEST(LeadingNumber, NoNumberIsPositiveZero) {
  EXPECT_FALSE(std::signbit(base::LeadingNumber(u"-")));
  EXPECT_FALSE(std::signbit(base::LeadingNumber(u"-0")));
}

// Past the range of a double the reader keeps what the C library's reader gives: an
// infinity above, a zero below, denormals in between.
TEST(LeadingNumber, BeyondTheRangeOfADouble) {
  const double inf = std::numeric_limits<double>::infinity();
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double largest = std::numeric_limits<double>::max();
  const struct {
    const char16_t* text;
    double value;
  } cases[] = {
      {u"1E400", inf},
      {u"+1E400", inf},
      {u"-1E400", -inf},
      {u"0.000000000000000000001E330", inf},
      {u"1E99999999999999999999", inf},
      {u"1.7976931348623157E308", largest},
      {u"17976931348623158E292", largest},
      {u"1.7976931348623159E308", inf},
      {u"1E-400", 0},
      {u"-1E-400", 0},
      {u"1000000E-330", 0},
      {u"1E-99999999999999999999", 0},
      {u"4.9E-324", tiny},
      {u"2.4703282292062328E-324", tiny},
      {u"2.4703282292062327E-324", 0},
      {u"1E-310", 1e-310},
      {u"0.00000000000000000000000000000000000000000000000000000000000000000000000001", 1e-74},
  };
  for (const auto& c : cases) EXPECT_EQ(base::LeadingNumber(c.text), c.value) << Narrow(c.text);
  // The digits' own place counts as much as the exponent.
  const Text zeros(400, u'0');
  EXPECT_EQ(base::LeadingNumber(u"0." + zeros + u"1E50"), 0);
  EXPECT_EQ(base::LeadingNumber(u"1" + zeros + u"E-50"), inf);
}

TEST(RoundTo15Digits, RoundsTheDecimalFormAndReadsItBack) {
  const double largest = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(base::RoundTo15Digits(1.0 / 3), 0.333333333333333);
  EXPECT_EQ(base::RoundTo15Digits(-2.0 / 3), -0.666666666666667);
  EXPECT_EQ(base::RoundTo15Digits(1234567890123455.0), 1234567890123460.0);  // a tie: to even
  EXPECT_EQ(base::RoundTo15Digits(1234567890123465.0), 1234567890123460.0);
  // The largest double's 15 digits lie above it.
  EXPECT_EQ(base::RoundTo15Digits(largest), std::numeric_limits<double>::infinity());
  EXPECT_EQ(base::RoundTo15Digits(-largest), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(base::RoundTo15Digits(tiny), tiny);
  EXPECT_EQ(base::RoundTo15Digits(0.0), 0.0);
}

struct TextCase {
  double value;
  const char* text;
};

class NumberToTextForms : public testing::TestWithParam<TextCase> {};

TEST_P(NumberToTextForms, Writes15SignificantDigits) {
  EXPECT_EQ(Narrow(base::NumberToText(GetParam().value)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberToTextForms,
    testing::Values(TextCase{0.2, "0.2"}, TextCase{-0.1, "-0.1"}, TextCase{10, "10"},
                    TextCase{0, "0"}, TextCase{-0.0, "0"}, TextCase{1e15, "1E+15"},
                    TextCase{999999999999999, "999999999999999"},
                    TextCase{999999999999999.9, "1E+15"},
                    TextCase{123456789012345678.0, "1.23456789012346E+17"},
                    TextCase{3.15 - 3.1, "4.99999999999998E-02"},
                    TextCase{1.0 / 3, "0.333333333333333"}, TextCase{2.0 / 3, "0.666666666666667"},
                    TextCase{0.1 + 0.2, "0.3"}, TextCase{1e-15, "0.000000000000001"},
                    TextCase{1.5e-15, "1.5E-15"}, TextCase{1e-100, "1E-100"},
                    TextCase{-1.25e300, "-1.25E+300"}, TextCase{100.5, "100.5"},
                    TextCase{1234567890123455.0, "1.23456789012346E+15"}, TextCase{1e-5, "0.00001"},
                    TextCase{-2.5e-16, "-2.5E-16"},
                    TextCase{std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
                    TextCase{std::numeric_limits<double>::max(), "1.79769313486232E+308"}));

TEST(ToInteger, RoundsTiesToEven) {
  EXPECT_EQ(base::ToInt16(0.5), 0);
  EXPECT_EQ(base::ToInt16(1.5), 2);
  EXPECT_EQ(base::ToInt16(2.5), 2);
  EXPECT_EQ(base::ToInt16(-2.5), -2);
  EXPECT_EQ(base::ToInt16(2.5000001), 3);
  EXPECT_EQ(base::ToInt16(32767.4), 32767);
  EXPECT_EQ(base::ToInt16(-32768.5), -32768);
  EXPECT_EQ(base::ToInt32(1023.5), 1024);
  EXPECT_EQ(base::ToInt32(0.5), 0);
  EXPECT_EQ(base::ToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(base::ToInt32(-2147483648.5), -2147483647 - 1);
}

TEST(ToInteger, OutOfRangeOrNaNIsOverflow) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double v : {32767.5, -32769.0, 1e10, nan, inf, -inf}) {
    EXPECT_EQ(KindOf([&] { base::ToInt16(v); }), ErrorKind::Overflow) << v;
  }
  for (double v : {2147483647.5, 2147483648.0, -2147483649.0, nan, inf}) {
    EXPECT_EQ(KindOf([&] { base::ToInt32(v); }), ErrorKind::Overflow) << v;
  }
  EXPECT_EQ(base::ToInt16(std::int64_t{-32768}), -32768);
  EXPECT_EQ(KindOf([] { base::ToInt16(std::int64_t{32768}); }), ErrorKind::Overflow);
  EXPECT_EQ(KindOf([] { base::ToInt16(std::int64_t{-32769}); }), ErrorKind::Overflow);
}

TEST(RoundDecimals, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(base::RoundDecimals(100.0 / 3, 2), 33.33);
  EXPECT_EQ(base::RoundDecimals(200.0 / 3, 2), 66.67);
  EXPECT_EQ(base::RoundDecimals(7.5, 2), 7.5);
  EXPECT_EQ(base::RoundDecimals(0.125, 2), 0.12);
  EXPECT_EQ(base::RoundDecimals(0.375, 2), 0.38);
  EXPECT_EQ(base::RoundDecimals(2.675, 2), 2.68);  // a tie as written, though stored below
  EXPECT_EQ(base::RoundDecimals(-0.125, 2), -0.12);
  EXPECT_EQ(base::RoundDecimals(0.004, 2), 0);
  EXPECT_EQ(base::RoundDecimals(0.005, 2), 0);
  EXPECT_EQ(base::RoundDecimals(0.0051, 2), 0.01);
  EXPECT_EQ(base::RoundDecimals(99.995, 2), 100);
  EXPECT_EQ(base::RoundDecimals(2.5, 0), 2);
  EXPECT_EQ(base::RoundDecimals(3.5, 0), 4);
  EXPECT_EQ(base::RoundDecimals(1340.0 / 24000.16, 2), 0.06);
  EXPECT_EQ(base::RoundDecimals(0.1 + 0.2, 20), 0.1 + 0.2);  // nothing to drop
}

struct PatternCase {
  double value;
  const char* text;
};

class ZeroPointZeroZero : public testing::TestWithParam<PatternCase> {};

TEST_P(ZeroPointZeroZero, RoundsHalfAwayFromZero) {
  EXPECT_EQ(Narrow(base::FormatZeroPointZeroZero(GetParam().value)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZeroPointZeroZero,
                         testing::Values(PatternCase{0.125, "0.13"}, PatternCase{0.135, "0.14"},
                                         PatternCase{45.67, "45.67"}, PatternCase{100, "100.00"},
                                         PatternCase{0, "0.00"}, PatternCase{0.00125 * 100, "0.13"},
                                         PatternCase{base::RoundTo15Digits(1.0 / 3) * 100, "33.33"},
                                         PatternCase{base::RoundTo15Digits(2.0 / 3) * 100, "66.67"},
                                         PatternCase{0.5, "0.50"}, PatternCase{9.995, "10.00"},
                                         PatternCase{-1.005, "-1.01"}, PatternCase{-45.5, "-45.50"},
                                         PatternCase{-0.001, "0.00"}, PatternCase{-0.005, "-0.01"},
                                         PatternCase{0.004999, "0.00"}, PatternCase{1e-300, "0.00"},
                                         PatternCase{1234567.891, "1234567.89"},
                                         PatternCase{1e20, "100000000000000000000.00"}));

TEST(ZeroPointZeroZero, NonFiniteIsAnError) {
  EXPECT_EQ(KindOf([] { base::FormatZeroPointZeroZero(std::nan("")); }), ErrorKind::Overflow);
}

TEST(TextToInt32, ReadsContentLengthsAndPorts) {
  EXPECT_EQ(base::TextToInt32(u"81"), 81);
  EXPECT_EQ(base::TextToInt32(u" 42 "), 42);
  EXPECT_EQ(base::TextToInt32(u"\t7\t"), 7);
  EXPECT_EQ(base::TextToInt32(u"-12"), -12);
  EXPECT_EQ(base::TextToInt32(u"2.5"), 2);
  EXPECT_EQ(base::TextToInt32(u"3.5"), 4);
  EXPECT_EQ(base::TextToInt32(u"1E3"), 1000);
  EXPECT_EQ(base::TextToInt32(u"&H10"), 16);
  EXPECT_EQ(base::TextToInt32(u"&O17"), 15);
  EXPECT_EQ(base::TextToInt32(u"2147483647"), 2147483647);
}

TEST(TextToInt32, RejectsWhatIsNotANumber) {
  for (const char16_t* t : {u"", u"   ", u"abc", u"12abc", u"1 2", u"-", u".", u"1E", u"&H",
                            u"&H1G", u"3.3.1", u"3\r\n"}) {
    EXPECT_EQ(KindOf([&] { base::TextToInt32(t); }), ErrorKind::TypeMismatch) << Narrow(t);
  }
  for (const char16_t* t : {u"3000000000", u"2147483648", u"-2147483649", u"1E999"}) {
    EXPECT_EQ(KindOf([&] { base::TextToInt32(t); }), ErrorKind::Overflow) << Narrow(t);
  }
}

TEST(CheckedArithmetic, InvalidResultsThrowTheirKind) {
  EXPECT_EQ(base::CheckedDivide(1340, 24000.16), 1340 / 24000.16);
  EXPECT_EQ(KindOf([] { base::CheckedDivide(1, 0); }), ErrorKind::DivisionByZero);
  EXPECT_EQ(KindOf([] { base::CheckedDivide(0, 0); }), ErrorKind::DivisionByZero);
  EXPECT_EQ(KindOf([] { base::CheckedDivide(-5, 0); }), ErrorKind::DivisionByZero);
  EXPECT_EQ(base::CheckFinite(-3.5), -3.5);
  EXPECT_EQ(KindOf([] { base::CheckFinite(std::numeric_limits<double>::infinity()); }),
            ErrorKind::Overflow);
  EXPECT_EQ(KindOf([] { base::CheckFinite(std::nan("")); }), ErrorKind::Overflow);
}

}  // namespace
