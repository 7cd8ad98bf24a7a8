#include "widgets/ctlProgress.h"

#include <cmath>
#include <limits>
#include <memory>

#include "base/Numbers.h"
#include "base/RuntimeError.h"

namespace widgets {

namespace {

// Max - Min as the 32-bit integer the bar's scale is built on.
std::int32_t Span(std::int32_t max, std::int32_t min) {
  const std::int64_t span = static_cast<std::int64_t>(max) - min;
  if (span < std::numeric_limits<std::int32_t>::min() ||
      span > std::numeric_limits<std::int32_t>::max()) {
    throw base::RuntimeError(base::ErrorKind::Overflow, "overflow");
  }
  return static_cast<std::int32_t>(span);
}

std::int16_t To16(std::int32_t value) {
  return base::ToInt16(static_cast<std::int64_t>(value));
}

// The hundredth of a percent a fraction is shown as, when the decimal roundings on the
// way to the text cannot move it (they err by less than 1e-8 hundredths in this range):
// -1 within a millionth of a rounding edge or outside the range.
std::int64_t ShownHundredth(double fraction) {
  const double q = fraction * 10000;
  if (!(q >= 0 && q <= 1e6)) return -1;
  const double edge = std::floor(q) + 0.5;
  if (std::abs(q - edge) < 1e-6) return -1;
  return static_cast<std::int64_t>(q < edge ? edge - 0.5 : edge + 0.5);
}

// A coordinate handed to the picture must be a finite number.
float Finite(float value) {
  base::CheckFinite(value);
  return value;
}

}  // namespace

ctlProgress::ctlProgress(platform::Canvas& picProgress, ControlHost& host)
    : picProgress_(picProgress), host_(host), font_(std::make_shared<base::Font>()) {}

// ---- properties ----

std::int32_t ctlProgress::Appearance() const {
  return picProgress_.Appearance();
}

void ctlProgress::SetAppearance(std::int32_t appearance) {
  picProgress_.SetAppearance(To16(appearance));
  Notify();
}

void ctlProgress::SetCaption(base::TextView caption) {
  caption_ = base::Trim(caption);
  Notify();
}

void ctlProgress::SetMax(std::int32_t max) {
  max_ = max;
  Notify();
}

void ctlProgress::SetMin(std::int32_t min) {
  min_ = min;
  Notify();
}

bool ctlProgress::Enabled() const {
  return picProgress_.Enabled();
}

void ctlProgress::SetEnabled(bool enabled) {
  picProgress_.SetEnabled(enabled);
  Notify();
}

std::int32_t ctlProgress::BorderStyle() const {
  return picProgress_.BorderStyle();
}

void ctlProgress::SetBorderStyle(std::int32_t style) {
  picProgress_.SetBorderStyle(To16(style));
  Notify();
}

void ctlProgress::SetCaptionStyle(std::int32_t style) {
  captionStyle_ = To16(style);
  Notify();
}

void ctlProgress::SetCaptionFont(base::FontRef font) {
  if (!font) throw base::RuntimeError(base::ErrorKind::InvalidCall, "no font object");
  font_ = std::move(font);
  ApplyCaptionFont();
  Notify();
}

void ctlProgress::SetFillColor(base::Colour colour) {
  fillColor_ = colour;
  Notify();
}

base::Colour ctlProgress::ForeColor() const {
  return picProgress_.ForeColor();
}

void ctlProgress::SetForeColor(base::Colour colour) {
  picProgress_.SetForeColor(colour);
  Notify();
}

base::Colour ctlProgress::BackColor() const {
  return picProgress_.BackColor();
}

void ctlProgress::SetBackColor(base::Colour colour) {
  picProgress_.SetBackColor(colour);
  Notify();
}

void ctlProgress::SetValue(double value) {
  value_ = base::ToInt32(value);
  DrawProgress(value);
}

void ctlProgress::Refresh() {
  picProgress_.Refresh();
}

// ---- host notifications ----

void ctlProgress::InitProperties() {
  SetMax(100);
  SetMin(0);
  SetBackColor(base::kButtonFace);
  SetFillColor(base::kBlue);
  SetCaptionStyle(PercentOnly);
  ApplyCaptionFont();
}

void ctlProgress::ReadProperties(const platform::PropertyBag& bag) {
  using namespace platform;
  using base::SkipOnFailure;
  auto& pic = picProgress_;
  SkipOnFailure([&] {
    pic.SetAppearance(PropertyToInt16(bag.ReadProperty(u"Appearance", pic.Appearance())));
  });
  SkipOnFailure([&] {
    const auto fallback = static_cast<std::int32_t>(pic.ForeColor());
    pic.SetForeColor(
        static_cast<base::Colour>(PropertyToInt32(bag.ReadProperty(u"ForeColor", fallback))));
  });
  SkipOnFailure([&] {
    const auto fallback = static_cast<std::int32_t>(pic.BackColor());
    pic.SetBackColor(
        static_cast<base::Colour>(PropertyToInt32(bag.ReadProperty(u"BackColor", fallback))));
  });
  SkipOnFailure([&] {
    const auto fallback = static_cast<std::int32_t>(fillColor_);
    fillColor_ =
        static_cast<base::Colour>(PropertyToInt32(bag.ReadProperty(u"FillColor", fallback)));
  });
  SkipOnFailure(
      [&] { SetBorderStyle(PropertyToInt32(bag.ReadProperty(u"BorderStyle", std::int32_t{1}))); });
  SkipOnFailure([&] {
    SetCaptionStyle(
        PropertyToInt32(bag.ReadProperty(u"CaptionStyle", std::int32_t{CaptionAndPercent})));
  });
  SkipOnFailure([&] { SetEnabled(PropertyToBool(bag.ReadProperty(u"Enabled", true))); });
  SkipOnFailure([&] { SetCaption(PropertyToText(bag.ReadProperty(u"Caption", base::Text()))); });
  SkipOnFailure([&] { SetMax(PropertyToInt32(bag.ReadProperty(u"Max", std::int32_t{100}))); });
  SkipOnFailure([&] { SetMin(PropertyToInt32(bag.ReadProperty(u"Min", std::int32_t{0}))); });
  // Without a saved caption font the marker fails the step and the designed font stays.
  SkipOnFailure([&] { SetCaptionFont(PropertyToFont(bag.ReadProperty(u"CaptionFont"))); });
}

void ctlProgress::WriteProperties(platform::PropertyBag& bag) const {
  const auto& pic = picProgress_;
  bag.WriteProperty(u"Appearance", pic.Appearance());
  bag.WriteProperty(u"ForeColor", static_cast<std::int32_t>(pic.ForeColor()));
  bag.WriteProperty(u"BackColor", static_cast<std::int32_t>(pic.BackColor()));
  bag.WriteProperty(u"FillColor", static_cast<std::int32_t>(fillColor_));
  // Only "CaptionFont" is read back; "Font" is kept for the host's own use.
  bag.WriteProperty(u"Font", font_, host_.AmbientFont());
  bag.WriteProperty(u"BorderStyle", BorderStyle(), std::int32_t{1});
  bag.WriteProperty(u"CaptionStyle", CaptionStyle(), std::int32_t{CaptionAndPercent});
  bag.WriteProperty(u"Enabled", Enabled(), true);
  bag.WriteProperty(u"Caption", caption_);
  bag.WriteProperty(u"Max", max_, std::int32_t{100});
  bag.WriteProperty(u"Min", min_, std::int32_t{0});
  bag.WriteProperty(u"CaptionFont", font_);
}

void ctlProgress::Resize() {
  picProgress_.SetWidth(host_.ControlWidth());
  picProgress_.SetHeight(host_.ControlHeight());
}

// ---- drawing ----

void ctlProgress::ApplyCaptionFont() {
  picProgress_.SetFont(font_);
}

base::Text ctlProgress::PercentText(double v) {
  const std::int32_t span = Span(Max(), Min());
  double fraction = base::CheckedDivide(v - Min(), static_cast<double>(span));
  // Formatting costs more than the rest of an assignment, and a download assigns a
  // value per KiB while the text changes every few KiB.
  const std::int64_t hundredth = ShownHundredth(fraction);
  if (hundredth >= 0 && hundredth == percentHundredth_) return percentText_;
  fraction = base::RoundTo15Digits(fraction);
  percentText_ = base::FormatZeroPointZeroZero(fraction * 100) + u"%";
  percentHundredth_ = hundredth;
  return percentText_;
}

void ctlProgress::DrawProgress(double v) {
  const double max = Max();
  const double min = Min();
  // Max first: with Min above Max every value ends up at one of the two, and NaN at Min.
  if (v > max) {
    v = max;
  } else if (!(v >= min)) {
    v = min;
  }

  picProgress_.Clear();

  base::Text text;
  const std::int32_t style = CaptionStyle();
  if (style == CaptionNone) {
  } else if (style == CaptionOnly) {
    text = Caption();
  } else {
    const base::Text percent = PercentText(v);
    const base::Text caption = Caption();
    text = (caption.empty() || style == PercentOnly) ? percent : caption + u" " + percent;
  }

  picProgress_.SetScaleWidth(static_cast<float>(Span(Max(), Min())));
  picProgress_.SetDrawMode(platform::DrawMode::kNotXorPen);

  const float scaleWidth = picProgress_.ScaleWidth();
  const float textWidth = picProgress_.TextWidth(text);
  picProgress_.SetCurrentX(Finite(scaleWidth / 2.0f - textWidth / 2.0f));
  const float scaleHeight = picProgress_.ScaleHeight();
  const float textHeight = picProgress_.TextHeight(text);
  picProgress_.SetCurrentY(Finite((scaleHeight - textHeight) / 2.0f));
  picProgress_.Print(text);

  // The box reaches down to the picture's width in twips: far below the inner area of
  // any bar wider than it is high, so the picture clips it to the full height.
  picProgress_.FilledBox(0, 0, Finite(static_cast<float>(v - min)), picProgress_.Width(),
                         FillColor());
}

}  // namespace widgets
