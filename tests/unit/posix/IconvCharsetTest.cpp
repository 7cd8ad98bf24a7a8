#include "platform/posix/IconvCharset.h"

#include <gtest/gtest.h>

#include <string>

#include "base/RuntimeError.h"

namespace {

using platform::posix::IconvCharset;

struct Sample {
  const char16_t* charset;
  std::string bytes;
  std::u16string text;
};

// Multi-byte samples: every split point inside them is worth a test.
const Sample kSamples[] = {
    {u"gb2312",
     "\xd6\xd0\xce\xc4"
     "ab",
     u"中文ab"},
    {u"gb2312", "\x81\x40", u"丂"},  // outside GB2312: the name still decodes as GBK
    {u"GBK", "a\xd6\xd0\x80", u"a中€"},
    {u"gb18030", "x\x94\x39\xfc\x36\xa8\xa6", u"x😀é"},
    {u"Big5", "\xa4\xa4\xa4\xe5", u"中文"},
    {u"UTF-8", "\xe4\xb8\xad\xf0\x9f\x98\x80!", u"中😀!"},
    {u"us-ascii", "plain", u"plain"},
    {u"ISO-8859-1", "caf\xe9", u"café"},
    {u"Unicode", std::string("A\0\x2d\x4e\x3d\xd8\x00\xde", 8), u"A中😀"},
};

TEST(IconvCharset, DecodesEveryAcceptedName) {
  IconvCharset charset;
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(std::string(s.bytes));
    auto result = charset.Decode(s.bytes, s.charset, true);
    EXPECT_EQ(result.text, s.text);
    EXPECT_EQ(result.consumed, s.bytes.size());
  }
}

TEST(IconvCharset, CharacterSplitAnywhereComesOutWholeFromTwoCalls) {
  IconvCharset charset;
  for (const Sample& s : kSamples) {
    for (std::size_t split = 0; split <= s.bytes.size(); ++split) {
      SCOPED_TRACE(testing::Message() << std::string(s.bytes) << " split at " << split);
      auto first = charset.Decode(std::string_view(s.bytes).substr(0, split), s.charset, false);
      ASSERT_LE(first.consumed, split);
      EXPECT_LT(split - first.consumed, 4u) << "only an unfinished character is held back";
      auto rest = charset.Decode(std::string_view(s.bytes).substr(first.consumed), s.charset, true);
      EXPECT_EQ(first.text + rest.text, s.text);
    }
  }
}

TEST(IconvCharset, UnknownNamesAreRefused) {
  IconvCharset charset;
  for (const char16_t* name : {u"", u"klingon", u"gb 2312", u"utf-16x", u"char"}) {
    SCOPED_TRACE(std::u16string(name).size());
    try {
      charset.Decode("abc", name, true);
      ADD_FAILURE() << "accepted";
    } catch (const base::RuntimeError& e) {
      EXPECT_EQ(e.Kind(), base::ErrorKind::InvalidCall);
    }
  }
}

TEST(IconvCharset, ABadByteCostsOneCharacter) {
  IconvCharset charset;
  struct Case {
    const char16_t* charset;
    std::string bytes;
    bool final;
    std::u16string text;
  };
  const Case cases[] = {
      {u"utf-8", "ok\xff!", false, u"ok\uFFFD!"},
      {u"us-ascii",
       "\x80"
       "a",
       false, u"\uFFFDa"},
      {u"gbk", "\x81\x20z", false, u"\uFFFD z"},
      {u"gbk", "\xd6\xd0\xff\xd6\xd0", false, u"中\uFFFD中"},
      // Cut off by the end: kept back for the next call, or replaced at the end.
      {u"gbk", "a\xd6", true, u"a\uFFFD"},
      {u"unicode", std::string("A\0B", 3), true, u"A\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const auto result = charset.Decode(c.bytes, c.charset, c.final);
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(result.consumed, c.bytes.size());
  }
  // Nothing is left behind for the next call.
  EXPECT_EQ(charset.Decode("\xd6\xd0", u"gbk", true).text, u"中");
}

TEST(IconvCharset, EmptyInputGivesEmptyText) {
  IconvCharset charset;
  auto result = charset.Decode("", u"gb2312", true);
  EXPECT_TRUE(result.text.empty());
  EXPECT_EQ(result.consumed, 0u);
}

}  // namespace
