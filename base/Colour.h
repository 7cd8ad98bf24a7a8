#pragma once

#include <cstdint>

namespace base {

// 0x00BBGGRR for a direct colour (red in the low byte); 0x80000000 + n for the
// platform's system colour number n.
using Colour = std::uint32_t;

constexpr Colour kSystemColourFlag = 0x80000000u;
constexpr Colour kButtonFace = kSystemColourFlag + 15;
constexpr Colour kButtonText = kSystemColourFlag + 18;
constexpr Colour kBlack = 0x00000000u;
constexpr Colour kWhite = 0x00FFFFFFu;
constexpr Colour kRed = 0x000000FFu;
constexpr Colour kBlue = 0x00FF0000u;

constexpr bool IsSystemColour(Colour c) {
  return (c & kSystemColourFlag) != 0;
}
constexpr int SystemColourIndex(Colour c) {
  return static_cast<int>(c & 0xFFu);
}
constexpr Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colour c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Colour c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Colour c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

}  // namespace base
