#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>

#include "ProgressWorld.h"
#include "base/RuntimeError.h"
#include "widgets/SavedProgressBar.h"

namespace widgets::testing {
namespace {

using platform::PropertyBag;
using platform::PropertyValue;

class ProgressProperties : public ::testing::Test, public ProgressWorld {};

TEST_F(ProgressProperties, DefaultsAfterInitProperties) {
  bar.InitProperties();
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.BackColor(), 0x8000000Fu);
  EXPECT_EQ(bar.FillColor(), 0x00FF0000u);
  EXPECT_EQ(bar.CaptionStyle(), PercentOnly);
  EXPECT_EQ(bar.Caption(), u"");
  EXPECT_EQ(bar.value(), 0);
  // The surface's own values.
  EXPECT_EQ(bar.Appearance(), 1);
  EXPECT_EQ(bar.BorderStyle(), 1);
  EXPECT_EQ(bar.ForeColor(), 0x80000012u);
  EXPECT_TRUE(bar.Enabled());
  // One font object for control and picture; five setters, five notifications.
  EXPECT_EQ(pic.Font(), bar.CaptionFont());
  EXPECT_EQ(host.notifications, 5);
  EXPECT_TRUE(pic.Drawing().empty());
}

TEST_F(ProgressProperties, EverySetterButValueNotifiesOnce) {
  const std::vector<std::pair<const char*, std::function<void()>>> setters = {
      {"Appearance", [&] { bar.SetAppearance(0); }},
      {"Caption", [&] { bar.SetCaption(u"x"); }},
      {"Max", [&] { bar.SetMax(5); }},
      {"Min", [&] { bar.SetMin(-5); }},
      {"Enabled", [&] { bar.SetEnabled(false); }},
      {"BorderStyle", [&] { bar.SetBorderStyle(0); }},
      {"CaptionStyle", [&] { bar.SetCaptionStyle(1); }},
      {"CaptionFont", [&] { bar.SetCaptionFont(std::make_shared<base::Font>()); }},
      {"FillColor", [&] { bar.SetFillColor(base::kRed); }},
      {"ForeColor", [&] { bar.SetForeColor(base::kWhite); }},
      {"BackColor", [&] { bar.SetBackColor(base::kBlack); }},
  };
  for (const auto& [name, set] : setters) {
    const int before = host.notifications;
    set();
    EXPECT_EQ(host.notifications, before + 1) << name;
  }
  bar.SetMax(10);
  const int before = host.notifications;
  bar.SetValue(3);
  EXPECT_EQ(host.notifications, before);
}

TEST_F(ProgressProperties, ValuesBeyondSixteenBitsFailWithOverflowAndChangeNothing) {
  bar.InitProperties();
  const int notifications = host.notifications;
  for (std::int32_t bad : {32768, -32769, std::numeric_limits<std::int32_t>::max()}) {
    EXPECT_EQ(KindOf([&] { bar.SetAppearance(bad); }), base::ErrorKind::Overflow) << bad;
    EXPECT_EQ(KindOf([&] { bar.SetBorderStyle(bad); }), base::ErrorKind::Overflow) << bad;
    EXPECT_EQ(KindOf([&] { bar.SetCaptionStyle(bad); }), base::ErrorKind::Overflow) << bad;
  }
  EXPECT_EQ(bar.Appearance(), 1);
  EXPECT_EQ(bar.BorderStyle(), 1);
  EXPECT_EQ(bar.CaptionStyle(), PercentOnly);
  EXPECT_EQ(host.notifications, notifications);
  // The full 16-bit range is taken, and read back sign-extended.
  bar.SetCaptionStyle(-32768);
  EXPECT_EQ(bar.CaptionStyle(), -32768);
}

TEST_F(ProgressProperties, ASettingTheSurfaceRefusesIsReportedWithoutNotifying) {
  EXPECT_EQ(KindOf([&] { bar.SetAppearance(2); }), base::ErrorKind::InvalidCall);
  pic.FailOn("SetBackColor");
  EXPECT_EQ(KindOf([&] { bar.SetBackColor(base::kWhite); }), base::ErrorKind::InvalidCall);
  EXPECT_EQ(host.notifications, 0);
  EXPECT_EQ(bar.Appearance(), 1);
}

TEST_F(ProgressProperties, ValueIsStoredRoundedHalfToEven) {
  bar.InitProperties();
  const struct {
    double assigned;
    double stored;
  } cases[] = {{44.5, 44},
               {45.5, 46},
               {-0.5, 0},
               {150, 150},
               {2147483647.4, 2147483647},
               {-2147483648.5, -2147483648.0}};
  for (const auto& c : cases) {
    bar.SetValue(c.assigned);
    EXPECT_EQ(bar.value(), c.stored) << c.assigned;
  }
}

TEST_F(ProgressProperties, AValueBeyondThirtyTwoBitsFailsAndNeitherStoresNorDraws) {
  bar.InitProperties();
  bar.SetValue(30);
  pic.ClearDrawing();
  for (double bad :
       {2147483647.5, -2147483649.0, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(KindOf([&] { bar.SetValue(bad); }), base::ErrorKind::Overflow) << bad;
  }
  EXPECT_EQ(bar.value(), 30);
  EXPECT_TRUE(pic.Drawing().empty());
}

TEST_F(ProgressProperties, CaptionIsTrimmedOfSpacesOnly) {
  bar.SetCaption(u"  下载 中  ");
  EXPECT_EQ(bar.Caption(), u"下载 中");
  bar.SetCaption(u"\t下载\t");
  EXPECT_EQ(bar.Caption(), u"\t下载\t");
  EXPECT_TRUE(pic.Drawing().empty());
}

TEST_F(ProgressProperties, CaptionFontIsSharedByReference) {
  auto font = std::make_shared<base::Font>(base::Font{u"黑体", 12, 700, 134});
  bar.SetCaptionFont(font);
  EXPECT_EQ(bar.CaptionFont(), font);
  EXPECT_EQ(pic.Font(), font);
  font->size = 14;  // a change of the object shows through both
  EXPECT_EQ(pic.Font()->size, 14);

  const int notifications = host.notifications;
  EXPECT_EQ(KindOf([&] { bar.SetCaptionFont(nullptr); }), base::ErrorKind::InvalidCall);
  EXPECT_EQ(bar.CaptionFont(), font);
  EXPECT_EQ(host.notifications, notifications);
}

TEST_F(ProgressProperties, ResizeGivesThePictureTheControlsSizeAndDrawsNothing) {
  host.width = 3000;
  host.height = 450;
  bar.Resize();
  EXPECT_EQ(pic.Width(), 3000);
  EXPECT_EQ(pic.Height(), 450);
  EXPECT_TRUE(pic.Drawing().empty());
}

// ---- persistence ----

struct SavedDesign {
  PropertyBag bag;
  base::FontRef font = std::make_shared<base::Font>(base::Font{u"黑体", 10.5, 700, 134, true});
};

SavedDesign SaveDesignedBar() {
  ProgressWorld designer;
  designer.bar.InitProperties();
  SavedDesign saved;
  designer.bar.SetMax(50);
  designer.bar.SetMin(-10);
  designer.bar.SetCaption(u"  升级  ");
  designer.bar.SetCaptionStyle(CaptionAndPercent);
  designer.bar.SetFillColor(base::kRed);
  designer.bar.SetForeColor(0x00102030);
  designer.bar.SetAppearance(0);
  designer.bar.SetBorderStyle(0);
  designer.bar.SetEnabled(false);
  designer.bar.SetCaptionFont(saved.font);
  designer.bar.WriteProperties(saved.bag);
  return saved;
}

void ExpectDesignedBar(const ctlProgress& bar, const SavedDesign& saved) {
  EXPECT_EQ(bar.Max(), 50);
  EXPECT_EQ(bar.Min(), -10);
  EXPECT_EQ(bar.Caption(), u"升级");
  EXPECT_EQ(bar.CaptionStyle(), CaptionAndPercent);
  EXPECT_EQ(bar.FillColor(), base::kRed);
  EXPECT_EQ(bar.ForeColor(), 0x00102030u);
  EXPECT_EQ(bar.BackColor(), base::kButtonFace);
  EXPECT_EQ(bar.Appearance(), 0);
  EXPECT_EQ(bar.BorderStyle(), 0);
  EXPECT_FALSE(bar.Enabled());
  EXPECT_EQ(*bar.CaptionFont(), *saved.font);
}

TEST_F(ProgressProperties, DesignedSettingsSurviveSavingAndReloading) {
  const SavedDesign saved = SaveDesignedBar();
  bar.ReadProperties(saved.bag);
  ExpectDesignedBar(bar, saved);
  EXPECT_EQ(pic.Font(), bar.CaptionFont());
  // A reloaded instance has no value and draws nothing.
  EXPECT_EQ(bar.value(), 0);
  EXPECT_TRUE(pic.Drawing().empty());
}

TEST_F(ProgressProperties, ANewInstanceWritesWhatDiffersFromThePersistenceDefaults) {
  bar.InitProperties();
  PropertyBag bag;
  bar.WriteProperties(bag);
  std::vector<base::Text> keys;
  for (const auto& entry : bag.Entries()) keys.push_back(entry.first);
  // CaptionStyle 2 differs from the default 3; Max 100, Min 0, BorderStyle 1, Enabled
  // and a font equal to the ambient one are left out.
  EXPECT_EQ(keys, (std::vector<base::Text>{u"appearance", u"forecolor", u"backcolor", u"fillcolor",
                                           u"font", u"captionstyle", u"caption", u"captionfont"}));
  host.ambient = std::make_shared<base::Font>(*bar.CaptionFont());
  PropertyBag again;
  bar.WriteProperties(again);
  EXPECT_FALSE(again.Contains(u"font"));
}

TEST_F(ProgressProperties, AbsentKeysTakeThePersistenceDefaults) {
  bar.InitProperties();
  bar.SetMax(50);
  bar.SetBorderStyle(0);
  bar.SetEnabled(false);
  const base::FontRef designed = bar.CaptionFont();
  PropertyBag empty;
  bar.ReadProperties(empty);
  EXPECT_EQ(bar.CaptionStyle(), CaptionAndPercent);  // not the 2 of a new instance
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.BorderStyle(), 1);
  EXPECT_TRUE(bar.Enabled());
  EXPECT_EQ(bar.Caption(), u"");
  // Without a saved caption font the designed one stays.
  EXPECT_EQ(bar.CaptionFont(), designed);
  // Surface and fill colours keep what they had.
  EXPECT_EQ(bar.BackColor(), base::kButtonFace);
  EXPECT_EQ(bar.FillColor(), base::kBlue);
}

TEST_F(ProgressProperties, ADamagedEntryIsSkippedAndTheOthersRestored) {
  const struct {
    const char16_t* key;
    PropertyValue damaged;
  } cases[] = {
      {u"appearance", base::Text(u"three-d")},
      {u"forecolor", std::make_shared<base::Font>()},
      {u"fillcolor", base::Text(u"blue")},
      {u"borderstyle", std::int32_t{7}},  // refused by the picture
      {u"captionstyle", std::int32_t{70000}},
      {u"enabled", base::Text(u"maybe")},
      {u"max", base::Text(u"1e20")},
      {u"captionfont", std::int32_t{9}},
  };
  for (const auto& c : cases) {
    SavedDesign saved = SaveDesignedBar();
    PropertyBag damaged;
    for (const auto& [key, value] : saved.bag.Entries()) {
      damaged.WriteProperty(key, key == c.key ? c.damaged : value);
    }
    ProgressWorld world;
    const ctlProgress& reloaded = world.bar;
    world.bar.ReadProperties(damaged);
    const base::Text key = c.key;
    SCOPED_TRACE(base::ToUtf8(key));
    if (key != u"appearance") {
      EXPECT_EQ(reloaded.Appearance(), 0);
    }
    if (key != u"forecolor") {
      EXPECT_EQ(reloaded.ForeColor(), 0x00102030u);
    }
    if (key != u"fillcolor") {
      EXPECT_EQ(reloaded.FillColor(), base::kRed);
    }
    if (key != u"borderstyle") {
      EXPECT_EQ(reloaded.BorderStyle(), 0);
    }
    if (key != u"captionstyle") {
      EXPECT_EQ(reloaded.CaptionStyle(), CaptionAndPercent);
    }
    if (key != u"enabled") {
      EXPECT_FALSE(reloaded.Enabled());
    }
    if (key != u"max") {
      EXPECT_EQ(reloaded.Max(), 50);
    }
    if (key != u"captionfont") {
      EXPECT_EQ(*reloaded.CaptionFont(), *saved.font);
    }
    EXPECT_EQ(reloaded.Min(), -10);
    EXPECT_EQ(reloaded.Caption(), u"升级");
  }
}

TEST_F(ProgressProperties, WritingStopsAtTheFirstFailure) {
  bar.InitProperties();
  bar.SetEnabled(false);
  pic.FailOn("Enabled");
  PropertyBag bag;
  EXPECT_EQ(KindOf([&] { bar.WriteProperties(bag); }), base::ErrorKind::InvalidCall);
  EXPECT_TRUE(bag.Contains(u"captionstyle"));
  EXPECT_FALSE(bag.Contains(u"caption"));
  EXPECT_FALSE(bag.Contains(u"captionfont"));
}

TEST_F(ProgressProperties, TheUpgradeWindowsBarRestoresFromItsSavedSettings) {
  const PropertyBag saved = SavedProgressBar();
  EXPECT_EQ(saved.ExtentX(), 12515);
  EXPECT_EQ(saved.ExtentY(), 661);
  bar.ReadProperties(saved);
  EXPECT_EQ(bar.Appearance(), 1);
  EXPECT_EQ(bar.ForeColor(), base::kButtonText);
  EXPECT_EQ(bar.BackColor(), base::kButtonFace);
  EXPECT_EQ(bar.FillColor(), base::kBlue);
  EXPECT_EQ(bar.CaptionStyle(), PercentOnly);
  EXPECT_EQ(bar.Caption(), u"");
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.BorderStyle(), 1);
  EXPECT_TRUE(bar.Enabled());
  EXPECT_EQ(*bar.CaptionFont(), (base::Font{u"宋体", 9, 400, 134}));
  EXPECT_EQ(pic.Font(), bar.CaptionFont());
}

}  // namespace
}  // namespace widgets::testing
