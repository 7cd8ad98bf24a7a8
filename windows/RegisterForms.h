#pragma once

#include "app/Program.h"

namespace windows {

// Tells the program how to make the live-TV and torrent player windows.
void RegisterForms(app::Program& program);

}  // namespace windows
