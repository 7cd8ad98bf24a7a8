#include "base/Iconv.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace base {

std::size_t IconvConvert(void* converter, std::string_view input, std::string& out,
                         const IconvStopHandler& onStop) {
  const auto cd = static_cast<iconv_t>(converter);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  std::size_t used = out.size();
  out.resize(used + input.size() * 2 + 16);
  while (inLeft > 0) {
    char* next = out.data() + used;
    std::size_t outLeft = out.size() - used;
    const std::size_t result = iconv(cd, &in, &inLeft, &next, &outLeft);
    const int error = errno;
    used = static_cast<std::size_t>(next - out.data());
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    const IconvStop why = error == EILSEQ   ? IconvStop::kInvalid
                          : error == EINVAL ? IconvStop::kIncomplete
                                            : IconvStop::kFailed;
    out.resize(used);
    const std::size_t skip = onStop(why, std::string_view(in, inLeft), out);
    used = out.size();
    out.resize(used + inLeft * 2 + 16);
    if (skip == std::string_view::npos) break;
    const std::size_t skipped = std::min(skip, inLeft);
    in += skipped;
    inLeft -= skipped;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return input.size() - inLeft;
}

Text FromUtf16Le(std::string_view bytes) {
  Text text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return text;
}

}  // namespace base
