#include "platform/PropertyBag.h"

#include <gtest/gtest.h>

#include "ProgressWorld.h"

#include <functional>
#include <memory>

#include "base/RuntimeError.h"

namespace {

using platform::MissingArgument;
using platform::PropertyBag;
using platform::PropertyValue;
using widgets::testing::KindOf;

TEST(PropertyBag, KeysMatchWithoutCaseAndAreKeptInLowerCase) {
  PropertyBag bag;
  bag.WriteProperty(u"CaptionStyle", std::int32_t{2});
  bag.WriteProperty(u"CAPTIONSTYLE", std::int32_t{1});  // the same key
  ASSERT_EQ(bag.Entries().size(), 1u);
  EXPECT_EQ(bag.Entries()[0].first, u"captionstyle");
  EXPECT_EQ(bag.ReadProperty(u"captionStyle"), PropertyValue(std::int32_t{1}));
}

TEST(PropertyBag, ReadGivesTheDefaultOrTheMissingMarkerForAbsentKeys) {
  PropertyBag bag;
  EXPECT_EQ(bag.ReadProperty(u"Max", std::int32_t{100}), PropertyValue(std::int32_t{100}));
  const PropertyValue missing = bag.ReadProperty(u"CaptionFont");
  EXPECT_TRUE(std::holds_alternative<MissingArgument>(missing));
  EXPECT_EQ(KindOf([&] { platform::PropertyToFont(missing); }), base::ErrorKind::TypeMismatch);
  EXPECT_EQ(KindOf([&] { platform::PropertyToInt32(missing); }), base::ErrorKind::TypeMismatch);
}

TEST(PropertyBag, AValueEqualToItsDefaultIsLeftOutAndReadsBackAsTheDefault) {
  PropertyBag bag;
  bag.WriteProperty(u"Max", std::int32_t{50}, std::int32_t{100});
  EXPECT_TRUE(bag.Contains(u"max"));
  // Saving again with the default value drops the earlier entry.
  bag.WriteProperty(u"Max", std::int32_t{100}, std::int32_t{100});
  EXPECT_FALSE(bag.Contains(u"max"));
  EXPECT_EQ(bag.ReadProperty(u"Max", std::int32_t{100}), PropertyValue(std::int32_t{100}));
  // Numbers compare by value across widths; texts and booleans plainly.
  bag.WriteProperty(u"Appearance", std::int16_t{1}, std::int32_t{1});
  bag.WriteProperty(u"Enabled", true, true);
  bag.WriteProperty(u"Caption", base::Text(u"a"), base::Text(u"A"));
  EXPECT_FALSE(bag.Contains(u"appearance"));
  EXPECT_FALSE(bag.Contains(u"enabled"));
  EXPECT_TRUE(bag.Contains(u"caption"));
}

TEST(PropertyBag, FontsAreComparedByContentAndKeptByValue) {
  PropertyBag bag;
  auto ambient = std::make_shared<base::Font>();
  auto same = std::make_shared<base::Font>(*ambient);
  bag.WriteProperty(u"Font", same, ambient);
  EXPECT_FALSE(bag.Contains(u"font"));

  auto font = std::make_shared<base::Font>();
  font->size = 12;
  bag.WriteProperty(u"CaptionFont", font);
  font->size = 20;  // a later change of the control's font is no change of saved data
  const base::FontRef first = platform::PropertyToFont(bag.ReadProperty(u"CaptionFont"));
  const base::FontRef second = platform::PropertyToFont(bag.ReadProperty(u"CaptionFont"));
  EXPECT_EQ(first->size, 12);
  EXPECT_NE(first, second);
}

TEST(PropertyBag, ConversionsOfStoredValues) {
  using namespace platform;
  EXPECT_EQ(PropertyToInt16(std::int32_t{-32768}), -32768);
  EXPECT_EQ(KindOf([] { PropertyToInt16(std::int32_t{32768}); }), base::ErrorKind::Overflow);
  EXPECT_EQ(PropertyToInt32(base::Text(u" 12 ")), 12);
  EXPECT_EQ(PropertyToInt32(true), -1);
  EXPECT_EQ(KindOf([] { PropertyToInt32(base::Text(u"abc")); }), base::ErrorKind::TypeMismatch);
  EXPECT_EQ(KindOf([] { PropertyToInt32(std::make_shared<base::Font>()); }),
            base::ErrorKind::TypeMismatch);
  EXPECT_FALSE(PropertyToBool(base::Text(u"false")));
  EXPECT_TRUE(PropertyToBool(std::int16_t{5}));
  EXPECT_EQ(KindOf([] { PropertyToBool(base::Text(u"maybe")); }), base::ErrorKind::TypeMismatch);
  EXPECT_EQ(PropertyToText(std::int32_t{-7}), u"-7");
  EXPECT_EQ(KindOf([] { PropertyToFont(base::FontRef()); }), base::ErrorKind::InvalidCall);
}

TEST(PropertyBag, TheHostKeepsTheExtentUnderItsOwnKeys) {
  PropertyBag bag;
  bag.SetExtent(12515, 661);
  EXPECT_EQ(bag.ExtentX(), 12515);
  EXPECT_EQ(bag.ExtentY(), 661);
  EXPECT_EQ(bag.ReadProperty(u"_ExtentX"), PropertyValue(std::int32_t{12515}));
}

}  // namespace
