// A page's file input on the real display: the user's own click or key press opens the
// desktop's file chooser, silent or not; a script alone never does.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "QtTestSupport.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindow.h"

namespace {

using platform::Browser;
using platform::qt::QtEventLoop;
using platform::qt::QtWindow;

// A page whose file input covers the whole page; its change handler counts and names what
// was chosen in the title. The title turns "ready" once the page has been painted: the
// engine drops input that comes before.
std::string InputPage(const std::string& attributes, const std::string& script = {}) {
  return "<html><head><title>loading</title></head><body style='margin:0'><p>upload</p>"
         "<input id=f type=file " +
         attributes +
         " style='position:fixed;left:0;top:0;width:100%;height:100%'><script>"
         "new PerformanceObserver((list) => {"
         "  if (list.getEntriesByName('first-contentful-paint').length)"
         "    document.title = 'ready';"
         "}).observe({type: 'paint', buffered: true});"
         "var changes = 0; const f = document.getElementById('f');"
         "f.onchange = () => { ++changes; document.title = 'chosen:' + "
         "Array.from(f.files).map(x => x.name + '/' + x.size).join(','); };" +
         script + "</script></body></html>";
}

// What a test does with the file chooser once it is on the screen.
using ChooserAction = std::function<void(QFileDialog&)>;

// Watches for the browser's file chooser from inside its modal loop, where the test
// itself is held up until the chooser closes. Any other modal dialog counts as well.
class ChooserWatch {
 public:
  explicit ChooserWatch(ChooserAction action) : action_(std::move(action)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start(20);
  }
  void Look() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (modal != seen_) {
      seen_ = modal;
      ++dialogs_;
      if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
        mode_ = chooser->fileMode();
        filters_ = chooser->nameFilters();
        owner_ = chooser->parentWidget() ? chooser->parentWidget()->window() : nullptr;
      }
    }
    // Acted on once the X server shows it, so that real input can reach it.
    if (modal == handled_ || !modal->windowHandle() || !modal->windowHandle()->isExposed()) return;
    handled_ = modal;
    if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
      action_(*chooser);
    } else {
      modal->close();
    }
  }
  // Modal dialogs seen so far, and whether the last one has gone again.
  int Dialogs() const { return dialogs_; }
  bool Closed() const { return handled_.isNull() || !handled_->isVisible(); }
  QFileDialog::FileMode Mode() const { return mode_; }
  const QStringList& Filters() const { return filters_; }
  QWidget* Owner() const { return owner_; }

 private:
  ChooserAction action_;
  QTimer timer_;
  QPointer<QWidget> seen_;
  QPointer<QWidget> handled_;
  int dialogs_ = 0;
  QFileDialog::FileMode mode_ = QFileDialog::AnyFile;
  QStringList filters_;
  QWidget* owner_ = nullptr;
};

// Real keys to a window of ours, given the X input focus first.
void Keys(QWidget& window, const std::string& xdotoolArguments) {
  ASSERT_TRUE(qttest::Xdotool("windowfocus --sync " + std::to_string(window.window()->winId()) +
                              " " + xdotoolArguments));
}

void Cancel(QFileDialog& chooser) {
  Keys(chooser, "key Escape");
}

class QtFileChooserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    auto& routes = server_->Routes();
    auto page = [&routes](const std::string& path, std::string html) {
      routes.Get(path, [html = std::move(html)](const httplib::Request&, httplib::Response& res) {
        res.set_content(html, "text/html; charset=utf-8");
      });
    };
    page("/torrent.html", InputPage("accept='.torrent'"));
    page("/multiple.html", InputPage("multiple"));
    page("/focused.html", InputPage("accept='.torrent'", "f.focus();"));
    // The usual styled upload button: the input is hidden, the button's handler clicks it.
    page("/button.html", InputPage("accept='.torrent' hidden",
                                   "const b = document.createElement('button');"
                                   "b.style.cssText = 'position:fixed;left:0;top:0;"
                                   "width:100%;height:100%';"
                                   "b.textContent = 'upload'; b.onclick = () => f.click();"
                                   "document.body.appendChild(b);"));
    // A script that opens the chooser by itself, as the page loads.
    page("/on-load.html", InputPage("", "f.click();"));
    // A script that opens it long after the user's last click, once that click no longer
    // counts as the user asking.
    page("/stale.html", InputPage("hidden",
                                  "document.onmousedown = () => { const poll = setInterval(() => {"
                                  "  if (navigator.userActivation.isActive) return;"
                                  "  clearInterval(poll); f.click(); document.title = 'asked';"
                                  "}, 50); };"));
    routes.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("still here", "text/plain; charset=utf-8");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    window_ = std::make_unique<QtWindow>(qttest::Window(u"上传种子", 9000, 6000));
    browser_ = &window_->AddBrowser(qttest::Control(u"WebBrowser1", {0, 0, 9000, 6000}), 0);
    view_ = dynamic_cast<QWebEngineView*>(browser_);
    ASSERT_NE(view_, nullptr);
    // The torrent window's browser turns silent with its first load.
    browser_->SetSilent(true);
    window_->Show();
    // In the screen's corner, where no other test's window stands (theirs are centred).
    window_->Frame()->move(0, 0);
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
      return window_->Frame()->pos() == QPoint(0, 0) &&
             window_->Frame()->windowHandle()->isExposed();
    }));
  }
  void TearDown() override {
    window_.reset();
    loop_.DoEvents();
  }

  // Loads the page and waits until it takes input.
  void Open(const std::string& path) {
    browser_->Navigate(server_->Url(path));
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
      return browser_->ReadyState() == Browser::kComplete && view_->title() == "ready";
    })) << path;
  }
  // The value of an expression in the page, once the engine has answered.
  QString Evaluate(const QString& expression) {
    auto answer = std::make_shared<std::optional<QString>>();
    view_->page()->runJavaScript(expression,
                                 [answer](const QVariant& value) { *answer = value.toString(); });
    if (!qttest::WaitUntil(loop_, [&] { return answer->has_value(); })) return "<no answer>";
    return **answer;
  }
  // A click of the X server's own in the middle of the page.
  void Click() { ASSERT_TRUE(qttest::ClickInTheMiddle(*view_)); }
  // The Space key on the page's focused input.
  void PressSpace() {
    view_->setFocus();
    Keys(*view_, "key space");
  }

  static qttest::LoopbackServer* server_;
  QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  Browser* browser_ = nullptr;
  QWebEngineView* view_ = nullptr;
};

qttest::LoopbackServer* QtFileChooserTest::server_ = nullptr;

TEST_F(QtFileChooserTest, TheUsersClickOrKeyOpensTheChooserAndCancellingLeavesThePage) {
  struct Case {
    const char* what;
    const char* page;
    bool byKey;
    QFileDialog::FileMode mode;
    const char* filter;  // one of the chooser's name filters; empty: not asked
  };
  const Case cases[] = {
      {"a click on a torrent input", "/torrent.html", false, QFileDialog::ExistingFile,
       "*.torrent"},
      {"a click on an input for several files", "/multiple.html", false, QFileDialog::ExistingFiles,
       ""},
      {"a click on a button that clicks the input", "/button.html", false,
       QFileDialog::ExistingFile, "*.torrent"},
      {"Space on the focused input", "/focused.html", true, QFileDialog::ExistingFile, "*.torrent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Open(c.page));
    ChooserWatch watch(Cancel);
    if (c.byKey) {
      PressSpace();
    } else {
      Click();
    }
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return watch.Dialogs() == 1 && watch.Closed(); }));
    EXPECT_EQ(watch.Mode(), c.mode);
    if (*c.filter) {
      EXPECT_TRUE(watch.Filters().join(u'|').contains(QLatin1String(c.filter)))
          << watch.Filters().join(u'|').toStdString();
    }
    EXPECT_EQ(watch.Owner(), window_->Frame());
    // Nothing chosen, nothing told to the page.
    EXPECT_EQ(Evaluate("changes + ' ' + f.files.length"), "0 0");
    EXPECT_EQ(view_->title(), "ready");
  }
  browser_->Navigate(server_->Url("/plain"));
  ASSERT_TRUE(
      qttest::WaitUntil(loop_, [&] { return browser_->ReadyState() == Browser::kComplete; }));
  EXPECT_EQ(browser_->BodyInnerText(), u"still here");
}

TEST_F(QtFileChooserTest, TheFileChosenReachesThePage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("seed.torrent");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write("d4:infod4:name4:demoee"), 22);
  file.close();

  ASSERT_NO_FATAL_FAILURE(Open("/torrent.html"));
  ChooserWatch watch([&](QFileDialog& chooser) {
    Keys(chooser, "type --delay 2 '" + path.toStdString() + "'");
    Keys(chooser, "key Return");
  });
  Click();
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return view_->title() != "ready"; }));
  EXPECT_EQ(view_->title(), "chosen:seed.torrent/22");
  EXPECT_EQ(watch.Dialogs(), 1);
}

TEST_F(QtFileChooserTest, AChooserAScriptOpensByItselfIsRefused) {
  struct Case {
    const char* what;
    const char* page;
    bool silent;
    bool userClicksFirst;
  };
  const Case cases[] = {
      {"as the page loads, silent", "/on-load.html", true, false},
      {"as the page loads, not silent", "/on-load.html", false, false},
      {"long after the user's click, silent", "/stale.html", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    browser_->SetSilent(c.silent);
    ChooserWatch watch(Cancel);
    ASSERT_NO_FATAL_FAILURE(Open(c.page));
    // The page has asked: as it loaded, before it was painted; or after the click.
    if (c.userClicksFirst) {
      Click();
      ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return view_->title() == "asked"; }));
    }
    // Once the engine has answered a script of ours, a chooser the page asked for
    // before would be on the screen.
    EXPECT_EQ(Evaluate("changes + ' ' + f.files.length"), "0 0");
    watch.Look();
    EXPECT_EQ(watch.Dialogs(), 0);
  }
}

}  // namespace
