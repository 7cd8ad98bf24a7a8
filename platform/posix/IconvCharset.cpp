#include "platform/posix/IconvCharset.h"

#include <string_view>

#include "base/Ascii.h"
#include "base/Iconv.h"
#include "base/RuntimeError.h"

namespace platform::posix {
namespace {

struct Known {
  std::u16string_view name;
  const char* iconvName;
};

constexpr Known kKnown[] = {
    {u"gb2312", "GBK"},
    {u"gbk", "GBK"},
    {u"gb18030", "GB18030"},
    {u"big5", "BIG5"},
    {u"utf-8", "UTF-8"},
    {u"us-ascii", "US-ASCII"},
    {u"iso-8859-1", "ISO-8859-1"},
    {u"unicode", "UTF-16LE"},
};

const char* IconvName(const base::Text& charsetName) {
  for (const Known& known : kKnown) {
    if (base::EqualsNoCase(charsetName, known.name)) return known.iconvName;
  }
  return nullptr;
}

[[noreturn]] void Fail(const std::string& what) {
  throw base::RuntimeError(base::ErrorKind::InvalidCall, what);
}

}  // namespace

IconvCharset::~IconvCharset() {
  for (auto& [name, converter] : converters_) iconv_close(converter);
}

iconv_t IconvCharset::Converter(const base::Text& charsetName) {
  const char* iconvName = IconvName(charsetName);
  if (!iconvName) Fail("unknown character set: " + base::ToUtf8(charsetName));
  auto found = converters_.find(iconvName);
  if (found != converters_.end()) {
    iconv(found->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return found->second;
  }
  iconv_t converter = iconv_open("UTF-16LE", iconvName);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    Fail(std::string("character set not available: ") + iconvName);
  }
  converters_.emplace(iconvName, converter);
  return converter;
}

Charset::Result IconvCharset::Decode(std::string_view bytes, const base::Text& charsetName,
                                     bool final) {
  iconv_t converter = Converter(charsetName);
  std::string utf16;
  Result result;
  result.consumed = base::IconvConvert(
      converter, bytes, utf16,
      [&](base::IconvStop why, std::string_view rest, std::string& out) -> std::size_t {
        // U+FFFD in UTF-16LE: what a byte that starts no character becomes.
        constexpr std::string_view kReplacement("\xFD\xFF", 2);
        switch (why) {
          case base::IconvStop::kIncomplete:
            // Without `final` the rest waits for more bytes; with it, it is one cut-off
            // character.
            if (!final) return std::string_view::npos;
            out.append(kReplacement);
            return rest.size();
          case base::IconvStop::kInvalid:
            // One bad byte costs one character; decoding goes on after it.
            out.append(kReplacement);
            return 1;
          case base::IconvStop::kFailed:
            break;
        }
        Fail("bytes that cannot be decoded as " + base::ToUtf8(charsetName));
      });
  result.text = base::FromUtf16Le(utf16);
  return result;
}

}  // namespace platform::posix
