// What a viewer does in a page: its own full screen, the browser's keys, a renderer that
// dies. Real X clicks and keys (xdotool) on the adapters, against pages on loopback.

#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <atomic>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "QtTestSupport.h"
#include "platform/qt/QtBrowserKeys.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtPageCrash.h"
#include "platform/qt/QtWindow.h"

namespace {

using platform::Browser;
using platform::qt::BrowserKey;
using platform::qt::CrashReloadRule;
using platform::qt::QtEventLoop;
using platform::qt::QtWindow;

TEST(ZoomSteps, EachKeyGoesOneStepOfTheLadder) {
  struct Case {
    BrowserKey key;
    double from;
    double to;
  };
  const Case cases[] = {
      {BrowserKey::ZoomIn, 1.0, 1.1},
      {BrowserKey::ZoomIn, 1.1000001, 1.25},  // the engine's rounding is still that step
      {BrowserKey::ZoomIn, 1.3, 1.5},         // a factor of the wheel's, between two steps
      {BrowserKey::ZoomIn, 5.0, 5.0},         // the largest stays
      {BrowserKey::ZoomOut, 1.0, 0.9},
      {BrowserKey::ZoomOut, 0.8999999, 0.8},
      {BrowserKey::ZoomOut, 1.3, 1.25},
      {BrowserKey::ZoomOut, 0.25, 0.25},  // the smallest stays
      {BrowserKey::ZoomReset, 3.0, 1.0},
      {BrowserKey::Reload, 1.5, 1.5},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(platform::qt::ZoomAfter(c.key, c.from), c.to)
        << static_cast<int>(c.key) << " from " << c.from;
  }
}

TEST(CrashReload, OnceForAPageThatDiesAgainSoon) {
  struct Crash {
    const char* page;
    double at;
    bool reload;
  };
  const Crash crashes[] = {
      {"a", 100, true},  {"a", 110, false},  // again within the half minute
      {"a", 135, false},                     // counted from the last crash, not the first
      {"b", 136, true},                      // another page
      {"b", 166, true},                      // long enough after
      {"a", 167, true},
  };
  CrashReloadRule rule;
  for (const Crash& crash : crashes) {
    EXPECT_EQ(rule.ReloadAfterCrash(crash.page, crash.at), crash.reload)
        << crash.page << " at " << crash.at;
  }
  // A page the user asks for starts afresh.
  rule.Forget();
  EXPECT_TRUE(rule.ReloadAfterCrash("a", 168));
}

class QtViewerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    auto& routes = server_->Routes();
    // One element over the whole page; a click counts and asks for the full screen.
    routes.Get("/player.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body style='margin:0'><div id=box style='position:fixed;left:0;top:0;"
          "width:100%;height:100%;background:#080'>player</div><script>"
          "var clicks = 0;"
          "box.onclick = () => { ++clicks; box.requestFullscreen(); };"
          "document.onfullscreenchange = () => {"
          "  document.title = document.fullscreenElement ? 'full' : 'normal'; };"
          "</script></body></html>",
          "text/html; charset=utf-8");
    });
    // A click only marks the page as the user's.
    routes.Get("/touch.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body style='margin:0;height:100%;background:#008'>touch<script>"
          "document.onclick = () => { document.title = 'touched'; };"
          "</script></body></html>",
          "text/html; charset=utf-8");
    });
    // Counts its requests by name; never from a cache.
    routes.Get(R"(/count/(\w+))", [](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      const int n = ++counts_[req.matches[1]];
      res.set_header("Cache-Control", "no-store");
      res.set_content(
          "<html><body>" + std::string(req.matches[1]) + " " + std::to_string(n) + "</body></html>",
          "text/html; charset=utf-8");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override { OpenWindow(); }
  void OpenWindow() {
    window_ = std::make_unique<QtWindow>(qttest::Window(u"浏览器", 9000, 6000));
    window_->AddMenuItem(u"move", u"高清影院", [] {});
    browser_ = &window_->AddBrowser(qttest::Control(u"WebBrowser1", {0, -480, 9000, 6480}), 0);
    view_ = static_cast<QWebEngineView*>(window_->Control(u"WebBrowser1"));
    page_ = view_->page();
    window_->Show();
    window_->Frame()->move(0, 0);
    // In the screen's corner, where no other test's window stands (theirs are centred).
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return window_->Frame()->pos() == QPoint(0, 0); }));
  }
  void TearDown() override {
    window_.reset();
    loop_.DoEvents();
  }

  static int Count(const std::string& name) {
    std::lock_guard lock(mutex_);
    return counts_[name];
  }
  bool Load(const std::string& path) {
    browser_->Navigate(server_->Url(path));
    return qttest::WaitUntil(loop_, [&] { return browser_->ReadyState() == Browser::kComplete; });
  }
  // The user's click in the middle of the page, once the page is on the screen: a click
  // before its first picture is lost.
  bool ClickThePage() {
    const bool painted = qttest::WaitUntil(loop_, [&] {
      const QImage shown = view_->grab().toImage();
      const QColor middle = shown.pixelColor(shown.rect().center());
      return middle == QColor(0, 0x88, 0) || middle == QColor(0, 0, 0x88);
    });
    return painted && qttest::ClickInTheMiddle(*view_);
  }
  bool WaitTitle(const QString& title) {
    return qttest::WaitUntil(loop_, [&] { return page_->title() == title; });
  }
  // The result of a script in the page.
  QVariant Run(const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    page_->runJavaScript(script, [result](const QVariant& value) { *result = value; });
    if (!qttest::WaitUntil(loop_, [&] { return result->has_value(); })) return {};
    return **result;
  }

  // A window of its own over the whole screen, other than the test's window.
  static QWidget* FullScreenWidget() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->isVisible() && widget->geometry() == screen) return widget;
    }
    return nullptr;
  }
  bool WaitFullScreen() {
    return qttest::WaitUntil(loop_, [&] {
      QWidget* full = FullScreenWidget();
      return full && full != window_->Frame() && full->isActiveWindow() &&
             page_->title() == u"full";
    });
  }
  bool WaitBack() {
    return qttest::WaitUntil(loop_, [&] {
      return !FullScreenWidget() && page_->title() == u"normal" &&
             QWebEngineView::forPage(page_) == view_;
    });
  }
  bool Keys(const std::string& keys) { return qttest::Xdotool("key " + keys); }

  static qttest::LoopbackServer* server_;
  static std::mutex mutex_;
  static std::map<std::string, int> counts_;
  QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  Browser* browser_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QWebEnginePage* page_ = nullptr;
};

qttest::LoopbackServer* QtViewerTest::server_ = nullptr;
std::mutex QtViewerTest::mutex_;
std::map<std::string, int> QtViewerTest::counts_;

// Everything of the window that a full screen must leave as it was.
struct Placement {
  QRect frame;
  QRect browser;
  bool menuShown;
  bool operator==(const Placement&) const = default;
};

TEST_F(QtViewerTest, ThePagesFullScreenCoversTheScreenAndGivesTheWindowBackAsItWas) {
  ASSERT_TRUE(Load("/player.html"));
  const auto placement = [&] {
    return Placement{window_->Frame()->frameGeometry(), view_->geometry(),
                     window_->Menu()->isVisible()};
  };
  const Placement before = placement();

  // The user's click on the player: the element on the whole screen, the window stays.
  ASSERT_TRUE(ClickThePage());
  ASSERT_TRUE(WaitFullScreen());
  EXPECT_EQ(placement(), before);
  // Esc, a key of the X server's: the same page back in the browser, where it was.
  ASSERT_TRUE(Keys("Escape"));
  ASSERT_TRUE(WaitBack());
  EXPECT_EQ(placement(), before);
  EXPECT_EQ(Run(QStringLiteral("clicks")).toInt(), 1);  // not loaded again
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return window_->Frame()->isActiveWindow(); }));

  // The page leaving by itself.
  ASSERT_TRUE(ClickThePage());
  ASSERT_TRUE(WaitFullScreen());
  Run(QStringLiteral("document.exitFullscreen(), 0"));
  ASSERT_TRUE(WaitBack());
  EXPECT_EQ(placement(), before);
  EXPECT_EQ(Run(QStringLiteral("clicks")).toInt(), 2);
  // The program's own loads go on as before.
  ASSERT_TRUE(Load("/count/after"));
  EXPECT_EQ(browser_->BodyInnerText(), u"after 1");
}

TEST_F(QtViewerTest, OnlyABrowserOnTheScreenGoesFullScreen) {
  // What the request met: the browser has answered it by the time the test hears of it.
  int requests = 0;
  bool fullOnRequest = false;
  QObject::connect(page_, &QWebEnginePage::fullScreenRequested, view_,
                   [&](QWebEngineFullScreenRequest request) {
                     if (!request.toggleOn()) return;
                     ++requests;
                     fullOnRequest = FullScreenWidget() != nullptr;
                   });
  // The page asks after the user's click, by a script of its own.
  const auto clickedThenAsked = [&](bool hiddenMeanwhile) {
    if (!Load("/touch.html") || !ClickThePage() || !WaitTitle(QStringLiteral("touched")))
      return false;
    if (hiddenMeanwhile) view_->hide();
    return Run(QStringLiteral("document.body.requestFullscreen(), 0")).isValid();
  };
  ASSERT_TRUE(clickedThenAsked(false));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return requests == 1; }));
  EXPECT_TRUE(fullOnRequest);
  Run(QStringLiteral("document.exitFullscreen(), 0"));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return FullScreenWidget() == nullptr; }));

  // Hidden after the click, before the page asks, as the manifest's browser is hidden.
  ASSERT_TRUE(clickedThenAsked(true));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return requests == 2; }));
  EXPECT_FALSE(fullOnRequest);
  EXPECT_EQ(FullScreenWidget(), nullptr);
  EXPECT_EQ(QWebEngineView::forPage(page_), view_);
}

TEST_F(QtViewerTest, AWindowThatGoesWhileFullScreenTakesTheFullScreenWithIt) {
  struct Case {
    const char* what;
    std::function<void(std::unique_ptr<QtWindow>&)> go;
  };
  const Case cases[] = {
      {"hidden", [](auto& window) { window->Hide(); }},
      {"closed", [](auto& window) { window->Close(); }},
      {"destroyed", [](auto& window) { window.reset(); }},
  };
  for (const Case& c : cases) {
    if (!window_) OpenWindow();
    ASSERT_TRUE(Load("/player.html")) << c.what;
    ASSERT_TRUE(ClickThePage()) << c.what;
    ASSERT_TRUE(WaitFullScreen()) << c.what;
    c.go(window_);
    EXPECT_EQ(FullScreenWidget(), nullptr) << c.what;
    if (window_) {
      EXPECT_EQ(QWebEngineView::forPage(page_), view_) << c.what;
      window_.reset();
    }
    loop_.DoEvents();
  }
}

TEST_F(QtViewerTest, KeysMoveThroughTheHistoryReloadAndZoom) {
  ASSERT_TRUE(Load("/count/first"));
  ASSERT_TRUE(Load("/count/second"));
  // The user's click in the page: the keys go there.
  ASSERT_TRUE(qttest::ClickInTheMiddle(*view_));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return window_->Frame()->isActiveWindow() && view_->isAncestorOf(qApp->focusWidget());
  }));
  const auto at = [&](const char* name) {
    return qttest::WaitUntil(loop_, [&] {
      return page_->url().path() == QStringLiteral("/count/") + QLatin1String(name) &&
             browser_->ReadyState() == Browser::kComplete;
    });
  };
  ASSERT_TRUE(Keys("alt+Left"));
  EXPECT_TRUE(at("first"));
  ASSERT_TRUE(Keys("alt+Right"));
  EXPECT_TRUE(at("second"));

  for (const char* reload : {"F5", "ctrl+r"}) {
    const int before = Count("second");
    ASSERT_TRUE(Keys(reload));
    EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return Count("second") == before + 1; })) << reload;
    EXPECT_TRUE(at("second")) << reload;
  }

  struct Zoom {
    const char* keys;
    double factor;
  };
  const Zoom zooms[] = {
      {"ctrl+plus", 1.1},        {"ctrl+equal", 1.25}, {"ctrl+KP_Add", 1.5},
      {"ctrl+minus", 1.25},      {"ctrl+0", 1.0},      {"ctrl+KP_Subtract", 0.9},
      {"ctrl+shift+equal", 1.0}, {"ctrl+plus", 1.1},
  };
  for (const Zoom& zoom : zooms) {
    ASSERT_TRUE(Keys(zoom.keys));
    EXPECT_TRUE(qttest::WaitUntil(
        loop_, [&] { return std::abs(page_->zoomFactor() - zoom.factor) < 0.001; }))
        << zoom.keys << " gave " << page_->zoomFactor();
  }
  // The factor the user chose stays with the browser from page to page, the wheel's too,
  // on another site as well.
  ASSERT_TRUE(Load("/count/third"));
  EXPECT_NEAR(page_->zoomFactor(), 1.1, 0.001);
  ASSERT_TRUE(Keys("alt+Left"));
  EXPECT_TRUE(at("second"));
  EXPECT_NEAR(page_->zoomFactor(), 1.1, 0.001);
  ASSERT_TRUE(qttest::Xdotool("keydown ctrl click 4 keyup ctrl"));  // the wheel up a notch
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return page_->zoomFactor() > 1.11; }));
  const double wheeled = page_->zoomFactor();
  std::u16string elsewhere = server_->Url("/count/elsewhere");
  elsewhere.replace(elsewhere.find(u"127.0.0.1"), 9, u"localhost");
  browser_->Navigate(elsewhere);
  ASSERT_TRUE(at("elsewhere"));
  EXPECT_EQ(browser_->BodyInnerText(), u"elsewhere 1");
  EXPECT_NEAR(page_->zoomFactor(), wheeled, 0.001);
  ASSERT_TRUE(Keys("alt+Left"));
  EXPECT_TRUE(at("second"));
  EXPECT_NEAR(page_->zoomFactor(), wheeled, 0.001);
}

TEST_F(QtViewerTest, ADeadRendererIsReloadedOnceThenLeftWithAWord) {
  ASSERT_TRUE(Load("/count/fragile"));
  auto* notice = view_->findChild<QLabel*>(QStringLiteral("QuorinCrashNotice"));
  ASSERT_NE(notice, nullptr);
  const auto kill = [&] {
    const qint64 pid = page_->renderProcessPid();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
  };

  ASSERT_TRUE(kill());
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return notice->isVisible(); }));
  EXPECT_EQ(notice->text(), QString::fromUtf16(u"页面出错了，正在重新载入…"));
  // Loaded again by itself, and the words go once it is there.
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return Count("fragile") == 2 && browser_->ReadyState() == Browser::kComplete &&
           !notice->isVisible();
  }));
  EXPECT_EQ(browser_->BodyInnerText(), u"fragile 2");

  // Dead again at once: no more reloads, the user is told where to go.
  ASSERT_TRUE(kill());
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return notice->isVisible() &&
           notice->text() == QString::fromUtf16(u"页面再次出错，请从菜单重新打开。");
  }));
  // A reload would have begun by the time something posted after the crash runs.
  bool passed = false;
  QTimer::singleShot(0, [&] { passed = true; });
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return passed; }));
  EXPECT_EQ(browser_->ReadyState(), Browser::kComplete);
  EXPECT_FALSE(page_->isLoading());

  // The next page the program asks for comes as always, and starts afresh: dead at once,
  // it is loaded again once more.
  ASSERT_TRUE(Load("/count/fragile"));
  EXPECT_EQ(browser_->BodyInnerText(), u"fragile 3");
  EXPECT_FALSE(notice->isVisible());
  ASSERT_TRUE(kill());
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return Count("fragile") == 4 && browser_->ReadyState() == Browser::kComplete &&
           !notice->isVisible();
  }));
}

}  // namespace
