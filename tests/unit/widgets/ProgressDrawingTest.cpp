#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ProgressWorld.h"
#include "base/RuntimeError.h"

namespace widgets::testing {
namespace {

using Calls = std::vector<std::string>;

class ProgressDrawing : public ::testing::Test, public ProgressWorld {
 protected:
  void SetUp() override { bar.InitProperties(); }

  // The caption text of one assignment of `value`.
  base::Text Drawn(double v) {
    pic.ClearDrawing();
    bar.SetValue(v);
    EXPECT_EQ(pic.Printed().size(), 1u);
    return pic.Printed().empty() ? base::Text() : pic.Printed().back();
  }
  // The right edge of the filled box of one assignment of `value`.
  std::string FillTo(double v) {
    pic.ClearDrawing();
    bar.SetValue(v);
    const std::string last = pic.Drawing().back();
    EXPECT_EQ(last.rfind("FilledBox 0 0 ", 0), 0u) << last;
    return last.substr(14, last.find(' ', 14) - 14);
  }
};

TEST_F(ProgressDrawing, OneAssignmentClearsPrintsCentredAndFillsUnderNotXorPen) {
  bar.SetValue(44.5);
  // "44.50%" is 6 characters of 120 twips: 720 twips, 10.148 units of the 100 across
  // the 7095-twip picture; the line of 180 twips sits in the middle of 375.
  const float textWidth = 720.0f * 100 / 7095;
  char x[32];
  std::snprintf(x, sizeof x, "CurrentX %.9g", 100 / 2.0f - textWidth / 2.0f);
  EXPECT_EQ(pic.Drawing(), (Calls{"Clear", "ScaleWidth 100", "DrawMode 10", x, "CurrentY 97.5",
                                  "Print 44.50%", "FilledBox 0 0 44.5 7095 0xFF0000"}));
  EXPECT_EQ(bar.value(), 44);
  EXPECT_EQ(pic.DrawMode(), platform::DrawMode::kNotXorPen);
}

TEST_F(ProgressDrawing, PercentageText) {
  const struct {
    std::int32_t min, max;
    double v;
    const char16_t* text;
  } cases[] = {
      {0, 100, 45.67, u"45.67%"}, {20, 120, 70, u"50.00%"}, {0, 3, 1, u"33.33%"},
      {0, 3, 2, u"66.67%"},       {0, 800, 1, u"0.13%"},    {0, 100, 100, u"100.00%"},
      {0, 100, 150, u"100.00%"},  {0, 100, 0, u"0.00%"},    {0, 100, -3, u"0.00%"},
      {0, 100, 44.5, u"44.50%"},  {-50, 50, 0, u"50.00%"},  {0, 1000000, 1, u"0.00%"},
      {0, 200, 0.01, u"0.01%"},
  };
  for (const auto& c : cases) {
    bar.SetMin(c.min);
    bar.SetMax(c.max);
    EXPECT_EQ(Drawn(c.v), c.text) << c.min << ".." << c.max << " at " << c.v;
  }
}

TEST_F(ProgressDrawing, CaptionStyles) {
  const struct {
    std::int32_t style;
    const char16_t* caption;
    const char16_t* text;
  } cases[] = {
      {CaptionNone, u"", u""},
      {CaptionNone, u"升级", u""},
      {CaptionOnly, u"", u""},
      {CaptionOnly, u"升级", u"升级"},
      {PercentOnly, u"", u"25.00%"},
      {PercentOnly, u"升级", u"25.00%"},
      {CaptionAndPercent, u"", u"25.00%"},
      {CaptionAndPercent, u"升级", u"升级 25.00%"},
      {7, u"", u"25.00%"},
      {7, u"升级", u"升级 25.00%"},
      {-1, u"升级", u"升级 25.00%"},
  };
  for (const auto& c : cases) {
    bar.SetCaptionStyle(c.style);
    bar.SetCaption(c.caption);
    EXPECT_EQ(Drawn(25), c.text) << "style " << c.style;
    // The fill is drawn whatever the caption.
    EXPECT_EQ(pic.Drawing().back(), "FilledBox 0 0 25 7095 0xFF0000") << "style " << c.style;
  }
}

TEST_F(ProgressDrawing, TheFillIsClampedToTheRange) {
  bar.SetMin(20);
  bar.SetMax(120);
  EXPECT_EQ(FillTo(70), "50");
  EXPECT_EQ(FillTo(120), "100");
  EXPECT_EQ(FillTo(500), "100");
  EXPECT_EQ(FillTo(19.5), "0");
  EXPECT_EQ(FillTo(-1e9), "0");
  EXPECT_EQ(bar.value(), -1e9);  // stored as assigned, drawn clamped
}

TEST_F(ProgressDrawing, MinAboveMaxDrawsEveryValueAtOneEnd) {
  bar.SetMax(0);
  bar.SetMin(100);
  // Max is tested first: 50 is above it, and is drawn at Max.
  EXPECT_EQ(FillTo(50), "-100");
  EXPECT_EQ(pic.Drawing()[1], "ScaleWidth -100");
  EXPECT_EQ(pic.Printed().back(), u"100.00%");
  EXPECT_EQ(FillTo(-50), "0");
  EXPECT_EQ(pic.Printed().back(), u"0.00%");
}

TEST_F(ProgressDrawing, MaxEqualToMinFailsAndLeavesTheBarCleared) {
  bar.SetMax(40);
  bar.SetMin(40);
  pic.ClearDrawing();
  EXPECT_EQ(KindOf([&] { bar.SetValue(40); }), base::ErrorKind::DivisionByZero);
  EXPECT_EQ(pic.Drawing(), Calls{"Clear"});
  EXPECT_EQ(bar.value(), 40);  // stored before the drawing failed

  // Without a percentage the picture refuses the empty scale.
  bar.SetCaptionStyle(CaptionNone);
  pic.ClearDrawing();
  EXPECT_EQ(KindOf([&] { bar.SetValue(41); }), base::ErrorKind::InvalidCall);
  EXPECT_EQ(pic.Drawing(), Calls{"Clear"});
  EXPECT_EQ(bar.value(), 41);
}

TEST_F(ProgressDrawing, ARangeBeyondThirtyTwoBitsOverflows) {
  bar.SetMax(std::numeric_limits<std::int32_t>::max());
  bar.SetMin(-1);
  for (std::int32_t style : {PercentOnly, CaptionNone}) {
    bar.SetCaptionStyle(style);
    pic.ClearDrawing();
    EXPECT_EQ(KindOf([&] { bar.SetValue(5); }), base::ErrorKind::Overflow) << style;
    EXPECT_EQ(pic.Drawing(), Calls{"Clear"}) << style;
  }
}

TEST_F(ProgressDrawing, ASurfaceFailureEndsTheDrawingWithWhatWasDone) {
  pic.FailOn("Print");
  EXPECT_EQ(KindOf([&] { bar.SetValue(60); }), base::ErrorKind::InvalidCall);
  ASSERT_EQ(pic.Drawing().size(), 5u);
  EXPECT_EQ(pic.Drawing().back().rfind("CurrentY", 0), 0u);
  EXPECT_EQ(bar.value(), 60);
}

TEST_F(ProgressDrawing, ChangesShowOnlyAtTheNextAssignment) {
  bar.SetValue(10);
  pic.ClearDrawing();
  bar.SetCaption(u"新");
  bar.SetCaptionStyle(CaptionAndPercent);
  bar.SetForeColor(base::kRed);
  bar.SetFillColor(base::kRed);
  bar.SetMax(20);
  EXPECT_TRUE(pic.Drawing().empty());
  EXPECT_EQ(Drawn(10), u"新 50.00%");
  EXPECT_EQ(pic.Drawing().back(), "FilledBox 0 0 10 7095 0xFF");
}

TEST_F(ProgressDrawing, ADisabledBarDrawsLikeAnEnabledOne) {
  bar.SetValue(33);
  const Calls enabled = pic.Drawing();
  bar.SetEnabled(false);
  pic.ClearDrawing();
  bar.SetValue(33);
  EXPECT_EQ(pic.Drawing(), enabled);
}

// The caption of an assignment made in a long run of them is what the same assignment
// on a fresh bar prints, whatever came before it.
class ProgressCaptionInARun : public ProgressDrawing {
 protected:
  base::Text Fresh(std::int32_t min, std::int32_t max, double v) {
    ProgressWorld fresh;
    fresh.bar.InitProperties();
    fresh.bar.SetMin(min);
    fresh.bar.SetMax(max);
    fresh.bar.SetValue(v);
    return fresh.pic.Printed().at(0);
  }
  void ExpectRunMatchesFresh(std::int32_t min, std::int32_t max, const std::vector<double>& run) {
    bar.SetMin(min);
    bar.SetMax(max);
    for (double v : run) {
      const base::Text text = Drawn(v);
      if (text != Fresh(min, max, v)) {
        ADD_FAILURE() << min << ".." << max << " at " << v;
        return;
      }
    }
  }
};

TEST_F(ProgressCaptionInARun, ADownloadOfSixtyFourMebibytesUpAndDown) {
  std::vector<double> up;
  for (int k = 0; k <= 65536; ++k) up.push_back(k * (100.0 / 65536));
  ExpectRunMatchesFresh(0, 100, up);
  ExpectRunMatchesFresh(0, 100, std::vector<double>(up.rbegin(), up.rend()));
  // The same values on other ranges: different fractions, the same texts reused.
  ExpectRunMatchesFresh(0, 800, up);
  ExpectRunMatchesFresh(-50, 50, up);
}

TEST_F(ProgressCaptionInARun, ValuesAtAndAroundTheRoundingEdges) {
  std::vector<double> run;
  for (double edge : {0.005, 0.015, 2.675, 1.005, 44.995, 99.995, 50.125, 33.335}) {
    for (double nudge : {-1e-9, -1e-12, 0.0, 1e-12, 1e-9}) run.push_back(edge + nudge);
    run.push_back(std::nextafter(edge, 0.0));
    run.push_back(std::nextafter(edge, 100.0));
  }
  ExpectRunMatchesFresh(0, 100, run);
  // Thirds and thousandths of odd ranges, back and forth.
  std::vector<double> odd;
  for (int i = 0; i < 3000; ++i) odd.push_back((i * 7919 % 3001) / 1000.0);
  ExpectRunMatchesFresh(0, 3, odd);
  ExpectRunMatchesFresh(20, 120, {70, 70.004, 70.00499999, 70.005, 70.00500001, 70.0051, 70});
}

TEST_F(ProgressCaptionInARun, TheRangeMovingUnderAnUnchangedValueChangesTheText) {
  EXPECT_EQ(Drawn(50.001), u"50.00%");
  bar.SetMin(-100);
  EXPECT_EQ(Drawn(50.001), u"75.00%");
}

}  // namespace
}  // namespace widgets::testing
