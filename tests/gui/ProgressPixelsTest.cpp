#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "base/Colour.h"
#include "base/RuntimeError.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtCanvas.h"
#include "widgets/ControlHost.h"
#include "widgets/SavedProgressBar.h"
#include "widgets/ctlProgress.h"

namespace {

// A pixel of the kept image as a colour value of the program (0x00BBGGRR).
base::Colour At(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return base::Rgb(qRed(p), qGreen(p), qBlue(p));
}

std::set<base::Colour> ColoursIn(const QImage& image, int fromX, int toX) {
  std::set<base::Colour> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = fromX; x < toX; ++x) colours.insert(At(image, x, y));
  }
  return colours;
}

// The upgrade window's bar: 7095 x 375 twips, restored from its saved settings.
class ProgressPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    bar.ReadProperties(widgets::SavedProgressBar());
    bar.Resize();
  }

  const QImage& Image() const { return pic.Image(); }
  // The first column of the top row (which no caption reaches) not in the fill colour.
  int FillEdge(base::Colour fill) const {
    int x = 0;
    while (x < Image().width() && At(Image(), x, 0) == fill) ++x;
    return x;
  }

  platform::qt::QtCanvas pic;
  widgets::RunTimeHost host{7095, 375, std::make_shared<base::Font>()};
  widgets::ctlProgress bar{pic, host};
};

TEST_F(ProgressPixels, TheBarHasItsSizeInPixelsInsideASunkenBorder) {
  EXPECT_EQ(pic.width(), 473);
  EXPECT_EQ(pic.height(), 25);
  EXPECT_EQ(Image().size(), QSize(469, 21));
  bar.SetValue(0);
  // The button face of the palette, not a stand-in colour.
  const QRgb face = pic.palette().color(QPalette::Button).rgb();
  EXPECT_EQ(Image().pixel(0, 0) & 0xFFFFFFu, face & 0xFFFFFFu);
}

TEST_F(ProgressPixels, TheFillInvertsBackgroundAndCaptionIntoTwoOtherColours) {
  bar.SetBackColor(0x00F0F0F0);
  bar.SetForeColor(base::kBlack);
  bar.SetValue(50);  // "50.00%": its left half lies inside the fill
  const int edge = FillEdge(0x00F00F0F);
  EXPECT_NEAR(edge, Image().width() / 2.0, 1.0);
  EXPECT_EQ(ColoursIn(Image(), 0, edge), (std::set<base::Colour>{0x00F00F0F, 0x0000FFFF}));
  EXPECT_EQ(ColoursIn(Image(), edge, Image().width()),
            (std::set<base::Colour>{0x00F0F0F0, base::kBlack}));
}

TEST_F(ProgressPixels, OnWhiteTheFillIsExactlyTheFillColour) {
  bar.SetBackColor(base::kWhite);
  bar.SetForeColor(base::kBlack);
  bar.SetValue(30);
  EXPECT_EQ(At(Image(), 0, 0), base::kBlue);
  EXPECT_EQ(At(Image(), 0, Image().height() - 1), base::kBlue);
}

TEST_F(ProgressPixels, AFullBarFillsTheWholeInnerAreaAndAnEmptyOneNothing) {
  bar.SetBackColor(base::kWhite);
  bar.SetForeColor(base::kBlack);
  const base::Colour captionInFill = 0x0000FFFF;  // NOT(blue XOR black)

  bar.SetValue(100);
  EXPECT_EQ(ColoursIn(Image(), 0, Image().width()),
            (std::set<base::Colour>{base::kBlue, captionInFill}));
  bar.SetValue(250);
  EXPECT_EQ(FillEdge(base::kBlue), Image().width());

  for (double below : {0.0, -1.0, -1e6}) {
    bar.SetValue(below);
    EXPECT_EQ(ColoursIn(Image(), 0, Image().width()),
              (std::set<base::Colour>{base::kWhite, base::kBlack}))
        << below;
  }
}

TEST_F(ProgressPixels, HalfTheRangeFillsHalfTheWidth) {
  bar.SetBackColor(base::kWhite);
  bar.SetMin(20);
  bar.SetMax(120);
  bar.SetValue(70);
  EXPECT_NEAR(FillEdge(base::kBlue), Image().width() / 2.0, 1.0);
  bar.SetMin(0);
  bar.SetMax(800);
  bar.SetValue(200);
  EXPECT_NEAR(FillEdge(base::kBlue), Image().width() / 4.0, 1.0);
}

TEST_F(ProgressPixels, TheCaptionIsCentredBothWays) {
  bar.SetBackColor(base::kWhite);
  bar.SetForeColor(base::kBlack);
  bar.SetCaptionStyle(widgets::CaptionOnly);
  bar.SetCaption(u"升级");
  bar.SetValue(0);
  int left = Image().width(), right = -1, top = Image().height(), bottom = -1;
  for (int y = 0; y < Image().height(); ++y) {
    for (int x = 0; x < Image().width(); ++x) {
      if (At(Image(), x, y) != base::kBlack) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "no caption drawn";
  EXPECT_NEAR((left + right) / 2.0, (Image().width() - 1) / 2.0, 2.0);
  EXPECT_NEAR((top + bottom) / 2.0, (Image().height() - 1) / 2.0, 2.5);
}

TEST_F(ProgressPixels, TheWidgetShowsTheKeptImageAgainWithoutRedrawing) {
  bar.SetBackColor(base::kWhite);
  bar.SetForeColor(base::kBlack);
  bar.SetValue(64);
  pic.show();
  const QImage first = pic.grab().toImage().convertToFormat(QImage::Format_RGB32);
  pic.hide();
  pic.show();
  bar.Refresh();
  const QImage again = pic.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(first, again);
  // The inner area on screen is the kept image, inside the 2-pixel border.
  EXPECT_EQ(first.copy(2, 2, 469, 21), Image());
}

TEST_F(ProgressPixels, TheInnerAreaExcludesTheBorder) {
  const struct {
    int appearance, borderStyle;
    QSize inner;
  } cases[] = {{1, 1, {469, 21}}, {0, 1, {471, 23}}, {1, 0, {473, 25}}, {0, 0, {473, 25}}};
  for (const auto& c : cases) {
    bar.SetAppearance(c.appearance);
    bar.SetBorderStyle(c.borderStyle);
    bar.SetValue(100);
    EXPECT_EQ(Image().size(), c.inner) << c.appearance << "/" << c.borderStyle;
    EXPECT_EQ(pic.ScaleHeight(), c.inner.height() * 15.0f);
    EXPECT_EQ(FillEdge(At(Image(), 0, 0)), c.inner.width());
  }
}

TEST_F(ProgressPixels, ADisabledBarLooksExactlyLikeAnEnabledOne) {
  pic.show();
  const auto widget = [this] { return pic.grab().toImage().convertToFormat(QImage::Format_RGB32); };
  const struct { int appearance, borderStyle; } borders[] = {{1, 1}, {0, 1}, {1, 0}};
  for (const auto& b : borders) {
    bar.SetAppearance(b.appearance);
    bar.SetBorderStyle(b.borderStyle);
    bar.SetEnabled(true);
    bar.SetValue(44.5);
    const QImage enabled = widget();
    bar.SetEnabled(false);
    bar.SetValue(44.5);
    const QImage disabled = widget();
    ASSERT_EQ(disabled.size(), enabled.size());
    int differing = 0;
    for (int y = 0; y < enabled.height(); ++y) {
      for (int x = 0; x < enabled.width(); ++x) {
        differing += enabled.pixel(x, y) != disabled.pixel(x, y);
      }
    }
    EXPECT_EQ(differing, 0) << b.appearance << "/" << b.borderStyle;
  }
}

TEST_F(ProgressPixels, AChangeOfTheSharedFontObjectShowsInTheNextMeasurement) {
  const float before = pic.TextWidth(u"100.00%");
  bar.CaptionFont()->size = 18;
  EXPECT_GT(pic.TextWidth(u"100.00%"), before * 1.5f);
}

// The upgrade bar on a surface of its own, assigned once: what any run of assignments
// ending on the same value with the same settings must have drawn.
struct SingleDraw {
  SingleDraw(double v, const std::function<void(widgets::ctlProgress&)>& settings = {}) {
    bar.ReadProperties(widgets::SavedProgressBar());
    bar.Resize();
    if (settings) settings(bar);
    bar.SetValue(v);
  }
  platform::qt::QtCanvas pic;
  widgets::RunTimeHost host{7095, 375, std::make_shared<base::Font>()};
  widgets::ctlProgress bar{pic, host};
};

TEST_F(ProgressPixels, ARunOfAssignmentsShowsWhatASingleAssignmentDraws) {
  pic.show();
  int k = 0;
  for (; k < 6000; ++k) {
    const double v = k * (100.0 / 65536);
    bar.SetValue(v);
    // Looked at now and then in the middle of the run, as a paint or a test does.
    if (k % 997 == 0) {
      ASSERT_EQ(Image(), SingleDraw(v).pic.Image()) << k;
    }
  }
  EXPECT_EQ(Image(), SingleDraw((k - 1) * (100.0 / 65536)).pic.Image());
  // The widget shows the kept image once it has been painted.
  EXPECT_EQ(pic.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(2, 2, 469, 21),
            Image());
}

TEST_F(ProgressPixels, SettingsChangedInARunShowAtTheNextAssignment) {
  for (int k = 0; k < 500; ++k) bar.SetValue(k / 10.0);
  const auto settings = [](widgets::ctlProgress& b) {
    b.SetBackColor(base::kWhite);
    b.SetForeColor(base::Rgb(0, 128, 0));
    b.SetFillColor(base::kRed);
    b.SetCaptionStyle(widgets::CaptionAndPercent);
    b.SetCaption(u"升级");
    b.SetMin(10);
    b.SetMax(90);
    b.CaptionFont()->size = 12;  // the shared font object, changed in place
  };
  settings(bar);
  bar.SetValue(49.9);
  EXPECT_EQ(Image(), SingleDraw(49.9, settings).pic.Image());
}

TEST_F(ProgressPixels, AFailingAssignmentInARunFailsAndLeavesTheBarCleared) {
  bar.SetBackColor(base::kWhite);
  for (int k = 0; k < 100; ++k) bar.SetValue(k);
  bar.SetMin(100);
  try {
    bar.SetValue(100);
    ADD_FAILURE() << "no error";
  } catch (const base::RuntimeError& e) {
    EXPECT_EQ(e.Kind(), base::ErrorKind::DivisionByZero);
  }
  EXPECT_EQ(ColoursIn(Image(), 0, Image().width()), std::set<base::Colour>{base::kWhite});
}

// A window may assign a value before it has given the bar a size.
TEST(ProgressOnAnUnsizedSurface, AssigningAValueDrawsNothingAndFailsNothing) {
  platform::qt::QtCanvas pic;
  widgets::RunTimeHost host{0, 0, std::make_shared<base::Font>()};
  widgets::ctlProgress bar{pic, host};
  bar.InitProperties();
  bar.Resize();
  EXPECT_NO_THROW(bar.SetValue(50));
  EXPECT_TRUE(pic.Image().isNull());
}

// Pictures of the upgrade window's bar as the user sees it, for anyone to look at.
TEST_F(ProgressPixels, PicturesOfTheUpgradeBar) {
  pic.show();
  for (double v : {0.0, 44.5, 100.0}) {
    bar.SetValue(v);
    QString number = QString::number(v);
    const QString path = QStringLiteral(QUORIN_PICTURE_DIR "/progress-%1.png").arg(number);
    const QImage picture = pic.grab().toImage();
    EXPECT_EQ(picture.size(), QSize(473, 25));
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Offscreen whatever the session has, so that pixels and metrics do not depend on it.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The adapters' library brings the browser engine along, which starts with the
  // application object.
  platform::qt::PrepareWebEngine();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
