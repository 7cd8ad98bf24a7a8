#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QWidget>

#include <optional>
#include <vector>

#include "platform/Canvas.h"
#include "platform/qt/QtFramePacer.h"

namespace platform::qt {

// The progress control's drawing surface: everything is drawn into a retained image
// that paintEvent only copies to the screen, so the drawing survives being covered.
// Drawing calls are checked and placed at once but rasterised when the image is looked
// at (Image, a paint, a resize); a Clear drops what was not rasterised yet, so a bar
// assigned many times between two looks is drawn once. The screen is updated at most
// once a frame.
// Vertical unit: twips (15 per pixel); horizontal unit: the scale width, twips until
// one is set. Appearance 1 with BorderStyle 1 is a 3-D sunken border, Appearance 0
// with BorderStyle 1 a flat single line; the inner area excludes the border.
class QtCanvas : public QWidget, public platform::Canvas {
  Q_OBJECT

 public:
  explicit QtCanvas(QWidget* parent = nullptr);
  ~QtCanvas() override;

  void Clear() override;
  void SetScaleWidth(float units) override;
  float ScaleWidth() const override;
  float ScaleHeight() const override;
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

  float Width() const override;
  float Height() const override;
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;

  base::Colour BackColor() const override { return backColor_; }
  void SetBackColor(base::Colour colour) override;
  base::Colour ForeColor() const override { return foreColor_; }
  void SetForeColor(base::Colour colour) override;
  std::int16_t Appearance() const override { return appearance_; }
  void SetAppearance(std::int16_t appearance) override;
  std::int16_t BorderStyle() const override { return borderStyle_; }
  void SetBorderStyle(std::int16_t style) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  base::FontRef Font() const override { return font_; }
  void SetFont(base::FontRef font) override;

  void Refresh() override;

  // The kept image of the inner area, as drawn so far (for tests and screenshots).
  const QImage& Image() const;
  // A colour value with system colours resolved from this widget's palette, as 0x00RRGGBB.
  QRgb Resolve(base::Colour colour) const;
  // Width of the border on each side, in pixels.
  int BorderWidth() const;
  // Whether the screen is still to be shown the image as it is now.
  bool RepaintPending() const { return repaint_.Pending(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A drawing call placed in pixels, with colours and font as they were when it was made.
  struct Op {
    enum Kind { kFill, kText, kBox };
    Op(Kind k, QRgb c) : kind(k), colour(c) {}
    Kind kind;
    QRgb colour;
    platform::DrawMode mode = platform::DrawMode::kCopyPen;  // kBox
    QRect box;                                               // kBox
    QPointF at;                                              // kText: the baseline's start
    QString text;
    std::optional<QFont> font;  // kText
  };

  // Drawing calls kept at most before they are rasterised unlooked at.
  static constexpr std::size_t kMaxPending = 64;

  // Brings the image to the inner area's size, keeping what was drawn.
  void EnsureImage();
  void Defer(Op op);
  // Rasterises the drawing calls not yet in the image.
  void Rasterise() const;
  static void Apply(QImage& image, const Op& op);
  // The screen shows the image again within a frame.
  void ScheduleRepaint();
  QRect InnerRect() const;
  // Pixels per horizontal unit (negative for a negative scale width).
  double PixelsPerUnit() const;
  const QFont& QtFont() const;
  const QFontMetricsF& Metrics() const;

  mutable QImage image_;
  mutable std::vector<Op> pending_;  // drawn after what image_ holds, in order
  float scaleWidth_ = 0;             // 0: none set, the horizontal unit is the twip
  platform::DrawMode drawMode_ = platform::DrawMode::kCopyPen;
  float currentX_ = 0;
  float currentY_ = 0;
  base::Colour backColor_ = base::kButtonFace;
  base::Colour foreColor_ = base::kButtonText;
  std::int16_t appearance_ = 1;
  std::int16_t borderStyle_ = 1;
  bool enabled_ = true;
  base::FontRef font_;
  QtFramePacer repaint_;
  // The Qt font built from the shared font object; rebuilt when the object's content
  // differs from what it was built from (the object is shared and may change in place).
  mutable std::optional<base::Font> builtFrom_;
  mutable QFont qfont_;
  mutable std::optional<QFontMetricsF> metrics_;
  mutable double lineHeight_ = 0;  // pixels, asked for at every assignment
  mutable double ascent_ = 0;
  // The last text measured in that font, and its width in pixels: a bar measures the
  // same caption over and over.
  mutable std::optional<base::Text> measured_;
  mutable double measuredPixels_ = 0;
};

}  // namespace platform::qt
