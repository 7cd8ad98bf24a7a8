// Windows, controls, message boxes and the clipboard on the real X display.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"

namespace {

using platform::FrameStyle;
using platform::qt::QtEventLoop;
using platform::qt::QtUi;
using platform::qt::QtWindow;
using qttest::Control;

const char16_t* const kMainMenu[] = {u"高清影院", u"电视直播", u"BT云播放", u"动作片", u"喜剧片",
                                     u"爱情片",   u"科幻片",   u"恐怖片",   u"剧情片", u"动画片",
                                     u"综艺片",   u"国产片",   u"港台片",   u"日韩片", u"欧美片"};

void Click(QWidget* widget, QPoint at, QEvent::Type type) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void ClickAt(QWidget* widget, QPoint at) {
  Click(widget, at, QEvent::MouseButtonPress);
  Click(widget, at, QEvent::MouseButtonRelease);
}

// Counts the times a top-level widget came onto the screen: its window exposed after it
// was not, or after it was hidden (first shown, or mapped again after it was taken off;
// changing the flags puts up a new native window, whose old one goes unreported).
class Appearances : public QObject {
 public:
  explicit Appearances(QWidget* frame) : frame_(frame) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!frame_ || watched != frame_->windowHandle()) return false;
    if (event->type() == QEvent::Hide) {
      exposed_ = false;
    } else if (event->type() == QEvent::Expose) {
      const bool exposed = frame_->windowHandle()->isExposed();
      if (exposed && !exposed_) ++count_;
      exposed_ = exposed;
    }
    return false;
  }

 private:
  QPointer<QWidget> frame_;
  bool exposed_ = false;
  int count_ = 0;
};

class QtWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    appearances_.reset();
    window_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  QtWindow& Make(const platform::WindowSpec& spec) {
    window_ = std::make_unique<QtWindow>(spec);
    appearances_ = std::make_unique<Appearances>(window_->Frame());
    return *window_;
  }
  // Runs `change`, which puts the window on the screen (again), and waits until the X
  // server has mapped it and it is exposed; false when that did not happen.
  bool Appears(const std::function<void()>& change) {
    const int before = appearances_->Count();
    change();
    return qttest::WaitUntil(loop_, [&] {
      return appearances_->Count() > before && window_->Frame()->windowHandle()->isExposed();
    });
  }
  // Runs the loop while a timer of `intervalMs` ticks `ticks` times: by then a timer of
  // the window with no longer an interval would have ticked, had it been running.
  bool WhileATimerTicks(int intervalMs, int ticks = 5) {
    int seen = 0;
    QTimer witness;
    QObject::connect(&witness, &QTimer::timeout, [&] { ++seen; });
    witness.start(intervalMs);
    return qttest::WaitUntil(loop_, [&] { return seen >= ticks; });
  }
  // Runs the loop until what was queued so far has been delivered.
  bool QueuedEventsDelivered() {
    bool delivered = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { delivered = true; }, Qt::QueuedConnection);
    return qttest::WaitUntil(loop_, [&] { return delivered; });
  }

  QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  std::unique_ptr<Appearances> appearances_;
};

TEST_F(QtWindowTest, ClientAreaBelowTheMenuIsTheDesignSizeAndTheFrameIsFixed) {
  QtWindow& window = Make(qttest::Window(u"主窗口 高清云播放器", 14805, 7800));
  for (const char16_t* caption : kMainMenu) window.AddMenuItem(u"m", caption, [] {});
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  EXPECT_EQ(window.ClientArea()->size(), QSize(987, 520));
  // However many rows the menu takes, it sits above the client area, not in it.
  EXPECT_EQ(window.ClientArea()->geometry().top(), window.Menu()->geometry().bottom() + 1);
  EXPECT_EQ(window.Frame()->minimumSize(), window.Frame()->maximumSize());
  EXPECT_EQ(window.Frame()->height(), 520 + window.Menu()->height());
  const Qt::WindowFlags flags = window.Frame()->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  // The program's own 16 x 16 picture, built in.
  EXPECT_EQ(window.Frame()->windowIcon().pixmap(16, 16).toImage().size(), QSize(16, 16));
  EXPECT_EQ(window.Frame()->windowIcon().pixmap(16, 16).toImage().pixelColor(8, 8),
            QColor(Qt::white));
  EXPECT_EQ(window.Frame()->windowTitle(), QStringLiteral("主窗口 高清云播放器"));

  QtWindow& dialog = Make(qttest::Window(u"升级", 7515, 3030, FrameStyle::FixedDialog));
  ASSERT_TRUE(Appears([&] { dialog.Show(); }));
  EXPECT_EQ(dialog.ClientArea()->size(), QSize(501, 202));
  EXPECT_EQ(dialog.Frame()->size(), QSize(501, 202));
  EXPECT_FALSE(dialog.Frame()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(dialog.Frame()->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(QtWindowTest, ASizableWindowKeepsItsControlsWhereTheyAre) {
  QtWindow& window = Make(qttest::Window(u"可调", 14805, 7800, FrameStyle::Sizable));
  window.AddMenuItem(u"m", u"高清影院", [] {});
  window.AddTextBox(qttest::Control(u"Text1", {1440, 7440, 8055, 340}), u"", 1);
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  EXPECT_EQ(window.ClientArea()->size(), QSize(987, 520));
  const Qt::WindowFlags flags = window.Frame()->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  QWidget* box = window.ClientArea()->findChild<QWidget*>(QStringLiteral("Text1"));
  ASSERT_NE(box, nullptr);
  const QRect placed = box->geometry();
  for (QSize size : {QSize(600, 300), QSize(1200, 800)}) {
    window.Frame()->resize(size);
    // Until the native window has the new size and the client area has been laid out
    // anew below the menu.
    EXPECT_TRUE(qttest::WaitUntil(loop_, [&] {
      const QRect client = window.ClientArea()->geometry();
      return window.Frame()->windowHandle()->geometry().size() == size &&
             client.width() == size.width() && client.bottom() == size.height() - 1;
    }));
    EXPECT_EQ(window.Frame()->size(), size);
    EXPECT_EQ(box->geometry(), placed);
  }
  // Shown again, it keeps the size the user gave it.
  window.Hide();
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  EXPECT_EQ(window.Frame()->size(), QSize(1200, 800));
}

TEST_F(QtWindowTest, CentredWhenFirstShownOnlyThen) {
  QtWindow& window = Make(qttest::Window(u"居中", 7515, 3030));
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = window.Frame()->frameGeometry();
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 2);
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 2);

  window.Frame()->move(10, 20);
  window.Hide();
  EXPECT_FALSE(window.IsVisible());
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  EXPECT_TRUE(window.IsVisible());
  EXPECT_EQ(window.Frame()->pos(), QPoint(10, 20));
}

TEST_F(QtWindowTest, MenuItemsStandInOrderAndEachClickRunsItsHandler) {
  QtWindow& window = Make(qttest::Window(u"菜单", 14805, 7800));
  std::vector<std::u16string> clicked;
  for (const char16_t* caption : kMainMenu) {
    window.AddMenuItem(u"item", caption, [&clicked, caption] { clicked.push_back(caption); });
  }
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  const QList<QAction*> actions = window.Menu()->actions();
  ASSERT_EQ(actions.size(), 15);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(actions[i]->text().toStdU16String(), kMainMenu[i]);
    EXPECT_EQ(actions[i]->menu(), nullptr);
  }
  // Clicked with the mouse, as the user does.
  ClickAt(window.Menu(), window.Menu()->actionGeometry(actions[3]).center());
  ClickAt(window.Menu(), window.Menu()->actionGeometry(actions[14]).center());
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return clicked.size() >= 2; }));
  EXPECT_EQ(clicked, (std::vector<std::u16string>{u"动作片", u"欧美片"}));
}

TEST_F(QtWindowTest, ControlsSitAtTheirTwipRectanglesClippedToTheClientArea) {
  QtWindow& window = Make(qttest::Window(u"控件", 7515, 3030, FrameStyle::FixedDialog));
  window.AddBrowser(Control(u"WebBrowser1", {0, -480, 7515, 3510}), 0);
  window.AddFrame(Control(u"Frame3", {25, 0, 7455, 3015}), u"操作状态", base::kBlack);
  window.AddLabel(Control(u"DownTo", {1320, 540, 6855, 180}, u"Frame3"), u"", base::kBlue);
  window.AddTextBox(Control(u"Text1", {1440, 4080, 4455, 735}), u"", 1);
  window.AddTextBox(Control(u"shengji", {0, 585, 495, 270}), u"0", 2);
  window.AddTextBox(Control(u"Text4", {480, 480, 375, 375}, {}, false), u"", 3);
  ASSERT_TRUE(Appears([&] { window.Show(); }));

  QWidget* browser = window.Control(u"WebBrowser1");
  EXPECT_EQ(browser->geometry(), QRect(0, -32, 501, 234));
  EXPECT_EQ(browser->parentWidget(), window.ClientArea());

  QWidget* frame = window.Control(u"Frame3");
  QWidget* label = window.Control(u"DownTo");
  EXPECT_EQ(label->parentWidget(), frame);
  EXPECT_EQ(label->pos(), QPoint(88, 36));
  EXPECT_EQ(label->mapTo(window.ClientArea(), QPoint(0, 0)), QPoint(2 + 88, 36));

  EXPECT_TRUE(window.Control(u"Text1")->visibleRegion().isEmpty());
  EXPECT_FALSE(window.Control(u"shengji")->visibleRegion().isEmpty());
  EXPECT_FALSE(window.Control(u"Text4")->isVisible());
}

// Whether the widget, as drawn, has a pixel close to the colour.
bool DrawsIn(QWidget* widget, QColor colour) {
  const QImage image = widget->grab().toImage();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - colour.red()) < 40 &&
          std::abs(pixel.green() - colour.green()) < 40 &&
          std::abs(pixel.blue() - colour.blue()) < 40) {
        return true;
      }
    }
  }
  return false;
}

TEST_F(QtWindowTest, LabelsAndFramesDrawTextInTheirColours) {
  QtWindow& window = Make(qttest::Window(u"颜色", 7515, 3030, FrameStyle::FixedDialog));
  window.AddFrame(Control(u"Frame3", {25, 0, 7455, 3015}), u"操作状态", base::Rgb(0, 160, 0));
  auto& blue = window.AddLabel(Control(u"DownTo", {1320, 540, 6855, 180}, u"Frame3"), u"下载进度：",
                               base::kBlue);
  window.AddLabel(Control(u"DownSpeed", {1080, 1980, 7215, 180}, u"Frame3"), u"0.00 KB/s",
                  base::kRed);
  window.AddLabel(Control(u"Caption", {240, 240, 975, 180}, u"Frame3"), u"远程文件：",
                  base::kButtonText);
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  // A label's text reaches the widget with the next frame.
  const auto shown = [&](const char16_t* name, const char16_t* text) {
    return static_cast<QLabel*>(window.Control(name))->text().toStdU16String() == text;
  };
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] {
    return shown(u"DownTo", u"下载进度：") && shown(u"DownSpeed", u"0.00 KB/s") &&
           shown(u"Caption", u"远程文件：");
  }));

  EXPECT_EQ(blue.Text(), u"下载进度：");
  EXPECT_TRUE(DrawsIn(window.Control(u"DownTo"), QColor(0, 0, 255)));
  EXPECT_FALSE(DrawsIn(window.Control(u"DownTo"), QColor(255, 0, 0)));
  EXPECT_TRUE(DrawsIn(window.Control(u"DownSpeed"), QColor(255, 0, 0)));
  EXPECT_EQ(window.Control(u"Caption")->palette().color(QPalette::WindowText),
            QApplication::palette().color(QPalette::ButtonText));
  // The frame's caption in its colour (the labels inside are not green).
  EXPECT_TRUE(DrawsIn(window.Control(u"Frame3"), QColor(0, 160, 0)));
}

TEST_F(QtWindowTest, CloseButtonOnlyAsksTheForm) {
  QtWindow& window = Make(qttest::Window(u"关闭", 7515, 3030));
  int asked = 0;
  window.OnCloseRequest([&] { ++asked; });
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  window.Frame()->close();  // what the window manager's close button leads to
  // Whatever the close set going has been delivered by the time this is.
  ASSERT_TRUE(QueuedEventsDelivered());
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window.IsVisible());
  EXPECT_TRUE(window.Frame()->windowHandle()->isExposed());

  window.Close();
  EXPECT_FALSE(window.IsVisible());
  window.Show();  // closed for good
  EXPECT_FALSE(window.IsVisible());
}

TEST_F(QtWindowTest, WindowDestroyedFromItsOwnHandlerGoesQuietly) {
  QtWindow& window = Make(qttest::Window(u"卸载", 7515, 3030));
  int ticks = 0;
  int clicks = 0;
  window.AddTimer(u"T1", 10, true, [&] { ++ticks; });
  window.AddMenuItem(u"m", u"高清影院", [&] {
    ++clicks;
    window_.reset();  // the form unloads its own window from the menu handler
    loop_.DoEvents();
  });
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return ticks >= 2; }));  // it does tick
  QPointer<QWidget> frame = window.Frame();
  QAction* action = window.Menu()->actions().front();
  action->trigger();
  EXPECT_EQ(clicks, 1);
  ASSERT_FALSE(frame.isNull());  // still on the stack of the click just now
  const int ticksBefore = ticks;
  ASSERT_TRUE(WhileATimerTicks(10));
  EXPECT_EQ(ticks, ticksBefore);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(frame.isNull());
}

TEST_F(QtWindowTest, TopmostKeepsThePlaceAndSize) {
  QtWindow& window = Make(qttest::Window(u"置顶", 7515, 3030, FrameStyle::FixedDialog));
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  window.Frame()->move(40, 60);
  ASSERT_TRUE(qttest::WaitUntil(
      loop_, [&] { return window.Frame()->windowHandle()->framePosition() == QPoint(40, 60); }));
  const QRect before = window.Frame()->geometry();
  // Taken off the screen and put back.
  ASSERT_TRUE(Appears([&] { window.SetTopmost(); }));
  EXPECT_TRUE(window.Frame()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window.IsVisible());
  EXPECT_EQ(window.Frame()->geometry(), before);
}

TEST_F(QtWindowTest, TextBoxKeepsItsTextAndReplacesTheSelection) {
  QtWindow& window = Make(qttest::Window(u"文本", 14805, 7800));
  auto& box = window.AddTextBox(Control(u"Text1", {1440, 7000, 8055, 340}), u"Text7", 1);
  window.Show();
  EXPECT_EQ(box.Text(), u"Text7");
  box.SetText(u"3.3\r\n");
  EXPECT_EQ(box.Text(), u"3.3\r\n");
  const std::u16string longText(40000, u'字');
  box.SetText(longText);
  EXPECT_EQ(box.Text(), longText);

  auto* edit = static_cast<QLineEdit*>(window.Control(u"Text1"));
  box.SetText(u"abcdef");
  edit->setCursorPosition(3);
  box.ReplaceSelection(u"地址");
  EXPECT_EQ(box.Text(), u"abc地址def");
  edit->setSelection(1, 4);
  box.ReplaceSelection(u"x&y #z");
  EXPECT_EQ(box.Text(), u"ax&y #zdef");
  edit->setSelection(0, 3);
  box.ReplaceSelection(u"");
  EXPECT_EQ(box.Text(), u"y #zdef");
}

TEST_F(QtWindowTest, ClickInTextBoxRunsTheHandlerAfterQtPlacedTheCaret) {
  QtWindow& window = Make(qttest::Window(u"点击", 14805, 7800));
  auto& box = window.AddTextBox(Control(u"Text1", {1440, 7000, 8055, 340}), u"", 1);
  window.AddButton(Control(u"Command2", {10320, 7440, 855, 345}), u"播放", 2, [] {});
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  auto* edit = static_cast<QLineEdit*>(window.Control(u"Text1"));
  box.SetText(u"magnet:?xt=urn");
  edit->setCursorPosition(0);
  int caretSeen = -1;
  box.OnClick([&] {
    caretSeen = edit->cursorPosition();
    box.SetText(u"");
    box.SetFocus();
  });
  ClickAt(edit, QPoint(edit->width() - 3, edit->height() / 2));
  EXPECT_EQ(caretSeen, 14);
  EXPECT_EQ(box.Text(), u"");
  EXPECT_EQ(window.Frame()->focusWidget(), edit);
}

TEST_F(QtWindowTest, ButtonsClickAndPicturesShowTheirImage) {
  QtWindow& window = Make(qttest::Window(u"按钮", 14805, 7800));
  int played = 0;
  window.AddButton(Control(u"Command2", {10320, 7440, 855, 345}), u"播放", 3, [&] { ++played; });
  QImage image(90, 23, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  window.AddPicture(Control(u"Image2", {0, 7440, 1350, 345}), bytes.toStdString());
  ASSERT_TRUE(Appears([&] { window.Show(); }));
  QWidget* button = window.Control(u"Command2");
  ClickAt(button, button->rect().center());
  EXPECT_EQ(played, 1);
  const auto* picture = static_cast<QLabel*>(window.Control(u"Image2"));
  EXPECT_EQ(picture->pixmap().size(), QSize(90, 23));
  EXPECT_TRUE(DrawsIn(window.Control(u"Image2"), QColor(Qt::darkCyan)));
}

TEST_F(QtWindowTest, TimerTicksWhileEnabledWithAnInterval) {
  QtWindow& window = Make(qttest::Window(u"定时", 7515, 3030));
  int ticks = 0;
  auto& timer = window.AddTimer(u"T1", 20, false, [&] { ++ticks; });
  ASSERT_TRUE(WhileATimerTicks(20));
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return ticks >= 2; }));
  timer.SetEnabled(false);
  const int stopped = ticks;
  ASSERT_TRUE(WhileATimerTicks(20));
  EXPECT_EQ(ticks, stopped);
  EXPECT_FALSE(timer.Enabled());

  timer.SetInterval(0);  // enabled without an interval: never ticks
  timer.SetEnabled(true);
  ASSERT_TRUE(WhileATimerTicks(20));
  EXPECT_EQ(ticks, stopped);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 0);
  timer.SetInterval(3000);
  EXPECT_EQ(timer.Interval(), 3000);
}

// Answers the next modal message box as soon as it is up: records what it shows and
// presses a key on it.
struct BoxAnswer {
  QString title;
  QString text;
  Qt::TextFormat format = Qt::AutoText;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString defaultButton;
  QStringList buttons;
  QTimer watch;
  void Arm(int key) {
    QObject::connect(&watch, &QTimer::timeout, [this, key] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      watch.stop();
      title = box->windowTitle();
      text = box->text();
      format = box->textFormat();
      icon = box->icon();
      if (box->defaultButton()) defaultButton = box->defaultButton()->text();
      for (QAbstractButton* button : box->buttons()) buttons.push_back(button->text());
      buttons.sort();
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(box, &press);
    });
    watch.start(10);
  }
};

TEST(QtUiTest, MessageBoxShowsTitleAndTextAsGivenWithTheFirstButtonDefault) {
  QtUi ui;
  const std::u16string title = u"发现新版本!  服务器最新版本：3.3\r\n  官网：127.0.0.1 ";
  const std::u16string text = u"有新版本 <b>3.3</b>，是否升级? 点击【否】将继续使用 ";
  BoxAnswer answer;
  answer.Arm(Qt::Key_Return);
  EXPECT_EQ(
      ui.MessageBox(text, title, platform::MsgBoxButtons::YesNo, platform::MsgBoxIcon::Information),
      platform::MsgBoxResult::Yes);
  EXPECT_EQ(answer.title.toStdU16String(), title);
  EXPECT_EQ(answer.text.toStdU16String(), text);
  EXPECT_EQ(answer.format, Qt::PlainText);
  EXPECT_EQ(answer.icon, QMessageBox::Information);
  // The text refers to the buttons by their Chinese names.
  EXPECT_EQ(answer.buttons, QStringList({QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
  EXPECT_EQ(answer.defaultButton, QStringLiteral("是(&Y)"));

  BoxAnswer refused;
  refused.Arm(Qt::Key_Escape);
  EXPECT_EQ(
      ui.MessageBox(text, title, platform::MsgBoxButtons::YesNo, platform::MsgBoxIcon::Information),
      platform::MsgBoxResult::No);

  BoxAnswer failed;
  failed.Arm(Qt::Key_Return);
  EXPECT_EQ(
      ui.MessageBox(u"连接服务器失败！请访问官方网站下载最新版本！", u"自动升级下载失败！！！",
                    platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::Error),
      platform::MsgBoxResult::Ok);
  EXPECT_EQ(failed.icon, QMessageBox::Critical);
  EXPECT_EQ(failed.buttons, QStringList({QStringLiteral("确定")}));
}

TEST(QtUiTest, ClipboardTextIsEmptyWhenItHoldsNone) {
  QtUi ui;
  QGuiApplication::clipboard()->setText(QStringLiteral("http://example.invalid/a b#c&d"));
  EXPECT_EQ(ui.ClipboardText(), u"http://example.invalid/a b#c&d");
  QGuiApplication::clipboard()->clear();
  EXPECT_EQ(ui.ClipboardText(), u"");
}

}  // namespace
