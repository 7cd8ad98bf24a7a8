#include "platform/qt/QtColours.h"

namespace platform::qt {

namespace {

QColor SystemColour(int index, const QPalette& palette) {
  switch (index) {
    case 2:   // active caption
    case 13:  // highlight
      return palette.color(QPalette::Active, QPalette::Highlight);
    case 9:   // caption text
    case 14:  // highlighted text
      return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 5:  // window background
      return palette.color(QPalette::Active, QPalette::Base);
    case 6:   // window frame
    case 21:  // dark 3-D shadow
      return palette.color(QPalette::Active, QPalette::Shadow);
    case 7:  // menu text
      return palette.color(QPalette::Active, QPalette::WindowText);
    case 8:  // window text
      return palette.color(QPalette::Active, QPalette::Text);
    case 12:  // application workspace
    case 16:  // button shadow
      return palette.color(QPalette::Active, QPalette::Dark);
    case 15:  // button face
      return palette.color(QPalette::Active, QPalette::Button);
    case 17:  // grey text
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:  // button text
      return palette.color(QPalette::Active, QPalette::ButtonText);
    case 20:  // button highlight
      return palette.color(QPalette::Active, QPalette::Light);
    case 22:  // 3-D light
      return palette.color(QPalette::Active, QPalette::Midlight);
    case 23:  // tooltip text
      return palette.color(QPalette::Active, QPalette::ToolTipText);
    case 24:  // tooltip background
      return palette.color(QPalette::Active, QPalette::ToolTipBase);
    default:
      return palette.color(QPalette::Active, QPalette::Window);
  }
}

}  // namespace

QColor ToQColor(base::Colour colour, const QPalette& palette) {
  if (base::IsSystemColour(colour)) return SystemColour(base::SystemColourIndex(colour), palette);
  return QColor(base::RedOf(colour), base::GreenOf(colour), base::BlueOf(colour));
}

}  // namespace platform::qt
