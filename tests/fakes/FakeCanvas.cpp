#include "fakes/FakeCanvas.h"

#include <cmath>
#include <cstdio>

#include "base/RuntimeError.h"

namespace fakes {

namespace {

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

std::string Utf8(const base::Text& text) {
  return base::ToUtf8(text);
}

[[noreturn]] void Invalid(const char* what) {
  throw base::RuntimeError(base::ErrorKind::InvalidCall, what);
}

}  // namespace

FakeCanvas::FakeCanvas() : font_(std::make_shared<base::Font>()) {}

FakeCanvas::FakeCanvas(float widthTwips, float heightTwips) : FakeCanvas() {
  width_ = widthTwips;
  height_ = heightTwips;
}

void FakeCanvas::Check(const char* operation) const {
  if (failing_.count(operation)) Invalid(operation);
}

void FakeCanvas::Clear() {
  Check("Clear");
  currentX_ = 0;
  currentY_ = 0;
  Log("Clear");
}

void FakeCanvas::SetScaleWidth(float units) {
  Check("SetScaleWidth");
  if (units == 0 || !std::isfinite(units)) Invalid("invalid scale width");
  scaleWidth_ = units;
  Log("ScaleWidth " + Number(units));
}

float FakeCanvas::ScaleWidth() const {
  return scaleWidth_ != 0 ? scaleWidth_ : width_;
}

void FakeCanvas::SetDrawMode(platform::DrawMode mode) {
  Check("SetDrawMode");
  if (!platform::IsDrawMode(mode)) Invalid("invalid draw mode");
  drawMode_ = mode;
  Log("DrawMode " + std::to_string(static_cast<int>(mode)));
}

float FakeCanvas::TextWidth(const base::Text& text) const {
  Check("TextWidth");
  const float twips = static_cast<float>(text.size()) * kCharTwips;
  if (scaleWidth_ == 0 || width_ == 0) return twips;
  return twips * scaleWidth_ / width_;
}

float FakeCanvas::TextHeight(const base::Text&) const {
  Check("TextHeight");
  return kLineTwips;
}

void FakeCanvas::SetCurrentX(float x) {
  Check("SetCurrentX");
  currentX_ = x;
  Log("CurrentX " + Number(x));
}

void FakeCanvas::SetCurrentY(float y) {
  Check("SetCurrentY");
  currentY_ = y;
  Log("CurrentY " + Number(y));
}

void FakeCanvas::Print(const base::Text& text) {
  Check("Print");
  printed_.push_back(text);
  Log("Print " + Utf8(text));
  currentX_ = 0;
  currentY_ += kLineTwips;
}

void FakeCanvas::FilledBox(float x1, float y1, float x2, float y2, base::Colour colour) {
  Check("FilledBox");
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(colour));
  Log("FilledBox " + Number(x1) + " " + Number(y1) + " " + Number(x2) + " " + Number(y2) + " " +
      hex);
}

void FakeCanvas::SetWidth(float twips) {
  Check("SetWidth");
  width_ = twips;
}

void FakeCanvas::SetHeight(float twips) {
  Check("SetHeight");
  height_ = twips;
}

base::Colour FakeCanvas::BackColor() const {
  Check("BackColor");
  return backColor_;
}

base::Colour FakeCanvas::ForeColor() const {
  Check("ForeColor");
  return foreColor_;
}

std::int16_t FakeCanvas::Appearance() const {
  Check("Appearance");
  return appearance_;
}

std::int16_t FakeCanvas::BorderStyle() const {
  Check("BorderStyle");
  return borderStyle_;
}

bool FakeCanvas::Enabled() const {
  Check("Enabled");
  return enabled_;
}

void FakeCanvas::SetBackColor(base::Colour colour) {
  Check("SetBackColor");
  backColor_ = colour;
}

void FakeCanvas::SetForeColor(base::Colour colour) {
  Check("SetForeColor");
  foreColor_ = colour;
}

void FakeCanvas::SetAppearance(std::int16_t appearance) {
  Check("SetAppearance");
  if (appearance != 0 && appearance != 1) Invalid("invalid appearance");
  appearance_ = appearance;
}

void FakeCanvas::SetBorderStyle(std::int16_t style) {
  Check("SetBorderStyle");
  if (style != 0 && style != 1) Invalid("invalid border style");
  borderStyle_ = style;
}

void FakeCanvas::SetEnabled(bool enabled) {
  Check("SetEnabled");
  enabled_ = enabled;
}

void FakeCanvas::SetFont(base::FontRef font) {
  Check("SetFont");
  if (!font) Invalid("no font object");
  font_ = std::move(font);
}

void FakeCanvas::Refresh() {
  Check("Refresh");
  Log("Refresh");
}

}  // namespace fakes
