#pragma once

#include <QString>

#include "base/Text.h"

namespace platform::qt {

// The program's text as Qt's: both are UTF-16 code units, so nothing is converted.
inline QString ToQString(base::TextView text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace platform::qt
