#include "platform/posix/IconvCharset.h"

#include <cerrno>
#include <string_view>

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

char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c;
}

const char* IconvName(const base::Text& charsetName) {
  for (const Known& known : kKnown) {
    if (known.name.size() != charsetName.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < charsetName.size() && same; ++i) {
      same = LowerAscii(charsetName[i]) == known.name[i];
    }
    if (same) return known.iconvName;
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
  Result result;
  std::string out(bytes.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* next = out.data();
  std::size_t outLeft = out.size();
  auto grow = [&] {
    std::size_t used = static_cast<std::size_t>(next - out.data());
    out.resize(out.size() * 2);
    next = out.data() + used;
    outLeft = out.size() - used;
  };
  // U+FFFD in UTF-16LE: what a byte that starts no character becomes.
  auto replacement = [&] {
    if (outLeft < 2) grow();
    *next++ = static_cast<char>(0xFD);
    *next++ = static_cast<char>(0xFF);
    outLeft -= 2;
  };
  while (inLeft > 0) {
    if (iconv(converter, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      grow();
    } else if (errno == EINVAL && !final) {
      break;  // the input ends inside a character: the rest waits for more bytes
    } else if (errno == EINVAL) {
      replacement();  // a character cut off by the end of the input
      in += inLeft;
      inLeft = 0;
    } else if (errno == EILSEQ) {
      // One bad byte costs one character; decoding goes on after it.
      replacement();
      ++in;
      --inLeft;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    } else {
      Fail("bytes that cannot be decoded as " + base::ToUtf8(charsetName));
    }
  }
  std::size_t produced = static_cast<std::size_t>(next - out.data());
  result.text.resize(produced / 2);
  for (std::size_t i = 0; i < result.text.size(); ++i) {
    result.text[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                           static_cast<unsigned char>(out[2 * i + 1]) << 8);
  }
  result.consumed = bytes.size() - inLeft;
  return result;
}

}  // namespace platform::posix
