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

  // A byte that starts no character of the set becomes U+FFFD and decoding goes on
  // after it; with `final`, so does a character cut off by the end. Throws
  // base::RuntimeError(InvalidCall) for a name it does not accept.
  virtual Result Decode(std::string_view bytes, const base::Text& charsetName, bool final) = 0;
};

}  // namespace platform
