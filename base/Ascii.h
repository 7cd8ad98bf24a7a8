#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace base {

// Case folding of the 26 ASCII letters only: every other code unit (a byte of a GBK
// character, a Chinese character) passes unchanged. For narrow and wide text alike.
template <class Char>
constexpr Char AsciiLower(Char c) {
  return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <class Char>
constexpr Char AsciiUpper(Char c) {
  return (c >= Char('a') && c <= Char('z')) ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

template <class Char>
std::basic_string<Char> AsciiLowerCopy(std::basic_string_view<Char> text) {
  std::basic_string<Char> out(text);
  for (Char& c : out) c = AsciiLower(c);
  return out;
}

inline std::string AsciiLowerCopy(std::string_view text) {
  return AsciiLowerCopy<char>(text);
}
inline std::u16string AsciiLowerCopy(std::u16string_view text) {
  return AsciiLowerCopy<char16_t>(text);
}

template <class Char>
constexpr bool EqualsNoCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](Char x, Char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
  return EqualsNoCase<char>(a, b);
}
constexpr bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  return EqualsNoCase<char16_t>(a, b);
}

constexpr bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The blanks within one line: space and tab.
inline constexpr std::string_view kBlanks = " \t";
// Blanks and line ends, for text that may still carry the end of its line.
inline constexpr std::string_view kBlanksAndLineEnds = " \t\r\n";

// The text without the bytes of `set` at either end.
constexpr std::string_view TrimAny(std::string_view text, std::string_view set) {
  const std::size_t first = text.find_first_not_of(set);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(set) - first + 1);
}

}  // namespace base
