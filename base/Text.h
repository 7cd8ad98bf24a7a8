#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// Wide text as the forms and the engine see it: UTF-16 code units. Searches and
// comparisons are ordinal, code unit by code unit.
using Text = std::u16string;
using TextView = std::u16string_view;

// 1-based position of the first occurrence of `needle` in `haystack` at or after
// `start` (1-based); 0 when absent. An empty needle is found at `start` when
// start lies within the text (or just past it).
std::size_t InStr(std::size_t start, TextView haystack, TextView needle);
inline std::size_t InStr(TextView haystack, TextView needle) {
  return InStr(1, haystack, needle);
}

// The same search ignoring the case of ASCII letters.
std::size_t InStrNoCase(TextView haystack, TextView needle);

// 1-based position of the last occurrence of `needle`; 0 when absent.
std::size_t InStrRev(TextView haystack, TextView needle);

// Up to `length` code units starting at 1-based `start`: fewer when the text ends
// sooner, empty when start lies past the end. npos takes the rest of the text.
Text Mid(TextView text, std::size_t start, std::size_t length = Text::npos);
Text Left(TextView text, std::size_t length);

// Every non-overlapping occurrence of `find` replaced by `with`, scanning left to right.
Text Replace(TextView text, TextView find, TextView with);
// The same, matching `find` without regard to the case of ASCII letters.
Text ReplaceNoCase(TextView text, TextView find, TextView with);

// Upper case of ASCII letters; every other code unit unchanged.
Text UCase(TextView text);
// Leading and trailing spaces (U+0020 only) removed.
Text Trim(TextView text);

// Conversions to and from UTF-8 (invalid input becomes U+FFFD).
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view bytes);

// Conversions to and from code page 936 (GBK), the narrow code page of the portal's
// servers. Characters GBK cannot hold become "?"; undecodable bytes become U+FFFD.
std::string ToGbk(TextView text);
Text FromGbk(std::string_view bytes);

// Narrow text as one byte per code unit (the low byte); for ASCII protocol text.
Text FromLatin1(std::string_view bytes);

}  // namespace base
