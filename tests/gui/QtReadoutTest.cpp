// A download's read-out on the real display: the engine's event pass after every chunk,
// labels and the bar's surface set thousands of times a second. Their state is exact at
// every call; the screen follows a frame at a time and ends on the last state.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>
#include <string>

#include "QtTestSupport.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtFramePacer.h"
#include "platform/qt/QtLabelView.h"
#include "platform/qt/QtWindow.h"

namespace {

using platform::qt::QtEventLoop;
using qttest::Control;

base::Text Numbered(const char16_t* prefix, int i) {
  const std::string digits = std::to_string(i);
  return prefix + base::Text(digits.begin(), digits.end());
}

// Runs DoEvents, and nothing else, until `done` holds (false after ten seconds).
bool SpinUntil(QtEventLoop& loop, const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 10000) return false;
    loop.DoEvents();
  }
  return true;
}

TEST(QtDoEventsInABurst, PostedWorkRunsAtEveryPassTimersAndWindowsSoonAfter) {
  QtEventLoop loop;
  int missed = 0;
  for (int i = 0; i < 20000; ++i) {
    bool ran = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
    loop.DoEvents();
    if (!ran) ++missed;
  }
  EXPECT_EQ(missed, 0);

  bool fired = false;
  QTimer::singleShot(20, [&] { fired = true; });
  QWidget widget;
  widget.resize(100, 50);
  widget.show();
  EXPECT_TRUE(SpinUntil(loop, [&] { return fired && widget.windowHandle()->isExposed(); }));
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// The upgrade window's read-out: two labels and the bar's surface.
class Readout : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<platform::qt::QtWindow>(
        qttest::Window(u"升级", 7515, 3030, platform::FrameStyle::FixedDialog));
    done_ = &window_->AddLabel(Control(u"Downloading", {240, 540, 6855, 180}), u"", base::kBlue);
    speed_ = &window_->AddLabel(Control(u"DownSpeed", {240, 1980, 7215, 180}), u"", base::kRed);
    pic_ = &window_->AddCanvas(Control(u"ctlProgress1", {210, 1200, 7095, 375}));
    window_->Show();
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return Frame()->windowHandle()->isExposed(); }));
  }
  void TearDown() override {
    window_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QMainWindow* Frame() const { return window_->Frame(); }
  platform::qt::QtLabelView* Label(const char16_t* name) const {
    return static_cast<platform::qt::QtLabelView*>(window_->Control(name));
  }
  platform::qt::QtCanvas& Canvas() const { return static_cast<platform::qt::QtCanvas&>(*pic_); }

  // One chunk's read-out, drawn the way the bar draws a value.
  void Chunk(int i) {
    done_->SetText(Numbered(u"已下载: ", i));
    speed_->SetText(Numbered(u" KB /s ", i % 977));
    pic_->Clear();
    pic_->SetScaleWidth(100);
    pic_->SetDrawMode(platform::DrawMode::kNotXorPen);
    pic_->SetCurrentX(40);
    pic_->SetCurrentY(97.5);
    pic_->Print(Numbered(u"% ", i / 7));
    pic_->FilledBox(0, 0, static_cast<float>(i % 10000) / 100, pic_->Width(), base::kBlue);
  }

  // The window as the X server has it now.
  QImage OnScreen() const {
    QScreen* screen = Frame()->screen();
    return screen->grabWindow(Frame()->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  }
  // Whether the screen, once events have settled, is what a full repaint puts there.
  void ExpectScreenIsUpToDate() {
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
      return !Label(u"Downloading")->ShowPending() && !Label(u"DownSpeed")->ShowPending() &&
             !Canvas().RepaintPending();
    }));
    QCoreApplication::sendPostedEvents();  // the paints last asked for
    const QImage settled = OnScreen();
    Frame()->repaint();
    EXPECT_EQ(settled, OnScreen());
    // The bar's kept image is what its inner area shows.
    const QPoint inner =
        Canvas().mapTo(Frame(), QPoint(Canvas().BorderWidth(), Canvas().BorderWidth()));
    EXPECT_EQ(settled.copy(QRect(inner, Canvas().Image().size())),
              Canvas().Image().convertToFormat(QImage::Format_RGB32));
  }

  QtEventLoop loop_;
  std::unique_ptr<platform::qt::QtWindow> window_;
  platform::LabelView* done_ = nullptr;
  platform::LabelView* speed_ = nullptr;
  platform::Canvas* pic_ = nullptr;
};

TEST_F(Readout, ABurstIsExactAtOncePaintedAboutOnceAFrameAndEndsOnItsLastState) {
  PaintCounter done(Label(u"Downloading"));
  PaintCounter speed(Label(u"DownSpeed"));
  PaintCounter bar(&Canvas());
  int wrong = 0;
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 30000; ++i) {
    Chunk(i);
    if (done_->Text() != Numbered(u"已下载: ", i) ||
        speed_->Text() != Numbered(u" KB /s ", i % 977))
      ++wrong;
    loop_.DoEvents();
  }
  const qint64 elapsed = clock.elapsed();
  EXPECT_EQ(wrong, 0);
  // Once at the start of the burst, then at most once per frame it lasted.
  const qint64 allowed = elapsed / platform::qt::QtFramePacer::kFrameMs + 2;
  EXPECT_GE(done.paints, 1);
  EXPECT_LE(done.paints, allowed) << elapsed << " ms";
  EXPECT_LE(speed.paints, allowed) << elapsed << " ms";
  EXPECT_GE(bar.paints, 1);
  EXPECT_LE(bar.paints, allowed) << elapsed << " ms";

  const QString last = QString::fromStdU16String(Numbered(u"已下载: ", 29999));
  // Each label has its own frame: wait for both.
  const QString lastSpeed = QString::fromStdU16String(Numbered(u" KB /s ", 29999 % 977));
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] {
    return Label(u"Downloading")->text() == last && Label(u"DownSpeed")->text() == lastSpeed;
  }));
  ExpectScreenIsUpToDate();
  // A text changed and changed back before it was shown leaves it shown.
  done_->SetText(u"x");
  done_->SetText(Numbered(u"已下载: ", 29999));
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return !Label(u"Downloading")->ShowPending(); }));
  EXPECT_EQ(Label(u"Downloading")->text(), last);
}

}  // namespace
