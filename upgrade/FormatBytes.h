#pragma once

#include "base/Text.h"

namespace upgrade {

// A byte count of the engine's events as a size text: rounded to a 32-bit integer with
// ties to even, a negative count read as its unsigned 32-bit pattern (-1 is 4294967295),
// and the empty text for a value that does not fit 32 bits (at least 2^31, below -2^31,
// or not a number).
base::Text FormatBytes(double value);

}  // namespace upgrade
