#pragma once

#include <string>

namespace windows {

// The torrent player window's 90 x 23 picture (PNG bytes), drawn for this program.
std::string Image2Picture();

}  // namespace windows
