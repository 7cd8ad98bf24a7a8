#pragma once

#include <string>
#include <vector>

#include "platform/Charset.h"

namespace fakes {

// A decoder that knows GBK under the names "gb2312" and "gbk" (any case) and rejects
// every other name. Without `final` it leaves a trailing lead byte unconsumed, as a
// real decoder leaves a character cut off at the end of its input.
class FakeCharset : public platform::Charset {
 public:
  Result Decode(std::string_view bytes, const base::Text& charsetName, bool final) override;

  std::vector<std::string> inputs;  // every input it was given, in order
};

}  // namespace fakes
