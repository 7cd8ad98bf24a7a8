// The torrent player window on the real platform, driven by the X server's own keys and
// clicks (xdotool). It runs on a display of its own: keys go to whatever window has the
// input focus, and other tests' windows would take it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "app/Program.h"
#include "platform/qt/QtWindow.h"
#include "platform/real/RealPlatform.h"
#include "windows/Form4.h"
#include "windows/RegisterForms.h"

namespace {

using platform::Browser;
using platform::real::RealPlatform;

// Keys that select "cde" of "abcdef" with the caret at its end: from the start, and back
// from the end.
const char* const kForward = "Home Right Right shift+Right shift+Right shift+Right";
const char* const kBackward = "Left shift+Left shift+Left shift+Left";

// The controls of the window in their tab order.
const char16_t* const kTabChain[] = {u"WebBrowser1", u"Text1",    u"Command1", u"Command2",
                                     u"Command3",    u"Command5", u"Command4"};

using qttest::Xdotool;

class TorrentWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    auto& routes = server_->Routes();
    // The page at load: nothing on it takes the focus.
    routes.Get("/yun/111", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body><p>torrent</p></body></html>", "text/html; charset=utf-8");
    });
    routes.Get("/links.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body><a id=one href='#1'>one</a> <a id=two href='#2'>two</a></body></html>",
          "text/html; charset=utf-8");
    });
    routes.Get("/happyvod/api.html", [](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      resolved_.push_back(req.target);
      res.set_content("resolving", "text/plain");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    const std::u16string base = server_->Url("");
    program_ = std::make_unique<app::Program>(
        real_.platform, app::Config{base, u"http://127.0.0.1:1", base, u"http://127.0.0.1:1", u""});
    windows::RegisterForms(*program_);
    program_->Show(app::FormId::Form4);
    form_ = &program_->Reference<windows::Form4>();
    window_ = dynamic_cast<platform::qt::QtWindow*>(&form_->Window());
    ASSERT_NE(window_, nullptr);
    box_ = qobject_cast<QLineEdit*>(window_->Control(u"Text1"));
    ASSERT_NE(box_, nullptr);
    // On the screen, with the keyboard, and the page of the load in its browser.
    ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] {
      return window_->Frame()->isActiveWindow() &&
             form_->WebBrowser1.ReadyState() == Browser::kComplete;
    }));
  }
  void TearDown() override {
    if (form_) {
      program_->Unload(*form_);
      EXPECT_EQ(real_.loop.Run(), 0);
    }
    program_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QGuiApplication::clipboard()->clear();
  }

  QWidget* Control(const char16_t* name) const { return window_->Control(name); }

  // A click of the X server's own in the middle of the control.
  bool ClickOn(const char16_t* name) { return qttest::ClickInTheMiddle(*Control(name)); }
  // Clicks the button and waits until its click has been handled.
  bool Press(const char16_t* name) {
    auto* button = qobject_cast<QPushButton*>(Control(name));
    int clicks = 0;
    const auto counted = QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    const bool clicked =
        ClickOn(name) && qttest::WaitUntil(real_.loop, [&] { return clicks == 1; });
    QObject::disconnect(counted);
    return clicked;
  }
  // What a user does to start afresh: a click in the box (which empties it), then the text.
  bool TypeIntoTheBox(const std::string& text) {
    if (!ClickOn(u"Text1") ||
        !qttest::WaitUntil(real_.loop, [&] { return box_->hasFocus() && box_->text().isEmpty(); }))
      return false;
    return Xdotool("type --delay 20 '" + text + "'") && qttest::WaitUntil(real_.loop, [&] {
             return box_->text() == QString::fromStdString(text);
           });
  }
  // Puts the text on the clipboard from another program, as a copied address is.
  bool CopyElsewhere(const std::string& text) {
    if (std::system(("printf '%s' '" + text + "' | xclip -selection clipboard").c_str()) != 0)
      return false;
    return qttest::WaitUntil(real_.loop, [&] {
      return QGuiApplication::clipboard()->text() == QString::fromStdString(text);
    });
  }

  // The control of the tab chain that holds the keyboard focus (the browser's focus lives
  // in a child of its own); empty when none does.
  std::u16string Focused() const {
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
      for (const char16_t* name : kTabChain) {
        if (widget == Control(name)) return name;
      }
    }
    return u"";
  }
  // Presses the key and waits until the focus is on the control.
  bool KeyTo(const std::string& key, const char16_t* control) {
    return Xdotool("key " + key) &&
           qttest::WaitUntil(real_.loop, [&] { return Focused() == control; });
  }
  // The id of the page's focused element, once it is `id`.
  bool PageFocusOn(const QString& id) {
    auto* view = qobject_cast<QWebEngineView*>(Control(u"WebBrowser1"));
    auto active = std::make_shared<QString>();
    return qttest::WaitUntil(real_.loop, [&] {
      view->page()->runJavaScript(
          QStringLiteral("document.activeElement ? document.activeElement.id : ''"), 0,
          [active](const QVariant& result) { *active = result.toString(); });
      return *active == id;
    });
  }

  static std::vector<std::string> Resolved() {
    std::lock_guard lock(mutex_);
    return resolved_;
  }

  static qttest::LoopbackServer* server_;
  static std::mutex mutex_;
  static std::vector<std::string> resolved_;  // the service's request targets
  RealPlatform real_;
  std::unique_ptr<app::Program> program_;
  windows::Form4* form_ = nullptr;
  platform::qt::QtWindow* window_ = nullptr;
  QLineEdit* box_ = nullptr;
};

qttest::LoopbackServer* TorrentWindow::server_ = nullptr;
std::mutex TorrentWindow::mutex_;
std::vector<std::string> TorrentWindow::resolved_;

TEST_F(TorrentWindow, PasteButtonsReplaceWhatTheUserSelected) {
  struct Case {
    const char* what;
    const char* keys;  // after "abcdef" was typed, caret at its end
    int caret;
    const char* selected;
    const char* clipboard;
    const char16_t* button;
    const char16_t* text;
    const char* resolved;  // what the service was asked for; none: nothing
  };
  const Case cases[] = {
      {"selected left to right", kForward, 5, "cde", "XY", u"Command3", u"abXYf", nullptr},
      {"selected right to left", kBackward, 2, "cde", "XY", u"Command3", u"abXYf", nullptr},
      {"empty clipboard removes the selection", kBackward, 2, "cde", "", u"Command3", u"abf",
       nullptr},
      {"nothing selected: at the caret", "Left Left", 4, "", "XY", u"Command3", u"abcdXYef",
       nullptr},
      {"paste and play", kForward, 5, "cde", "XY", u"Command5", u"abXYf",
       "/happyvod/api.html?url=abXYf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(TypeIntoTheBox("abcdef"));
    ASSERT_TRUE(Xdotool(std::string("key ") + c.keys));
    ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] {
      return box_->cursorPosition() == c.caret && box_->selectedText() == c.selected;
    }));
    if (*c.clipboard) {
      ASSERT_TRUE(CopyElsewhere(c.clipboard));
    } else {
      QGuiApplication::clipboard()->clear();
    }
    const std::size_t asked = Resolved().size();
    ASSERT_TRUE(Press(c.button));
    EXPECT_EQ(form_->Text1.Text(), c.text);
    if (c.resolved) {
      ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] { return Resolved().size() > asked; }));
      EXPECT_EQ(Resolved().back(), c.resolved);
    } else {
      EXPECT_EQ(Resolved().size(), asked);
    }
  }
}

TEST_F(TorrentWindow, ASelectionIsReplacedOnceAndForgottenWithItsText) {
  ASSERT_TRUE(TypeIntoTheBox("abcdef"));
  ASSERT_TRUE(Xdotool(std::string("key ") + kBackward));
  ASSERT_TRUE(CopyElsewhere("XY"));
  ASSERT_TRUE(Press(u"Command3"));
  ASSERT_TRUE(Press(u"Command3"));  // the second lands after the first
  EXPECT_EQ(form_->Text1.Text(), u"abXYXYf");

  ASSERT_TRUE(TypeIntoTheBox("abcdef"));
  ASSERT_TRUE(Xdotool(std::string("key ") + kBackward));
  ASSERT_TRUE(ClickOn(u"WebBrowser1"));  // the selection is left behind
  ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] { return !box_->hasFocus(); }));
  form_->Text1.SetText(u"uvwxyz");  // and the text it was in replaced
  ASSERT_TRUE(Press(u"Command3"));
  EXPECT_EQ(form_->Text1.Text(), u"uvwxyzXY");
}

TEST_F(TorrentWindow, TabVisitsTheBrowserAndEveryControlInTheirOrder) {
  // The window opens with the first of its tab order.
  ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] { return Focused() == u"WebBrowser1"; }));
  // Forward: a page with nothing to focus is one stop.
  for (const char16_t* next : {u"Text1", u"Command1", u"Command2", u"Command3", u"Command5",
                               u"Command4", u"WebBrowser1", u"Text1"}) {
    ASSERT_TRUE(KeyTo("Tab", next)) << base::ToUtf8(next);
  }
  for (const char16_t* previous : {u"WebBrowser1", u"Command4", u"Command5", u"Command3",
                                   u"Command2", u"Command1", u"Text1"}) {
    ASSERT_TRUE(KeyTo("shift+Tab", previous)) << base::ToUtf8(previous);
  }

  // Inside a page Tab goes through its own elements first, then on to the window's next.
  form_->WebBrowser1.Navigate(server_->Url("/links.html"));
  ASSERT_TRUE(qttest::WaitUntil(
      real_.loop, [&] { return form_->WebBrowser1.ReadyState() == Browser::kComplete; }));
  ASSERT_TRUE(KeyTo("shift+Tab", u"WebBrowser1"));
  EXPECT_TRUE(PageFocusOn("two"));
  ASSERT_TRUE(Xdotool("key shift+Tab"));
  EXPECT_TRUE(PageFocusOn("one"));
  ASSERT_TRUE(KeyTo("shift+Tab", u"Command4"));
  ASSERT_TRUE(KeyTo("Tab", u"WebBrowser1"));
  EXPECT_TRUE(PageFocusOn("one"));
  ASSERT_TRUE(Xdotool("key Tab"));
  EXPECT_TRUE(PageFocusOn("two"));
  ASSERT_TRUE(KeyTo("Tab", u"Text1"));
}

TEST_F(TorrentWindow, SpaceOnAButtonReachedByTabPressesIt) {
  // Selected with the keyboard, pasted over with the keyboard.
  ASSERT_TRUE(TypeIntoTheBox("abcdef"));
  ASSERT_TRUE(Xdotool(std::string("key ") + kForward));
  ASSERT_TRUE(CopyElsewhere("XY"));
  for (const char16_t* next : {u"Command1", u"Command2", u"Command3"}) {
    ASSERT_TRUE(KeyTo("Tab", next)) << base::ToUtf8(next);
  }
  ASSERT_TRUE(Xdotool("key space"));
  ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] { return box_->text() != "abcdef"; }));
  EXPECT_EQ(form_->Text1.Text(), u"abXYf");

  const std::size_t asked = Resolved().size();
  ASSERT_TRUE(KeyTo("shift+Tab", u"Command2"));
  ASSERT_TRUE(Xdotool("key space"));
  ASSERT_TRUE(qttest::WaitUntil(real_.loop, [&] { return Resolved().size() > asked; }));
  EXPECT_EQ(Resolved().back(), "/happyvod/api.html?url=abXYf");
}

}  // namespace
