#pragma once

#include <cstdint>

#include "base/Text.h"

namespace platform {

// A byte count as a short size text, the desktop's rule: below 1024 the count and
// "bytes"; above, KB, MB or GB (units of 1024) with three significant digits, cut off
// rather than rounded, "." as the decimal point: 1340 gives "1.30 KB", 23506 "22.9 KB",
// 1023999 "999 KB", 1024000 "0.97 MB", 4294967295 "3.99 GB".
base::Text StrFormatByteSize(std::uint32_t count);

}  // namespace platform
