#pragma once

#include <cstddef>
#include <string_view>

#include "base/Text.h"

namespace platform {

// Decodes bytes in a named character set into text (the stream object's job).
class Charset {
 public:
  struct Result {
    base::Text text;
    // Bytes consumed. Less than the input only when `final` was false and the input
    // ends inside a multi-byte character: the caller keeps the rest for the next call.
    std::size_t consumed = 0;
  };

  virtual ~Charset() = default;

  // Throws base::RuntimeError(InvalidCall) for a name it does not accept, or for bytes
  // that cannot be decoded.
  virtual Result Decode(std::string_view bytes, const base::Text& charsetName, bool final) = 0;
};

}  // namespace platform
