#pragma once

#include <memory>

#include "base/Text.h"

namespace base {

// A font object. Controls share one by reference (std::shared_ptr), not by copy.
struct Font {
  Text name = u"宋体";
  double size = 9.0;  // points
  int weight = 400;
  int charset = 134;  // GB2312
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;

  bool operator==(const Font&) const = default;
};

using FontRef = std::shared_ptr<Font>;

}  // namespace base
