#pragma once

#include <iconv.h>

#include <map>
#include <string>

#include "platform/Charset.h"

namespace platform::posix {

// Decodes through iconv. Accepted names, in any case: "gb2312" (decoded as GBK, as
// the home systems do), "gbk", "gb18030", "big5", "utf-8", "us-ascii", "iso-8859-1"
// and "unicode" (UTF-16, little-endian). Not for use from several threads at once.
class IconvCharset : public platform::Charset {
 public:
  IconvCharset() = default;
  ~IconvCharset() override;
  IconvCharset(const IconvCharset&) = delete;
  IconvCharset& operator=(const IconvCharset&) = delete;

  Result Decode(std::string_view bytes, const base::Text& charsetName, bool final) override;

 private:
  iconv_t Converter(const base::Text& charsetName);

  std::map<std::string, iconv_t> converters_;  // by iconv's name
};

}  // namespace platform::posix
