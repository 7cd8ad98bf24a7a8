#pragma once

#include <cstdint>

#include "base/Colour.h"
#include "base/Font.h"
#include "base/Text.h"
#include "platform/Canvas.h"
#include "platform/PropertyBag.h"
#include "widgets/ControlHost.h"

namespace widgets {

// Caption styles of the progress bar. Any other value draws as CaptionAndPercent.
enum CaptionStyleConstants : std::int32_t {
  CaptionNone = 0,
  CaptionOnly = 1,
  PercentOnly = 2,
  CaptionAndPercent = 3,
};

// A self-drawn horizontal progress bar. Its picture `picProgress` covers the whole
// control and keeps what was drawn; only assigning `value` draws. Setters report
// failures as base::RuntimeError and change nothing when they fail.
class ctlProgress {
 public:
  ctlProgress(platform::Canvas& picProgress, ControlHost& host);

  std::int32_t Appearance() const;
  void SetAppearance(std::int32_t appearance);
  base::Text Caption() const { return caption_; }
  void SetCaption(base::TextView caption);
  std::int32_t Max() const { return max_; }
  void SetMax(std::int32_t max);
  std::int32_t Min() const { return min_; }
  void SetMin(std::int32_t min);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  std::int32_t BorderStyle() const;
  void SetBorderStyle(std::int32_t style);
  std::int32_t CaptionStyle() const { return captionStyle_; }
  void SetCaptionStyle(std::int32_t style);
  base::FontRef CaptionFont() const { return font_; }
  void SetCaptionFont(base::FontRef font);
  base::Colour FillColor() const { return fillColor_; }
  void SetFillColor(base::Colour colour);
  base::Colour ForeColor() const;
  void SetForeColor(base::Colour colour);
  base::Colour BackColor() const;
  void SetBackColor(base::Colour colour);
  // The last assigned value, rounded to an integer.
  double value() const { return static_cast<double>(value_); }
  // Stores the value rounded (ties to even) and draws the bar for the exact value.
  void SetValue(double value);

  // Shows the kept image again.
  void Refresh();

  // Host notifications.
  void InitProperties();
  void ReadProperties(const platform::PropertyBag& bag);
  void WriteProperties(platform::PropertyBag& bag) const;
  void Resize();

 private:
  void DrawProgress(double v);
  void ApplyCaptionFont();
  base::Text PercentText(double v);
  void Notify() { host_.PropertyChanged(); }

  platform::Canvas& picProgress_;
  ControlHost& host_;
  std::int32_t max_ = 0;
  std::int32_t min_ = 0;
  std::int32_t value_ = 0;
  base::Text caption_;
  std::int16_t captionStyle_ = 0;
  base::Colour fillColor_ = 0;
  // The control's own font; after ApplyCaptionFont the picture holds the same object.
  base::FontRef font_;
  // The last percentage formatted and the hundredth of a percent it shows (-1: none).
  std::int64_t percentHundredth_ = -1;
  base::Text percentText_;
};

}  // namespace widgets
