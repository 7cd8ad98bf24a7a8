#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>

#include "base/Ascii.h"
#include "base/RuntimeError.h"

namespace {

using base::Text;

TEST(InStr, FindsOneBasedPositions) {
  EXPECT_EQ(base::InStr(u"版本3.1号", u"3.1"), 3u);
  EXPECT_EQ(base::InStr(u"abcabc", u"c"), 3u);
  EXPECT_EQ(base::InStr(4, u"abcabc", u"c"), 6u);
  EXPECT_EQ(base::InStr(7, u"abcabc", u"c"), 0u);
  EXPECT_EQ(base::InStr(100, u"abcabc", u"c"), 0u);
  EXPECT_EQ(base::InStr(u"abc", u"abcd"), 0u);
  EXPECT_EQ(base::InStr(u"abc", u"B"), 0u);  // ordinal
}

TEST(InStr, EmptyNeedleIsFoundAtStartInsideOrJustPastTheText) {
  EXPECT_EQ(base::InStr(u"abc", u""), 1u);
  EXPECT_EQ(base::InStr(3, u"abc", u""), 3u);
  EXPECT_EQ(base::InStr(4, u"abc", u""), 4u);
  EXPECT_EQ(base::InStr(5, u"abc", u""), 0u);
  EXPECT_EQ(base::InStr(u"", u""), 1u);
  EXPECT_EQ(base::InStr(u"", u"a"), 0u);
}

TEST(InStr, StartZeroIsAnInvalidCall) {
  try {
    base::InStr(0, u"abc", u"a");
    FAIL();
  } catch (const base::RuntimeError& e) {
    EXPECT_EQ(e.Kind(), base::ErrorKind::InvalidCall);
  }
}

TEST(InStr, CaseFoldingAndReverseSearch) {
  EXPECT_EQ(base::InStrNoCase(u"Content-LENGTH: 5", u"content-length"), 1u);
  EXPECT_EQ(base::InStrNoCase(u"xÄa", u"äA"), 0u);  // only ASCII letters fold
  EXPECT_EQ(base::InStrNoCase(u"ab", u"abc"), 0u);
  EXPECT_EQ(base::InStrRev(u"a/b/c", u"/"), 4u);
  EXPECT_EQ(base::InStrRev(u"aaa", u"aa"), 2u);
  EXPECT_EQ(base::InStrRev(u"abc", u"x"), 0u);
}

// Only the 26 letters fold: the letters' neighbours, bytes of GBK characters and wide
// characters pass unchanged.
TEST(AsciiCase, FoldsTheLettersOnly) {
  const struct {
    std::string_view a, b;
    bool equal;
  } narrow[] = {{"Set-Cookie:", "set-cookie:", true},
                {"@[`{", "`{@[", false},
                {"\xC1\xD6", "\xE1\xF6", false},
                {"ab", "abc", false}};
  for (const auto& c : narrow) EXPECT_EQ(base::EqualsNoCase(c.a, c.b), c.equal) << c.a;
  EXPECT_TRUE(base::StartsNoCase("Location: /x", "location:"));
  EXPECT_FALSE(base::StartsNoCase("Loc", "location:"));
  EXPECT_EQ(base::AsciiLowerCopy(std::string_view("GB2312@Z[\xC1")), "gb2312@z[\xC1");
  EXPECT_EQ(base::AsciiLowerCopy(base::TextView(u"UTF-8 ÀÉ 中文")), u"utf-8 ÀÉ 中文");
  EXPECT_TRUE(base::EqualsNoCase(base::TextView(u"True"), base::TextView(u"tRUE")));
}

TEST(Mid, TakesWhatTheTextHas) {
  EXPECT_EQ(base::Mid(u"下载开始", 2, 2), u"载开");
  EXPECT_EQ(base::Mid(u"abc", 2), u"bc");
  EXPECT_EQ(base::Mid(u"abc", 2, 10), u"bc");
  EXPECT_EQ(base::Mid(u"abc", 3, 1), u"c");
  EXPECT_EQ(base::Mid(u"abc", 4, 1), u"");
  EXPECT_EQ(base::Mid(u"abc", 99), u"");
  EXPECT_EQ(base::Mid(u"abc", 1, 0), u"");
  EXPECT_EQ(base::Left(u"abc", 2), u"ab");
  EXPECT_EQ(base::Left(u"abc", 9), u"abc");
  EXPECT_THROW(base::Mid(u"abc", 0, 1), base::RuntimeError);
}

TEST(Replace, ReplacesLeftToRightWithoutOverlap) {
  EXPECT_EQ(base::Replace(u"a\r\nb\r\n", u"\r", u""), u"a\nb\n");
  EXPECT_EQ(base::Replace(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(base::Replace(u"abab", u"ab", u"abab"), u"abababab");  // no rescanning
  EXPECT_EQ(base::Replace(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(base::Replace(u"", u"a", u"x"), u"");
  EXPECT_EQ(base::ReplaceNoCase(u"Set-Cookie: A; set-cookie: b", u"SET-COOKIE", u"C"),
            u"C: A; C: b");
}

TEST(Case, UpperCasesAsciiAndTrimsSpacesOnly) {
  EXPECT_EQ(base::UCase(u"gbk-中ä"), u"GBK-中ä");
  EXPECT_EQ(base::Trim(u"  a b  "), u"a b");
  EXPECT_EQ(base::Trim(u"\ta\r\n "), u"\ta\r\n");
  EXPECT_EQ(base::Trim(u"    "), u"");
}

TEST(Utf8, RoundTripsChineseAndAstralText) {
  const Text text = u"下载开始 ok 😀";
  const std::string bytes = base::ToUtf8(text);
  EXPECT_EQ(bytes, "下载开始 ok 😀");
  EXPECT_EQ(base::FromUtf8(bytes), text);
}

TEST(Utf8, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(base::FromUtf8("a\xFF"
                           "b"),
            u"a\uFFFDb");
  EXPECT_EQ(base::FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(base::FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(base::FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(base::FromUtf8("\xE4\xB8"), u"\uFFFD");  // cut short at the end
  EXPECT_EQ(base::FromUtf8("\xE4\xB8x"), u"\uFFFDx");
  EXPECT_EQ(base::ToUtf8(u"a\xD800"
                         u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(base::ToUtf8(Text(1, u'\xDC00')), "\xEF\xBF\xBD");
}

TEST(Gbk, RoundTripsChineseText) {
  const std::string bytes = base::ToGbk(u"下载开始");
  EXPECT_EQ(bytes, "\xCF\xC2\xD4\xD8\xBF\xAA\xCA\xBC");
  EXPECT_EQ(base::FromGbk(bytes), u"下载开始");
  EXPECT_EQ(base::FromGbk(base::ToGbk(u"GET /yun/up1.txt 【是】；")), u"GET /yun/up1.txt 【是】；");
}

TEST(Gbk, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(base::ToGbk(u"a😀b"), "a?b");
  EXPECT_EQ(base::ToGbk(u"中\xD800文"), "\xD6\xD0?\xCE\xC4");
}

TEST(Gbk, UndecodableBytesBecomeReplacementCharacters) {
  EXPECT_EQ(base::FromGbk("a\xFF"
                          "b"),
            u"a\uFFFDb");
  // A chunk boundary in the middle of a character: each piece decodes without it.
  const std::string bytes = base::ToGbk(u"下载");
  EXPECT_EQ(base::FromGbk(bytes.substr(0, 3)), u"下\uFFFD");
  EXPECT_EQ(base::FromGbk(bytes.substr(3)), u"\uFFFD");
}

TEST(Gbk, LongInputsPassThroughTheConverterBuffers) {
  Text text;
  for (int i = 0; i < 3000; ++i) text += u"下载😀";
  const std::string bytes = base::ToGbk(text);
  EXPECT_EQ(bytes.size(), 3000u * 5);
  Text expected;
  for (int i = 0; i < 3000; ++i) expected += u"下载?";
  EXPECT_EQ(base::FromGbk(bytes), expected);
}

TEST(Gbk, AnyByteSequenceDecodes) {
  std::string all;
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; j += 7) {
      all.push_back(static_cast<char>(i));
      all.push_back(static_cast<char>(j));
    }
  }
  const Text text = base::FromGbk(all);
  EXPECT_FALSE(text.empty());
  EXPECT_LE(text.size(), all.size());
}

}  // namespace
