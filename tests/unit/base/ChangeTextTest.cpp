#include "base/ChangeText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using base::Text;
using base::TextField;

TEST(ChangeRule, OnlyADifferentTextRaisesTheHandler) {
  TextField field(u"0");
  int raised = 0;
  Text seenInHandler;
  field.OnChange([&] {
    ++raised;
    seenInHandler = field.GetText();
  });
  field.SetText(u"0");
  EXPECT_EQ(raised, 0);
  field.SetText(u"3.3\r\n");
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(seenInHandler, u"3.3\r\n");  // stored before the handler runs
  field.SetText(u"3.3\r\n");
  EXPECT_EQ(raised, 1);
}

TEST(ChangeRule, MirrorSeesTheCurrentAndEveryStoredText) {
  base::Label label(u"0 of 0 bytes");
  std::vector<Text> shown;
  label.SetMirror([&](const Text& t) { shown.push_back(t); });
  label.SetText(u"下载结束...");
  label.SetText(u"下载结束...");
  EXPECT_EQ(shown, (std::vector<Text>{u"0 of 0 bytes", u"下载结束..."}));
}

// A field whose handler cleans its own text: one statement per removed character, each
// storing into the field it belongs to.
TEST(ChangeRule, SelfCleaningHandlerEndsAtMostThreeDeep) {
  TextField field;
  int depth = 0, deepest = 0, raised = 0;
  field.OnChange([&] {
    ++raised;
    ++depth;
    deepest = std::max(deepest, depth);
    field.SetText(base::Replace(field.GetText(), u"\r", u""));
    field.SetText(base::Replace(field.GetText(), u"\n", u""));
    --depth;
  });
  field.SetText(u"setup\r\n.exe\r\n");
  EXPECT_EQ(field.GetText(), u"setup.exe");
  EXPECT_EQ(deepest, 3);
  EXPECT_EQ(raised, 3);

  deepest = raised = 0;
  field.SetText(u"a\nb");
  EXPECT_EQ(field.GetText(), u"ab");
  EXPECT_EQ(deepest, 2);
}

TEST(ChangeRule, HandlerMayReplaceItselfWhileRunning) {
  TextField field;
  int first = 0, second = 0;
  field.OnChange([&] {
    ++first;
    field.OnChange([&] { ++second; });
  });
  field.SetText(u"a");
  field.SetText(u"b");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
}

}  // namespace
