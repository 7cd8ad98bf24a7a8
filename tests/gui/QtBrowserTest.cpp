// The browser adapter on QtWebEngine against pages served on loopback.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "QtTestSupport.h"
#include "base/RuntimeError.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindow.h"
#include "support/Ports.h"

// What the desktop's URL opener would have been given.
class DesktopOpener : public QObject {
  Q_OBJECT

 public:
  explicit DesktopOpener(std::initializer_list<const char*> schemes) {
    for (const char* scheme : schemes) {
      schemes_.push_back(QString::fromLatin1(scheme));
      QDesktopServices::setUrlHandler(schemes_.back(), this, "Open");
    }
  }
  ~DesktopOpener() override {
    for (const QString& scheme : schemes_) QDesktopServices::unsetUrlHandler(scheme);
  }
  Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url.toString()); }
  QStringList opened;

 private:
  QStringList schemes_;
};

namespace {

using platform::Browser;
using platform::qt::QtEventLoop;
using platform::qt::QtWindow;

// GBK bytes of 下载开始 and 下载结束.
const std::string kStartGbk = "\xCF\xC2\xD4\xD8\xBF\xAA\xCA\xBC";
const std::string kEndGbk = "\xCF\xC2\xD4\xD8\xBD\xE1\xCA\xF8";

class QtBrowserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    auto& routes = server_->Routes();
    routes.Get("/fast", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("fast page", "text/plain; charset=utf-8");
    });
    routes.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
      ++slowRequests_;
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      res.set_content("slow page", "text/plain; charset=utf-8");
    });
    routes.Get("/lines.txt", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("\r\n第一行\r\nline two\r\r末行\n\r\n", "text/plain; charset=utf-8");
    });
    // The update manifest as the portal serves it: GBK, no character set declared.
    routes.Get("/up1.txt", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kStartGbk + "\r\n3.3\r\n" + kEndGbk + "\r\n", "text/plain");
    });
    // Too short for the engine to guess a character set: only the default decides.
    routes.Get("/short.txt", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kStartGbk.substr(0, 2), "text/plain");
    });
    routes.Get("/gbk.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body><p>" + kStartGbk + "</p></body></html>", "text/html");
    });
    // A page whose top 32 pixels are red and the rest blue.
    routes.Get("/bands.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body style='margin:0;background:#0000ff'>"
          "<div style='height:32px;background:#ff0000'></div></body></html>",
          "text/html");
    });
    routes.Get("/dialogs.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body><p id=r>waiting</p><script>"
          "alert('hello');"
          "var c = confirm('sure?');"
          "var p = prompt('name?', 'x');"
          "window.open('/fast');"
          "document.getElementById('r').textContent = 'confirm=' + c + ' prompt=' + p;"
          "</script></body></html>",
          "text/html; charset=utf-8");
    });
    routes.Get("/alert.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body>alerted<script>alert('hello');</script></body></html>",
                      "text/html; charset=utf-8");
    });
    routes.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(echoMutex_);
      echoed_ = req.target;
      res.set_content("echo", "text/plain");
    });
    routes.Get("/scripted.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body>manifest<script>document.body.textContent = 'script ran';</script>"
          "</body></html>",
          "text/html");
    });
    routes.Get("/endless.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body>manifest<script>for (;;) {}</script></body></html>",
                      "text/html");
    });
    routes.Get("/foo-link.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body>foo<a id=l href='foo://bar'>x</a>"
          "<script>document.getElementById('l').click();</script></body></html>",
          "text/html");
    });
    routes.Get("/popup.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body>popup<script>window.open('/fast');</script></body></html>",
                      "text/html");
    });
    // One link over the whole page, opening a window of its own.
    routes.Get("/blank-link.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body style='margin:0'><a href='/fast' target='_blank' "
          "style='position:fixed;left:0;top:0;width:100%;height:100%;display:block'>"
          "link</a></body></html>",
          "text/html");
    });
    // A page that asks before it is left, once the user has touched it.
    routes.Get("/leave.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body style='margin:0;height:100%'>stay<script>"
          "document.onmousedown = () => { document.title = 'touched'; };"
          "window.onbeforeunload = (e) => { e.preventDefault(); e.returnValue = 'x'; "
          "return 'x'; };</script></body></html>",
          "text/html");
    });
    // The update manifest at its largest: long lines.
    routes.Get("/long-lines.txt", [](const httplib::Request&, httplib::Response& res) {
      const std::string line(1 << 20, 'x');
      res.set_content("a\r\n" + line + "\r\n" + line + "\r\nz\r\n", "text/plain");
    });
    routes.Get("/file.bin", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Disposition", "attachment; filename=file.bin");
      res.set_content(std::string(4096, 'x'), "application/octet-stream");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    window_ = std::make_unique<QtWindow>(qttest::Window(u"浏览器", 9000, 6000));
    browser_ = &window_->AddBrowser(qttest::Control(u"WebBrowser1", {0, -480, 9000, 6480}), 0);
    window_->Show();
  }
  void TearDown() override {
    window_.reset();
    loop_.DoEvents();
  }

  static std::u16string Url(const std::string& path) { return server_->Url(path); }
  bool WaitComplete(Browser& browser, int timeoutMs = 15000) {
    return qttest::WaitUntil(
        loop_, [&] { return browser.ReadyState() == Browser::kComplete; }, timeoutMs);
  }
  // Navigates and waits for the load to complete; the body text, or "<none>".
  std::u16string Load(Browser& browser, const std::string& path) {
    browser.Navigate(Url(path));
    if (!WaitComplete(browser)) return u"<timed out>";
    try {
      return browser.BodyInnerText();
    } catch (const base::RuntimeError&) {
      return u"<none>";
    }
  }

  // A click of the X server's own in the middle of the page, as the user's mouse makes
  // it, with the window in the screen's corner where no other test's window stands
  // (theirs are centred).
  void ClickInTheCorner() {
    window_->Frame()->move(0, 0);
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return window_->Frame()->pos() == QPoint(0, 0); }));
    auto* view = dynamic_cast<QWidget*>(browser_);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(qttest::ClickInTheMiddle(*view));
  }

  // Navigates to the slow page and waits until its request has reached the server: the
  // load is under way, its answer still to come.
  void StartSlowLoad() {
    const int before = slowRequests_;
    browser_->Navigate(Url("/slow"));
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return slowRequests_ > before; }));
  }

  static std::string Echoed() {
    std::lock_guard lock(echoMutex_);
    return echoed_;
  }

  static qttest::LoopbackServer* server_;
  static std::mutex echoMutex_;
  static std::string echoed_;  // the request target /echo last received
  static std::atomic<int> slowRequests_;
  QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  Browser* browser_ = nullptr;
};

qttest::LoopbackServer* QtBrowserTest::server_ = nullptr;
std::mutex QtBrowserTest::echoMutex_;
std::string QtBrowserTest::echoed_;
std::atomic<int> QtBrowserTest::slowRequests_{0};

TEST_F(QtBrowserTest, AnAddressGoesOutAsGivenAndAnyAddressCompletes) {
  struct Case {
    const char* what;
    std::u16string query;
    std::string target;  // what the server receives
  };
  const Case cases[] = {
      {"outer blanks kept", u" a&b c ", "/echo?url=%20a&b%20c%20"},
      {"non-ASCII in UTF-8", u"片名", "/echo?url=%E7%89%87%E5%90%8D"},
      {"the fragment stays with the browser", u"x#frag", "/echo?url=x"},
      {"control characters escaped", u"a\tb\r\nc\x01", "/echo?url=a%09b%0D%0Ac%01"},
  };
  for (const Case& c : cases) {
    browser_->Navigate(Url("/echo?url=") + c.query);
    ASSERT_TRUE(WaitComplete(*browser_)) << c.what;
    EXPECT_EQ(Echoed(), c.target) << c.what;
  }
  // Whether the engine loads a huge address or refuses it, the navigation ends.
  const std::u16string prefix = Url("/echo?url=");
  for (std::size_t length : {std::size_t{2u << 20} - prefix.size(),
                             std::size_t{(2u << 20) + 1} - prefix.size(), std::size_t{3u << 20}}) {
    browser_->Navigate(prefix + std::u16string(length, u'x'));
    EXPECT_TRUE(WaitComplete(*browser_)) << length;
  }
  EXPECT_EQ(Load(*browser_, "/fast"), u"fast page");
}

TEST_F(QtBrowserTest, DestroyedWhileItsTextIsCapturedGoesQuietly) {
  // The engine answers a capture still on its way when the page goes, after the browser.
  // A capture is on its way between the end of the load (3) and its answer (4).
  bool capturing = false;
  for (int attempt = 0; attempt < 20 && !capturing; ++attempt) {
    browser_->Navigate(Url("/fast"));
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return browser_->ReadyState() >= 3; }));
    capturing = browser_->ReadyState() == 3;
  }
  ASSERT_TRUE(capturing);
  window_.reset();
  loop_.DoEvents();
}

TEST_F(QtBrowserTest, WithoutScriptsAPageRunsNothingAndItsTextIsStillRead) {
  EXPECT_EQ(Load(*browser_, "/scripted.html"), u"script ran");
  browser_->SetScriptsEnabled(false);
  EXPECT_EQ(Load(*browser_, "/scripted.html"), u"manifest");
  // A page that would keep its renderer busy for good completes all the same.
  EXPECT_EQ(Load(*browser_, "/endless.html"), u"manifest");
}

TEST_F(QtBrowserTest, NoAddressLeavesForTheDesktopUnasked) {
  DesktopOpener desktop{"foo", "http"};
  // Asked for by the program: nothing loads and the wait ends at once.
  browser_->Navigate(u"foo://bar");
  EXPECT_TRUE(WaitComplete(*browser_));
  // Followed by a page's script, or opened by it as a popup: refused, dropped.
  EXPECT_EQ(Load(*browser_, "/foo-link.html"), u"foox");
  EXPECT_EQ(Load(*browser_, "/popup.html"), u"popup");
  EXPECT_EQ(Load(*browser_, "/fast"), u"fast page");  // anything they started is over
  EXPECT_TRUE(desktop.opened.isEmpty()) << desktop.opened.join(u' ').toStdString();

  // A link the user clicks that opens a window of its own goes to the desktop's browser.
  EXPECT_EQ(Load(*browser_, "/blank-link.html"), u"link");
  ClickInTheCorner();
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return !desktop.opened.isEmpty(); }));
  EXPECT_EQ(desktop.opened, QStringList{QString::fromStdU16String(Url("/fast"))});
}

TEST_F(QtBrowserTest, HiddenBrowserReadsLongLinesAndShowsTheTextOnceShown) {
  // As small as the manifest's browser: wrapping these lines took its renderer half a
  // minute, longer than a manifest read may wait (the main window's tests hold it to that).
  Browser& small =
      window_->AddBrowser(qttest::Control(u"WebBrowser2", {5880, 120, 495, 495}, {}, false), 1);
  const std::u16string line(1 << 20, u'x');
  small.Navigate(Url("/long-lines.txt"));
  ASSERT_TRUE(WaitComplete(small, 120000));
  EXPECT_EQ(small.BodyInnerText(), u"a\r\n" + line + u"\r\n" + line + u"\r\nz\r\n");
  EXPECT_EQ(Load(small, "/lines.txt"), u"\r\n第一行\r\nline two\r\n\r\n末行\r\n\r\n");

  // Shown, the document it holds is laid out like any other.
  auto* view = dynamic_cast<QWebEngineView*>(&small);
  ASSERT_NE(view, nullptr);
  view->show();
  // Asked again until it answers so; an answer may come after the test.
  auto display = std::make_shared<QString>();
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    view->page()->runJavaScript(
        QStringLiteral("getComputedStyle(document.documentElement).display"), 0,
        [display](const QVariant& result) { *display = result.toString(); });
    return *display == u"block";
  }));
}

TEST_F(QtBrowserTest, PlainTextComesBackLineForLineWithCrLf) {
  // Leading and trailing empty lines, a lone CR and a lone LF all survive as CR LF.
  EXPECT_EQ(Load(*browser_, "/lines.txt"), u"\r\n第一行\r\nline two\r\n\r\n末行\r\n\r\n");
}

TEST_F(QtBrowserTest, DocumentsWithoutCharsetAreReadAsGbk) {
  // The manifest browser of the main window is hidden; it loads all the same.
  Browser& hidden =
      window_->AddBrowser(qttest::Control(u"WebBrowser2", {5880, 120, 495, 495}, {}, false), 1);
  hidden.SetSilent(true);
  EXPECT_EQ(Load(hidden, "/up1.txt"), u"下载开始\r\n3.3\r\n下载结束\r\n");
  EXPECT_EQ(Load(*browser_, "/gbk.html"), u"下载开始");
  EXPECT_EQ(Load(*browser_, "/short.txt"), u"下");
}

TEST_F(QtBrowserTest, ReadyStateFollowsEachNavigation) {
  EXPECT_LT(browser_->ReadyState(), Browser::kComplete);
  EXPECT_THROW(browser_->BodyInnerText(), base::RuntimeError);

  browser_->Navigate(Url("/fast"));
  EXPECT_LT(browser_->ReadyState(), Browser::kComplete);
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(browser_->BodyInnerText(), u"fast page");

  // The state drops the moment the next navigation is asked for, not when the engine
  // gets round to it; the old body is no longer offered.
  browser_->Navigate2(Url("/lines.txt"));
  EXPECT_LT(browser_->ReadyState(), Browser::kComplete);
  try {
    browser_->BodyInnerText();
    ADD_FAILURE() << "a body was read while the next page loads";
  } catch (const base::RuntimeError& e) {
    EXPECT_EQ(e.Kind(), base::ErrorKind::InvalidCall);
  }
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(browser_->BodyInnerText().substr(0, 5), u"\r\n第一行");
}

TEST_F(QtBrowserTest, NavigationsWithoutALoadOfTheirOwnStillComplete) {
  // Waits on the ready state have no time limit: every navigation has to end.
  EXPECT_EQ(Load(*browser_, "/fast"), u"fast page");
  EXPECT_EQ(Load(*browser_, "/fast#part"), u"fast page");  // within the same document
  browser_->Navigate(u"http://");
  EXPECT_TRUE(WaitComplete(*browser_, 5000));
  browser_->Navigate(u"foo://bar");
  EXPECT_TRUE(WaitComplete(*browser_, 5000));
  // A blank page overtaking a load under way.
  StartSlowLoad();
  browser_->Navigate(u"about:blank");
  EXPECT_TRUE(WaitComplete(*browser_, 5000));
}

TEST_F(QtBrowserTest, OvertakenLoadsNeverComplete) {
  // Asked for one after the other in the same pass.
  browser_->Navigate(Url("/slow"));
  browser_->Navigate(Url("/fast"));
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(browser_->BodyInnerText(), u"fast page");

  // A slow load under way, overtaken by a fast one.
  StartSlowLoad();
  EXPECT_LT(browser_->ReadyState(), Browser::kComplete);
  browser_->Navigate(Url("/fast"));
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(browser_->BodyInnerText(), u"fast page");

  // Overtaken the moment the engine reports the end of the load, before the body is
  // captured: the view passes the engine's report on before the adapter sees it.
  auto* view = static_cast<QWebEngineView*>(window_->Control(u"WebBrowser1"));
  browser_->Navigate(Url("/lines.txt"));
  QObject::connect(
      view, &QWebEngineView::loadFinished, view, [&] { browser_->Navigate(Url("/slow")); },
      Qt::SingleShotConnection);
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(browser_->BodyInnerText(), u"slow page");

  // Overtaken while the body is being captured.
  browser_->Navigate(Url("/lines.txt"));
  int stateWhenOvertaken = -1;
  QObject::connect(
      view->page(), &QWebEnginePage::loadFinished, view,
      [&] {
        stateWhenOvertaken = browser_->ReadyState();
        browser_->Navigate(Url("/slow"));
      },
      Qt::SingleShotConnection);
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(stateWhenOvertaken, 3);
  EXPECT_EQ(browser_->BodyInnerText(), u"slow page");
}

TEST_F(QtBrowserTest, PortalBrowserLosesTheTopOfThePageAboveTheClientArea) {
  window_->AddMenuItem(u"move", u"高清影院", [] {});
  window_->Show();
  EXPECT_EQ(Load(*browser_, "/bands.html"), u"");
  QImage shown;
  // The engine paints a moment after the load completes.
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    shown = window_->ClientArea()->grab().toImage();
    return shown.pixelColor(10, 10) == QColor(0, 0, 255);
  }));
  for (int y = 0; y < shown.height(); y += 4) {
    ASSERT_NE(shown.pixelColor(100, y), QColor(255, 0, 0)) << "row " << y;
  }
}

TEST_F(QtBrowserTest, UnreachableAddressCompletesWithAnErrorPage) {
  support::RefusingPort refusing;
  const std::string url = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/up1.txt";

  browser_->SetSilent(true);
  browser_->Navigate(std::u16string(url.begin(), url.end()));
  ASSERT_TRUE(WaitComplete(*browser_));
  const std::u16string body = browser_->BodyInnerText();
  EXPECT_FALSE(body.empty());
  EXPECT_EQ(body.find(u"下载开始"), std::u16string::npos);
}

TEST_F(QtBrowserTest, DownloadBeginIsRaisedOnEveryLoadStart) {
  int begun = 0;
  browser_->OnDownloadBegin([&] { ++begun; });
  Load(*browser_, "/fast");
  EXPECT_EQ(begun, 1);
  Load(*browser_, "/lines.txt");
  EXPECT_EQ(begun, 2);

  // A navigation that overtakes one still loading begins too.
  StartSlowLoad();
  browser_->Navigate(Url("/fast"));
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(begun, 4);
}

// Watches for dialogs while a page loads, closing any it finds so the test goes on.
class DialogWatch {
 public:
  DialogWatch() : before_(qttest::VisibleTopLevels()) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start(20);
  }
  void Look() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      ++dialogs_;
      modal->close();
    }
    for (QWidget* widget : qttest::VisibleTopLevels()) {
      if (!before_.count(widget)) {
        ++windows_;
        widget->close();
      }
    }
  }
  int Dialogs() const { return dialogs_; }
  int Windows() const { return windows_; }

 private:
  std::set<QWidget*> before_;
  QTimer timer_;
  int dialogs_ = 0;
  int windows_ = 0;
};

TEST_F(QtBrowserTest, SilentPageAnswersScriptDialogsWithoutShowingThem) {
  browser_->SetSilent(true);
  EXPECT_TRUE(browser_->Silent());
  DialogWatch watch;
  EXPECT_EQ(Load(*browser_, "/dialogs.html"), u"confirm=false prompt=null");
  // The page's script has run to its end, past window.open; once the engine has also
  // answered a script of ours, anything the page opened is on screen.
  bool answered = false;
  dynamic_cast<QWebEngineView*>(browser_)->page()->runJavaScript(
      QStringLiteral("0"), [&](const QVariant&) { answered = true; });
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return answered; }));
  watch.Look();
  EXPECT_EQ(watch.Dialogs(), 0);
  EXPECT_EQ(watch.Windows(), 0);
}

TEST_F(QtBrowserTest, PageThatIsNotSilentShowsItsAlert) {
  // The counterpart of the silent case: the watch does see a dialog when there is one.
  browser_->SetSilent(false);
  DialogWatch watch;
  EXPECT_EQ(Load(*browser_, "/alert.html"), u"alerted");
  EXPECT_GE(watch.Dialogs() + watch.Windows(), 1);
}

TEST_F(QtBrowserTest, SilentPageIsLeftEvenWhenItAsksToStay) {
  browser_->SetSilent(true);
  EXPECT_EQ(Load(*browser_, "/leave.html"), u"stay");
  // The engine asks the page's question only once the user has touched the page.
  auto* view = dynamic_cast<QWebEngineView*>(browser_);
  ASSERT_NE(view, nullptr);
  ClickInTheCorner();
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return view->title() == u"touched"; }));
  DialogWatch watch;
  EXPECT_EQ(Load(*browser_, "/fast"), u"fast page");
  // The page's own confirm stays answered "no".
  EXPECT_EQ(Load(*browser_, "/dialogs.html"), u"confirm=false prompt=null");
  EXPECT_EQ(watch.Dialogs() + watch.Windows(), 0);
}

TEST_F(QtBrowserTest, SilentPageRefusesDownloads) {
  browser_->SetSilent(true);
  EXPECT_EQ(Load(*browser_, "/fast"), u"fast page");
  QPointer<QWebEngineDownloadRequest> download;
  QObject::connect(QWebEngineProfile::defaultProfile(), &QWebEngineProfile::downloadRequested,
                   window_->Frame(),
                   [&](QWebEngineDownloadRequest* request) { download = request; });
  DialogWatch watch;
  browser_->Navigate(Url("/file.bin"));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return !download.isNull(); }));
  ASSERT_TRUE(WaitComplete(*browser_));
  EXPECT_EQ(download->state(), QWebEngineDownloadRequest::DownloadCancelled);
  // The page that was shown stays.
  EXPECT_EQ(browser_->BodyInnerText(), u"fast page");
  EXPECT_EQ(watch.Dialogs(), 0);
  EXPECT_EQ(watch.Windows(), 0);
}

}  // namespace

#include "QtBrowserTest.moc"
