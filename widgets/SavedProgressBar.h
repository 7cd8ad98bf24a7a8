#pragma once

#include "platform/PropertyBag.h"

namespace widgets {

// The saved settings of the upgrade window's bar `myProgressBar1`, as its window
// restores them: a blue fill, the percentage alone and SimSun 9 pt; BorderStyle,
// Enabled, Min and Max are not stored and take their defaults.
platform::PropertyBag SavedProgressBar();

}  // namespace widgets
