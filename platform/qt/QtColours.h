#pragma once

#include <QColor>
#include <QPalette>

#include "base/Colour.h"

namespace platform::qt {

// A colour value of the forms as a Qt colour: direct colours are 0x00BBGGRR, system
// colours (0x80000000 + n) come from the palette.
QColor ToQColor(base::Colour colour, const QPalette& palette);

}  // namespace platform::qt
