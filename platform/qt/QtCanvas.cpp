#include "platform/qt/QtCanvas.h"

#include <qdrawutil.h>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>

#include "base/RuntimeError.h"
#include "platform/Ui.h"
#include "platform/qt/QtColours.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// Twips are converted in double precision.
constexpr double kTwipsPerPixel = platform::kTwipsPerPixel;

[[noreturn]] void InvalidValue(const char* what) {
  throw base::RuntimeError(base::ErrorKind::InvalidCall, what);
}

bool IsSimSun(const QString& family) {
  return family == QStringLiteral("宋体") || family.compare(u"SimSun", Qt::CaseInsensitive) == 0 ||
         family == QStringLiteral("新宋体") || family.compare(u"NSimSun", Qt::CaseInsensitive) == 0;
}

// An installed face for Chinese text, for fonts the machine lacks. The "Sharp" face of
// WenQuanYi carries hand-tuned bitmaps at small sizes, the nearest thing to SimSun's.
QString CjkReplacement() {
  static const QString family = [] {
    for (const char* name : {"WenQuanYi Zen Hei Sharp", "WenQuanYi Zen Hei", "Noto Sans CJK SC",
                             "Noto Serif CJK SC", "AR PL UMing CN"}) {
      if (QFontDatabase::hasFamily(QString::fromLatin1(name))) return QString::fromLatin1(name);
    }
    const QStringList any = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return any.isEmpty() ? QString() : any.first();
  }();
  return family;
}

constexpr int kCharsetGb2312 = 134;
constexpr int kCharsetChineseBig5 = 136;

}  // namespace

QtCanvas::QtCanvas(QWidget* parent)
    : QWidget(parent), font_(std::make_shared<base::Font>()), repaint_([this] { update(); }) {
  // paintEvent covers every pixel itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QtCanvas::~QtCanvas() = default;

// ---- geometry ----

int QtCanvas::BorderWidth() const {
  if (borderStyle_ == 0) return 0;
  return appearance_ == 1 ? 2 : 1;
}

QRect QtCanvas::InnerRect() const {
  const int b = BorderWidth();
  QRect inner = rect().adjusted(b, b, -b, -b);
  if (inner.width() < 0) inner.setWidth(0);
  if (inner.height() < 0) inner.setHeight(0);
  return inner;
}

void QtCanvas::EnsureImage() {
  const QSize size = InnerRect().size();
  if (image_.size() == size) return;
  // What was drawn at the old size goes into the old image before it is carried over.
  Rasterise();
  QImage fresh;
  if (!size.isEmpty()) {
    fresh = QImage(size, QImage::Format_RGB32);
    fresh.fill(Resolve(backColor_));
    if (!image_.isNull()) {
      QPainter p(&fresh);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(0, 0, image_);
    }
  }
  image_ = std::move(fresh);
}

float QtCanvas::ScaleWidth() const {
  if (scaleWidth_ != 0) return scaleWidth_;
  return static_cast<float>(InnerRect().width() * kTwipsPerPixel);
}

float QtCanvas::ScaleHeight() const {
  return static_cast<float>(InnerRect().height() * kTwipsPerPixel);
}

double QtCanvas::PixelsPerUnit() const {
  if (scaleWidth_ == 0) return 1.0 / kTwipsPerPixel;
  return InnerRect().width() / static_cast<double>(scaleWidth_);
}

void QtCanvas::SetScaleWidth(float units) {
  // A zero scale would put the right edge on the left one.
  if (units == 0 || !std::isfinite(units)) InvalidValue("invalid scale width");
  scaleWidth_ = units;
}

float QtCanvas::Width() const {
  return static_cast<float>(width() * kTwipsPerPixel);
}
float QtCanvas::Height() const {
  return static_cast<float>(height() * kTwipsPerPixel);
}

void QtCanvas::SetWidth(float twips) {
  if (!(twips >= 0) || !std::isfinite(twips)) InvalidValue("invalid width");
  resize(static_cast<int>(std::lround(twips / kTwipsPerPixel)), height());
  EnsureImage();
}

void QtCanvas::SetHeight(float twips) {
  if (!(twips >= 0) || !std::isfinite(twips)) InvalidValue("invalid height");
  resize(width(), static_cast<int>(std::lround(twips / kTwipsPerPixel)));
  EnsureImage();
}

// ---- colours and appearance ----

QRgb QtCanvas::Resolve(base::Colour colour) const {
  return ToQColor(colour, palette()).rgb() & 0x00FFFFFFu;
}

void QtCanvas::SetBackColor(base::Colour colour) {
  backColor_ = colour;
  // A new background erases the drawing, as on any picture box.
  Clear();
}

void QtCanvas::SetForeColor(base::Colour colour) {
  foreColor_ = colour;
}

void QtCanvas::SetAppearance(std::int16_t appearance) {
  if (appearance != 0 && appearance != 1) InvalidValue("invalid appearance");
  appearance_ = appearance;
  EnsureImage();
  ScheduleRepaint();
}

void QtCanvas::SetBorderStyle(std::int16_t style) {
  if (style != 0 && style != 1) InvalidValue("invalid border style");
  borderStyle_ = style;
  EnsureImage();
  ScheduleRepaint();
}

void QtCanvas::SetEnabled(bool enabled) {
  enabled_ = enabled;
  setEnabled(enabled);
}

// ---- font ----

void QtCanvas::SetFont(base::FontRef font) {
  if (!font) InvalidValue("no font object");
  font_ = std::move(font);
}

const QFont& QtCanvas::QtFont() const {
  if (builtFrom_ && *builtFrom_ == *font_) return qfont_;
  const base::Font& f = *font_;
  QString family = ToQString(f.name);
  if (!QFontDatabase::hasFamily(family) &&
      (IsSimSun(family) || f.charset == kCharsetGb2312 || f.charset == kCharsetChineseBig5)) {
    const QString replacement = CjkReplacement();
    if (!replacement.isEmpty()) family = replacement;
  }
  QFont q(family);
  // Points at 96 dots per inch, whatever the screen says: the twip is 1/15 pixel here.
  q.setPixelSize(std::max(1, static_cast<int>(std::lround(f.size * 96.0 / 72.0))));
  q.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight == 0 ? 400 : f.weight, 1, 1000)));
  q.setItalic(f.italic);
  q.setUnderline(f.underline);
  q.setStrikeOut(f.strikethrough);
  // Crisp glyphs in the text colour only, so the inverting fill gives exactly two colours.
  q.setStyleStrategy(QFont::NoAntialias);
  q.setHintingPreference(QFont::PreferFullHinting);
  qfont_ = q;
  metrics_.emplace(qfont_);
  lineHeight_ = metrics_->height();
  ascent_ = metrics_->ascent();
  measured_.reset();
  builtFrom_ = f;
  return qfont_;
}

const QFontMetricsF& QtCanvas::Metrics() const {
  QtFont();
  return *metrics_;
}

float QtCanvas::TextWidth(const base::Text& text) const {
  const double ppu = PixelsPerUnit();
  // A bar without inner width shows no text: nothing to measure against.
  if (text.empty() || ppu == 0) return 0;
  const QFontMetricsF& metrics = Metrics();
  if (measured_ != text) {
    measuredPixels_ = metrics.horizontalAdvance(ToQString(text));
    measured_ = text;
  }
  return static_cast<float>(measuredPixels_ / ppu);
}

float QtCanvas::TextHeight(const base::Text&) const {
  QtFont();
  return static_cast<float>(lineHeight_ * kTwipsPerPixel);
}

// ---- drawing ----

void QtCanvas::SetDrawMode(platform::DrawMode mode) {
  if (!platform::IsDrawMode(mode)) InvalidValue("invalid draw mode");
  drawMode_ = mode;
}

void QtCanvas::SetCurrentX(float x) {
  if (!std::isfinite(x)) throw base::RuntimeError(base::ErrorKind::Overflow, "overflow");
  currentX_ = x;
}

void QtCanvas::SetCurrentY(float y) {
  if (!std::isfinite(y)) throw base::RuntimeError(base::ErrorKind::Overflow, "overflow");
  currentY_ = y;
}

void QtCanvas::Clear() {
  EnsureImage();
  // Nothing drawn before shows through the fill: it need never be rasterised.
  pending_.clear();
  if (!image_.isNull()) pending_.emplace_back(Op::kFill, Resolve(backColor_));
  currentX_ = 0;
  currentY_ = 0;
  ScheduleRepaint();
}

void QtCanvas::Print(const base::Text& text) {
  EnsureImage();
  const QFont& font = QtFont();
  if (!text.empty() && !image_.isNull()) {
    Op op(Op::kText, Resolve(foreColor_));
    op.at = QPointF(currentX_ * PixelsPerUnit(), currentY_ / kTwipsPerPixel + ascent_);
    op.text = ToQString(text);
    op.font = font;
    Defer(std::move(op));
    ScheduleRepaint();
  }
  // The cursor goes to the start of the next line.
  currentX_ = 0;
  currentY_ += TextHeight(text);
}

void QtCanvas::FilledBox(float x1, float y1, float x2, float y2, base::Colour colour) {
  EnsureImage();
  if (image_.isNull() || drawMode_ == platform::DrawMode::kNop) return;
  const double ppu = PixelsPerUnit();
  // Pixel edges, clamped to just outside the image so that far-off corners stay in range.
  auto edge = [](double pixels, int limit) {
    return static_cast<int>(std::lround(std::clamp(pixels, -1.0, limit + 1.0)));
  };
  const int w = image_.width();
  const int h = image_.height();
  int left = edge(x1 * ppu, w);
  int right = edge(x2 * ppu, w);
  int top = edge(y1 / kTwipsPerPixel, h);
  int bottom = edge(y2 / kTwipsPerPixel, h);
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const QRect box = QRect(left, top, right - left, bottom - top).intersected(image_.rect());
  if (box.isEmpty()) return;
  Op op(Op::kBox, Resolve(colour));
  op.mode = drawMode_;
  op.box = box;
  Defer(std::move(op));
  ScheduleRepaint();
}

const QImage& QtCanvas::Image() const {
  Rasterise();
  return image_;
}

void QtCanvas::Defer(Op op) {
  // Drawing that is never cleared nor looked at must not pile up.
  if (pending_.size() >= kMaxPending) Rasterise();
  pending_.push_back(std::move(op));
}

void QtCanvas::Rasterise() const {
  for (const Op& op : pending_) Apply(image_, op);
  pending_.clear();
}

void QtCanvas::Apply(QImage& image, const Op& op) {
  if (op.kind == Op::kFill) {
    image.fill(op.colour);
    return;
  }
  QPainter p(&image);
  if (op.kind == Op::kText) {
    p.setFont(*op.font);
    p.setPen(QColor(op.colour));
    p.drawText(op.at, op.text);
    return;
  }
  switch (op.mode) {
    case platform::DrawMode::kBlackness:
      p.setCompositionMode(QPainter::RasterOp_ClearDestination);
      break;
    case platform::DrawMode::kNotMergePen:
      p.setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
      break;
    case platform::DrawMode::kMaskNotPen:
      p.setCompositionMode(QPainter::RasterOp_NotSourceAndDestination);
      break;
    case platform::DrawMode::kNotCopyPen:
      p.setCompositionMode(QPainter::RasterOp_NotSource);
      break;
    case platform::DrawMode::kMaskPenNot:
      p.setCompositionMode(QPainter::RasterOp_SourceAndNotDestination);
      break;
    case platform::DrawMode::kInvert:
      p.setCompositionMode(QPainter::RasterOp_NotDestination);
      break;
    case platform::DrawMode::kXorPen:
      p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
    case platform::DrawMode::kNotMaskPen:
      p.setCompositionMode(QPainter::RasterOp_NotSourceOrNotDestination);
      break;
    case platform::DrawMode::kMaskPen:
      p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      break;
    case platform::DrawMode::kNotXorPen:
      p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
      break;
    case platform::DrawMode::kMergeNotPen:
      p.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
      break;
    case platform::DrawMode::kMergePenNot:
      p.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
      break;
    case platform::DrawMode::kMergePen:
      p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      break;
    case platform::DrawMode::kWhiteness:
      p.setCompositionMode(QPainter::RasterOp_SetDestination);
      break;
    case platform::DrawMode::kCopyPen:
    case platform::DrawMode::kNop:  // never recorded: such a box draws nothing
      p.setCompositionMode(QPainter::CompositionMode_Source);
      break;
  }
  p.fillRect(op.box, QColor(op.colour));
}

void QtCanvas::Refresh() {
  repaint();
}

void QtCanvas::ScheduleRepaint() {
  if (isVisible()) repaint_.Request();
}

void QtCanvas::paintEvent(QPaintEvent*) {
  EnsureImage();
  Rasterise();
  QPainter p(this);
  const QRect inner = InnerRect();
  if (borderStyle_ == 1) {
    if (appearance_ == 1) {
      // The border's colours are those of an active control whatever the state: a
      // disabled bar looks exactly like an enabled one.
      QPalette colours = palette();
      colours.setCurrentColorGroup(QPalette::Active);
      qDrawWinPanel(&p, rect(), colours, /*sunken=*/true);
    } else {
      p.setPen(QColor(Resolve(base::kSystemColourFlag + 6)));
      p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
  }
  if (!image_.isNull()) p.drawImage(inner.topLeft(), image_);
}

void QtCanvas::resizeEvent(QResizeEvent*) {
  EnsureImage();
}

}  // namespace platform::qt
