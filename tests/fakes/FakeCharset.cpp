#include "fakes/FakeCharset.h"

#include "base/RuntimeError.h"

namespace fakes {

platform::Charset::Result FakeCharset::Decode(std::string_view bytes, const base::Text& charsetName,
                                              bool final) {
  inputs.emplace_back(bytes);
  base::Text name = base::UCase(charsetName);
  if (name != u"GB2312" && name != u"GBK") {
    throw base::RuntimeError(base::ErrorKind::InvalidCall, "unknown character set");
  }
  std::size_t whole = 0;
  while (whole < bytes.size()) {
    auto byte = static_cast<unsigned char>(bytes[whole]);
    std::size_t width = byte >= 0x81 && byte <= 0xFE ? 2 : 1;
    if (whole + width > bytes.size()) break;
    whole += width;
  }
  std::size_t consumed = final ? bytes.size() : whole;
  return {base::FromGbk(bytes.substr(0, consumed)), consumed};
}

}  // namespace fakes
