#include "upgrade/FormatBytes.h"

#include <cstdint>

#include "base/Numbers.h"
#include "base/RuntimeError.h"
#include "platform/StrFormatByteSize.h"

namespace upgrade {

base::Text FormatBytes(double value) {
  std::int32_t count = 0;
  if (!base::SkipOnFailure([&] { count = base::ToInt32(value); })) return {};
  return platform::StrFormatByteSize(static_cast<std::uint32_t>(count));
}

}  // namespace upgrade
