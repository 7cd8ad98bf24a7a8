#include "base/Text.h"

#include <iconv.h>

#include <cstdint>

#include "base/Ascii.h"
#include "base/Iconv.h"
#include "base/RuntimeError.h"

namespace base {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Position (0-based) of `needle` in `haystack` at or after `from`, ASCII case folded.
std::size_t FindNoCase(TextView haystack, TextView needle, std::size_t from) {
  if (needle.size() > haystack.size()) return Text::npos;
  for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
    if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return i;
  }
  return Text::npos;
}

template <class Find>
Text ReplaceWith(TextView text, TextView find, TextView with, Find findFn) {
  // An empty search text matches nothing; the text comes back unchanged.
  if (find.empty()) return Text(text);
  Text out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = findFn(text, find, pos);
    if (hit == Text::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(with);
    pos = hit + find.size();
  }
  out.append(text.substr(pos));
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(Text& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// One iconv descriptor per direction and thread: opening is cheap enough, but the text
// download decodes every chunk, so the descriptor is kept.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

Converter& Utf8ToGbk() {
  thread_local Converter c("GBK", "UTF-8");
  return c;
}

Converter& GbkToUtf16() {
  thread_local Converter c("UTF-16LE", "GBK");
  return c;
}

}  // namespace

std::size_t InStr(std::size_t start, TextView haystack, TextView needle) {
  if (start == 0) throw RuntimeError(ErrorKind::InvalidCall, "InStr: start must be 1 or more");
  if (start > haystack.size() + 1) return 0;
  std::size_t hit = haystack.find(needle, start - 1);
  return hit == TextView::npos ? 0 : hit + 1;
}

std::size_t InStrNoCase(TextView haystack, TextView needle) {
  std::size_t hit = FindNoCase(haystack, needle, 0);
  return hit == Text::npos ? 0 : hit + 1;
}

std::size_t InStrRev(TextView haystack, TextView needle) {
  std::size_t hit = haystack.rfind(needle);
  return hit == TextView::npos ? 0 : hit + 1;
}

Text Mid(TextView text, std::size_t start, std::size_t length) {
  if (start == 0) throw RuntimeError(ErrorKind::InvalidCall, "Mid: start must be 1 or more");
  if (start > text.size()) return {};
  return Text(text.substr(start - 1, length));
}

Text Left(TextView text, std::size_t length) {
  return Text(text.substr(0, length));
}

Text Replace(TextView text, TextView find, TextView with) {
  return ReplaceWith(text, find, with,
                     [](TextView t, TextView f, std::size_t from) { return t.find(f, from); });
}

Text ReplaceNoCase(TextView text, TextView find, TextView with) {
  return ReplaceWith(text, find, with, FindNoCase);
}

Text UCase(TextView text) {
  Text out(text);
  for (auto& c : out) c = AsciiUpper(c);
  return out;
}

Text Trim(TextView text) {
  std::size_t first = text.find_first_not_of(u' ');
  if (first == TextView::npos) return {};
  std::size_t last = text.find_last_not_of(u' ');
  return Text(text.substr(first, last - first + 1));
}

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a surrogate without its partner
    }
    AppendUtf8(out, c);
  }
  return out;
}

Text FromUtf8(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    // Sequence length and the allowed range of the second byte (which rules out
    // overlong forms, encoded surrogates and code points past U+10FFFF).
    int need;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      cp = b0 & 0x07;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    ++i;
    bool complete = true;
    for (int k = 0; k < need; ++k) {
      if (i >= n) {
        complete = false;
        break;
      }
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b < lo || b > hi) {
        complete = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
      lo = 0x80;
      hi = 0xBF;
      ++i;
    }
    // A broken sequence gives one U+FFFD for the bytes read so far; the byte that broke
    // it starts afresh.
    AppendUtf16(out, complete ? cp : kReplacement);
  }
  return out;
}

std::string ToGbk(TextView text) {
  const std::string utf8 = ToUtf8(text);
  std::string out;
  Converter& conv = Utf8ToGbk();
  if (!conv.ok()) {
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
  }
  conv.Reset();
  out.reserve(utf8.size());
  // A character GBK cannot hold: one "?" in its place, and its UTF-8 bytes skipped.
  IconvConvert(conv.get(), utf8, out, [](IconvStop, std::string_view rest, std::string& to) {
    to.push_back('?');
    std::size_t skip = 1;
    while (skip < rest.size() && (static_cast<unsigned char>(rest[skip]) & 0xC0) == 0x80) ++skip;
    return skip;
  });
  return out;
}

Text FromGbk(std::string_view bytes) {
  Converter& conv = GbkToUtf16();
  if (!conv.ok()) {
    Text out;
    out.reserve(bytes.size());
    for (char b : bytes) {
      const auto u = static_cast<unsigned char>(b);
      out.push_back(u < 0x80 ? u : kReplacement);
    }
    return out;
  }
  conv.Reset();
  std::string utf16;
  // An undecodable byte, or a character cut off at the end: one U+FFFD for its first
  // byte; what follows is decoded afresh.
  IconvConvert(conv.get(), bytes, utf16, [](IconvStop, std::string_view, std::string& to) {
    to.append("\xFD\xFF", 2);
    return std::size_t{1};
  });
  return FromUtf16Le(utf16);
}

Text FromLatin1(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  for (char b : bytes) out.push_back(static_cast<unsigned char>(b));
  return out;
}

}  // namespace base
