#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace fakes {

// A drawing surface that records what is drawn on it instead of drawing. Its font is
// fixed-pitch: every character is kCharTwips wide and every line kLineTwips high; the
// inner area is the whole outer size (no border).
class FakeCanvas : public platform::Canvas {
 public:
  static constexpr float kCharTwips = 120;
  static constexpr float kLineTwips = 180;

  FakeCanvas();
  FakeCanvas(float widthTwips, float heightTwips);

  // The drawing calls in order, as text: "Clear", "ScaleWidth 100", "DrawMode 10",
  // "CurrentX 25", "CurrentY 97.5", "Print 45.67%", "FilledBox 0 0 44.5 7095 0xFF0000",
  // "Refresh".
  const std::vector<std::string>& Drawing() const { return drawing_; }
  void ClearDrawing() {
    drawing_.clear();
    printed_.clear();
  }
  // The texts printed since the log was last emptied.
  const std::vector<base::Text>& Printed() const { return printed_; }

  // Makes an operation fail as a refusing surface does (RuntimeError InvalidCall).
  // Names are the member functions': "Print", "SetScaleWidth", "SetBackColor", and
  // the getters "Appearance", "BorderStyle", "Enabled", "ForeColor", "BackColor".
  void FailOn(const std::string& operation) { failing_.insert(operation); }

  void Clear() override;
  void SetScaleWidth(float units) override;
  float ScaleWidth() const override;
  float ScaleHeight() const override { return height_; }
  void SetDrawMode(platform::DrawMode mode) override;
  platform::DrawMode DrawMode() const override { return drawMode_; }
  float TextWidth(const base::Text& text) const override;
  float TextHeight(const base::Text& text) const override;
  void SetCurrentX(float x) override;
  void SetCurrentY(float y) override;
  float CurrentX() const override { return currentX_; }
  float CurrentY() const override { return currentY_; }
  void Print(const base::Text& text) override;
  void FilledBox(float x1, float y1, float x2, float y2, base::Colour colour) override;

  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;

  base::Colour BackColor() const override;
  void SetBackColor(base::Colour colour) override;
  base::Colour ForeColor() const override;
  void SetForeColor(base::Colour colour) override;
  std::int16_t Appearance() const override;
  void SetAppearance(std::int16_t appearance) override;
  std::int16_t BorderStyle() const override;
  void SetBorderStyle(std::int16_t style) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  base::FontRef Font() const override { return font_; }
  void SetFont(base::FontRef font) override;

  void Refresh() override;

 private:
  void Check(const char* operation) const;
  void Log(std::string entry) { drawing_.push_back(std::move(entry)); }

  std::vector<std::string> drawing_;
  std::vector<base::Text> printed_;
  std::set<std::string> failing_;
  float width_ = 0;
  float height_ = 0;
  float scaleWidth_ = 0;
  platform::DrawMode drawMode_ = platform::DrawMode::kCopyPen;
  float currentX_ = 0;
  float currentY_ = 0;
  base::Colour backColor_ = base::kButtonFace;
  base::Colour foreColor_ = base::kButtonText;
  std::int16_t appearance_ = 1;
  std::int16_t borderStyle_ = 1;
  bool enabled_ = true;
  base::FontRef font_;
};

}  // namespace fakes
