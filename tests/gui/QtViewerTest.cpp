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

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "QtTestSupport.h"
#include "platform/qt/QtBrowserKeys.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtPageCrash.h"
#include "platform/qt/QtWindow.h"

namespace {

using platform::Browser;
using platform::qt::BrowserKey;
using platform::qt::QtWindow;

TEST(ZoomSteps, EachKeyGoesOneStepOfTheLadder) {
  struct Case {
    BrowserKey key;
    double from, to;
  } const cases[] = {
      {BrowserKey::ZoomIn, 1.1000001, 1.25},  // the engine's rounding is still that step
      {BrowserKey::ZoomIn, 1.3, 1.5},         // the wheel's factor, between two steps
      {BrowserKey::ZoomIn, 5.0, 5.0},         // the largest stays
      {BrowserKey::ZoomOut, 1.3, 1.25},
      {BrowserKey::ZoomOut, 0.25, 0.25},  // the smallest stays
      {BrowserKey::ZoomReset, 3.0, 1.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(platform::qt::ZoomAfter(c.key, c.from), c.to) << c.from;
  }
}

TEST(CrashReload, OnceForAPageThatDiesAgainSoon) {
  struct Crash {
    const char* page;
    double at;
    bool reload;
  } const crashes[] = {
      {"a", 100, true},  {"a", 110, false},  // again within the half minute
      {"a", 135, false},                     // counted from the last crash, not the first
      {"b", 136, true},                      // another page
      {"b", 166, true},                      // long enough after
  };
  platform::qt::CrashReloadRule rule;
  for (const Crash& crash : crashes) {
    EXPECT_EQ(rule.ReloadAfterCrash(crash.page, crash.at), crash.reload) << crash.at;
  }
  rule.Forget();  // the user asked for a page
  EXPECT_TRUE(rule.ReloadAfterCrash("b", 167));
}

class QtViewerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    // One element over the whole page; a click counts and, without "#later", asks for the
    // full screen.
    server_->Routes().Get("/player.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body style='margin:0'><div id=box style='position:fixed;left:0;top:0;"
          "width:100%;height:100%;background:#080'>player</div><script>var clicks = 0;"
          "box.onclick = () => { ++clicks; if (!location.hash) box.requestFullscreen(); };"
          "document.onfullscreenchange = () => {"
          "  document.title = document.fullscreenElement ? 'full' : 'normal'; };"
          "var painted = false; new PerformanceObserver(list => {"
          "  painted ||= list.getEntriesByName('first-contentful-paint').length > 0;"
          "}).observe({type: 'paint', buffered: true});"
          "</script></body></html>",
          "text/html");
    });
    // Counts its requests by name; never from a cache.
    server_->Routes().Get(
        R"(/count/(\w+))", [](const httplib::Request& req, httplib::Response& res) {
          std::lock_guard lock(mutex_);
          const int n = ++counts_[req.matches[1]];
          res.set_header("Cache-Control", "no-store");
          res.set_content(std::string(req.matches[1]) + " " + std::to_string(n), "text/plain");
        });
    server_->Start();
  }
  static void TearDownTestSuite() { delete server_; }

  void SetUp() override { OpenWindow(); }
  void OpenWindow() {
    window_ = std::make_unique<QtWindow>(qttest::Window(u"浏览器", 9000, 6000));
    window_->AddMenuItem(u"move", u"高清影院", [] {});
    browser_ = &window_->AddBrowser(qttest::Control(u"WebBrowser1", {0, -480, 9000, 6480}), 0);
    view_ = static_cast<QWebEngineView*>(window_->Control(u"WebBrowser1"));
    page_ = view_->page();
    window_->Show();
    // In the screen's corner, where no other test's window stands (theirs are centred).
    window_->Frame()->move(0, 0);
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return window_->Frame()->pos() == QPoint(); }));
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
  // The user's click on the player once it is painted: until its first painted content
  // the engine keeps the page it left on the screen and drops clicks.
  bool ClickThePlayer() {
    return qttest::WaitUntil(loop_, [&] { return Run(QStringLiteral("painted")).toBool(); }) &&
           qttest::ClickInTheMiddle(*view_);
  }
  QVariant Run(const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    page_->runJavaScript(script, [result](const QVariant& value) { *result = value; });
    qttest::WaitUntil(loop_, [&] { return result->has_value(); });
    return result->value_or(QVariant());
  }
  // A window over the whole screen.
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
      return full && full->isActiveWindow() && page_->title() == u"full";
    });
  }
  bool InItsBrowser() const { return QWebEngineView::forPage(page_) == view_; }
  bool Keys(const std::string& keys) { return qttest::Xdotool("key " + keys); }

  static qttest::LoopbackServer* server_;
  static std::mutex mutex_;
  static std::map<std::string, int> counts_;
  platform::qt::QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  Browser* browser_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QWebEnginePage* page_ = nullptr;
};

qttest::LoopbackServer* QtViewerTest::server_ = nullptr;
std::mutex QtViewerTest::mutex_;
std::map<std::string, int> QtViewerTest::counts_;

TEST_F(QtViewerTest, ThePagesFullScreenCoversTheScreenAndEscGivesTheWindowBackAsItWas) {
  ASSERT_TRUE(Load("/player.html"));
  const auto placement = [&] {
    return std::tuple(window_->Frame()->frameGeometry(), view_->geometry(),
                      window_->Menu()->isVisible());
  };
  const auto before = placement();
  ASSERT_TRUE(ClickThePlayer());
  ASSERT_TRUE(WaitFullScreen());
  EXPECT_EQ(placement(), before);

  ASSERT_TRUE(Keys("Escape"));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return !FullScreenWidget() && page_->title() == u"normal" && InItsBrowser() &&
           window_->Frame()->isActiveWindow();
  }));
  EXPECT_EQ(placement(), before);
  EXPECT_EQ(Run(QStringLiteral("clicks")).toInt(), 1);  // the same page, not loaded again
  ASSERT_TRUE(Load("/count/after"));                    // and the program's loads go on as before
  EXPECT_EQ(browser_->BodyInnerText(), u"after 1");
}

TEST_F(QtViewerTest, OnlyABrowserOnTheScreenGoesFullScreenAndThePageMayLeaveIt) {
  // What the request met: the browser has answered it by the time the test hears of it.
  int requests = 0;
  bool fullOnRequest = false;
  QObject::connect(page_, &QWebEnginePage::fullScreenRequested, view_,
                   [&](QWebEngineFullScreenRequest request) {
                     requests += request.toggleOn();
                     fullOnRequest = FullScreenWidget() != nullptr;
                   });
  // The page asks by a script of its own after the user's click.
  const auto clickedThenAsked = [&](bool hiddenMeanwhile) {
    if (!Load(hiddenMeanwhile ? "/player.html?hidden#later" : "/player.html#later") ||
        !ClickThePlayer() ||
        !qttest::WaitUntil(loop_, [&] { return Run(QStringLiteral("clicks")).toInt() == 1; }))
      return false;
    if (hiddenMeanwhile) view_->hide();
    page_->runJavaScript(QStringLiteral("box.requestFullscreen()"));
    return true;
  };
  ASSERT_TRUE(clickedThenAsked(false));
  ASSERT_TRUE(WaitFullScreen());
  EXPECT_EQ(requests, 1);
  Run(QStringLiteral("document.exitFullscreen(), 0"));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return !FullScreenWidget() && InItsBrowser(); }));

  // Hidden before the page asks, as the manifest's browser is.
  ASSERT_TRUE(clickedThenAsked(true));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return requests == 2; }));
  EXPECT_FALSE(fullOnRequest);
  EXPECT_TRUE(InItsBrowser());
}

TEST_F(QtViewerTest, AWindowThatGoesWhileFullScreenTakesTheFullScreenWithIt) {
  const std::function<void(std::unique_ptr<QtWindow>&)> ways[] = {
      [](auto& window) { window->Hide(); },
      [](auto& window) { window->Close(); },
      [](auto& window) { window.reset(); },
  };
  for (const auto& go : ways) {
    if (!window_) OpenWindow();
    ASSERT_TRUE(Load("/player.html") && ClickThePlayer() && WaitFullScreen());
    go(window_);
    EXPECT_EQ(FullScreenWidget(), nullptr);
    EXPECT_TRUE(!window_ || InItsBrowser());
    window_.reset();
    loop_.DoEvents();
  }
}

TEST_F(QtViewerTest, KeysMoveThroughTheHistoryReloadAndZoomForTheSession) {
  ASSERT_TRUE(Load("/count/first"));
  ASSERT_TRUE(Load("/count/second"));
  ASSERT_TRUE(qttest::ClickInTheMiddle(*view_));  // the keys go to the page clicked
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return view_->isAncestorOf(qApp->focusWidget()); }));
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
  }

  struct Zoom {
    const char* keys;
    double factor;
  } const zooms[] = {
      {"ctrl+plus", 1.1}, {"ctrl+equal", 1.25},      {"ctrl+KP_Add", 1.5}, {"ctrl+minus", 1.25},
      {"ctrl+0", 1.0},    {"ctrl+KP_Subtract", 0.9}, {"ctrl+plus", 1.0},   {"ctrl+plus", 1.1},
  };
  const auto zoomed = [&](double factor) {
    return qttest::WaitUntil(loop_, [&] { return std::abs(page_->zoomFactor() - factor) < 1e-3; });
  };
  for (const Zoom& zoom : zooms) {
    ASSERT_TRUE(Keys(zoom.keys));
    EXPECT_TRUE(zoomed(zoom.factor)) << zoom.keys << " gave " << page_->zoomFactor();
  }
  // The factor stays with the browser from page to page, the wheel's too, and on
  // another site as well.
  ASSERT_TRUE(qttest::Xdotool("keydown ctrl click 4 keyup ctrl"));  // the wheel up a notch
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return page_->zoomFactor() > 1.11; }));
  const double chosen = page_->zoomFactor();
  std::u16string elsewhere = server_->Url("/count/elsewhere");
  elsewhere.replace(elsewhere.find(u"127.0.0.1"), 9, u"localhost");
  browser_->Navigate(elsewhere);
  ASSERT_TRUE(at("elsewhere"));
  EXPECT_TRUE(zoomed(chosen));
  ASSERT_TRUE(Keys("alt+Left"));
  EXPECT_TRUE(at("second"));
  EXPECT_TRUE(zoomed(chosen));
}

TEST_F(QtViewerTest, ADeadRendererIsReloadedOnceThenLeftWithAWord) {
  ASSERT_TRUE(Load("/count/fragile"));
  auto* notice = view_->findChild<QLabel*>(QStringLiteral("QuorinCrashNotice"));
  ASSERT_NE(notice, nullptr);
  const auto kill = [&] {
    const qint64 pid = page_->renderProcessPid();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
  };
  const auto reloadedTo = [&](int count) {
    return qttest::WaitUntil(loop_, [&] {
      return Count("fragile") == count && browser_->ReadyState() == Browser::kComplete &&
             !notice->isVisible();
    });
  };

  ASSERT_TRUE(kill());
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return notice->isVisible(); }));
  EXPECT_EQ(notice->text(), QStringLiteral("页面出错了，正在重新载入…"));
  ASSERT_TRUE(reloadedTo(2));  // and the words go once it is there
  EXPECT_EQ(browser_->BodyInnerText(), u"fragile 2");

  // Dead again at once: no more reloads, the user is told where to go.
  ASSERT_TRUE(kill());
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return notice->isVisible() &&
           notice->text() == QStringLiteral("页面再次出错，请从菜单重新打开。");
  }));
  // A reload would have begun by the time something posted after the crash runs.
  bool passed = false;
  QTimer::singleShot(0, [&] { passed = true; });
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return passed; }));
  EXPECT_EQ(browser_->ReadyState(), Browser::kComplete);
  EXPECT_FALSE(page_->isLoading());

  // The program's next load comes as always, and starts afresh: dead at once, it is
  // loaded again once more.
  ASSERT_TRUE(Load("/count/fragile"));
  EXPECT_EQ(browser_->BodyInnerText(), u"fragile 3");
  EXPECT_FALSE(notice->isVisible());
  ASSERT_TRUE(kill());
  EXPECT_TRUE(reloadedTo(4));
}

}  // namespace
