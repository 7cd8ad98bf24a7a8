#pragma once

#include <cstdint>

#include "base/Colour.h"
#include "base/Font.h"
#include "base/Text.h"

namespace platform {

// How a filled box combines its pen colour P with each pixel D already there, bit by
// bit over the 24-bit RGB value.
enum class DrawMode : int {
  kBlackness = 1,     // 0
  kNotMergePen = 2,   // NOT (P OR D)
  kMaskNotPen = 3,    // (NOT P) AND D
  kNotCopyPen = 4,    // NOT P
  kMaskPenNot = 5,    // P AND (NOT D)
  kInvert = 6,        // NOT D
  kXorPen = 7,        // P XOR D
  kNotMaskPen = 8,    // NOT (P AND D)
  kMaskPen = 9,       // P AND D
  kNotXorPen = 10,    // NOT (P XOR D): the progress bar's fill over its caption
  kNop = 11,          // D: the box leaves the pixels as they are
  kMergeNotPen = 12,  // (NOT P) OR D
  kCopyPen = 13,      // P: a new surface's mode
  kMergePenNot = 14,  // P OR (NOT D)
  kMergePen = 15,     // P OR D
  kWhiteness = 16,    // all ones
};

// Whether a value (one cast from a number, say) is one of the modes above.
constexpr bool IsDrawMode(DrawMode mode) {
  return mode >= DrawMode::kBlackness && mode <= DrawMode::kWhiteness;
}

// A drawing surface that keeps its image (the progress control's picture box).
// Horizontal units follow the scale width; the vertical unit is the twip. Colours may
// be system colours; the surface resolves them before drawing. Failures throw
// base::RuntimeError.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // Paint the inner area with BackColor; the text cursor goes to (0, 0).
  virtual void Clear() = 0;
  virtual void SetScaleWidth(float units) = 0;
  virtual float ScaleWidth() const = 0;
  virtual float ScaleHeight() const = 0;
  // Throws for a value outside the enumeration.
  virtual void SetDrawMode(platform::DrawMode mode) = 0;
  virtual platform::DrawMode DrawMode() const = 0;
  virtual float TextWidth(const base::Text& text) const = 0;
  virtual float TextHeight(const base::Text& text) const = 0;
  virtual void SetCurrentX(float x) = 0;
  virtual void SetCurrentY(float y) = 0;
  virtual float CurrentX() const = 0;
  virtual float CurrentY() const = 0;
  // Draws text at the cursor in ForeColor and the surface's font.
  virtual void Print(const base::Text& text) = 0;
  // Fills the rectangle between two corners, combined under the draw mode.
  virtual void FilledBox(float x1, float y1, float x2, float y2, base::Colour colour) = 0;

  // Outer size in the host's length unit (twips).
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  virtual void SetWidth(float twips) = 0;
  virtual void SetHeight(float twips) = 0;

  virtual base::Colour BackColor() const = 0;
  virtual void SetBackColor(base::Colour colour) = 0;
  virtual base::Colour ForeColor() const = 0;
  virtual void SetForeColor(base::Colour colour) = 0;
  virtual std::int16_t Appearance() const = 0;
  virtual void SetAppearance(std::int16_t appearance) = 0;
  virtual std::int16_t BorderStyle() const = 0;
  virtual void SetBorderStyle(std::int16_t style) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual base::FontRef Font() const = 0;
  virtual void SetFont(base::FontRef font) = 0;

  // Shows the kept image again; recomputes nothing.
  virtual void Refresh() = 0;
};

}  // namespace platform
