#include "demo/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace demo {

std::string ToGbk(std::string_view utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: no GBK converter");
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  // GBK never takes more bytes than UTF-8 for the same text, so one pass suffices.
  const std::size_t result = iconv(cd, &in, &inLeft, &dst, &outLeft);
  const int error = errno;
  iconv_close(cd);
  if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
    throw std::runtime_error("not representable in GBK: " + std::string(utf8) +
                             (error == EILSEQ ? "" : " (iconv failure)"));
  }
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace demo
