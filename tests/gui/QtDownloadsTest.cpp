// Downloads and the right-click menu of the browser adapter, with real X clicks against
// pages served on loopback, into a download folder of the test's own; and the browser's
// language, which is the program's whatever the machine's.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "QtTestSupport.h"
#include "base/Text.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindow.h"
#include "support/Ports.h"
#include "support/TempDir.h"

namespace {

using platform::Browser;
using platform::qt::QtEventLoop;
using platform::qt::QtWindow;

const std::string kTorrent = "d8:announce14:http://tracker4:infod4:name5:a.mp4ee";

// A page laid out to be clicked: a link to a torrent, a link that downloads, a picture
// and a line of text, each at a place of its own.
const char kPage[] =
    "<html><head><meta charset='utf-8'><title>测试/页</title></head>"
    "<body style='margin:0;font-size:20px'>"
    "<a href='/a.torrent' style='position:absolute;left:0;top:0;width:200px;height:50px;"
    "display:block;background:#ddd'>种子</a>"
    "<a href='/blob' download='片子.torrent' style='position:absolute;left:220px;top:0;"
    "width:200px;height:50px;display:block;background:#ddd'>下载</a>"
    "<img src='/pic.png' style='position:absolute;left:0;top:70px;width:100px;height:50px'>"
    "<p style='position:absolute;left:0;top:140px;margin:0'>一段文字 plain text</p>"
    "<a href='/broken.torrent' style='position:absolute;left:0;top:200px;width:200px;"
    "height:50px;display:block;background:#ddd'>坏的</a>"
    "</body></html>";

// Where on the page to click.
const QPoint kTorrentLink(100, 25);
const QPoint kDownloadLink(320, 25);
const QPoint kPicture(50, 95);
const QPoint kText(30, 150);
const QPoint kBrokenLink(100, 225);

// A green pixel.
const char kPng[] =
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGNgYPgPAAEDAQAIicLsAAAAAElFTkSuQmCC";

// A real click of the X server's at a point of the widget.
bool ClickAt(const QWidget& widget, QPoint at, int button) {
  const QPoint global = widget.mapToGlobal(at);
  const std::string click = "click " + std::to_string(button);
  if (QCursor::pos() == global) return qttest::Xdotool(click);
  return qttest::Xdotool("mousemove --sync " + std::to_string(global.x()) + " " +
                         std::to_string(global.y()) + " " + click);
}

// Puts the variable back as it was before the test set it.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) value_ = value;
  }
  ~SavedVariable() { value_ ? setenv(name_, value_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> value_;
};

class QtDownloadsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    auto& routes = server_->Routes();
    routes.Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kPage, "text/html; charset=utf-8");
    });
    routes.Get("/a.torrent", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kTorrent, "application/x-bittorrent");
    });
    routes.Get("/blob", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kTorrent, "application/octet-stream");
    });
    routes.Get("/pic.png", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(QByteArray::fromBase64(kPng).toStdString(), "image/png");
    });
    // Promises more than it sends, then hangs up.
    routes.Get("/broken.torrent", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(100000, "application/x-bittorrent",
                               [](std::size_t, std::size_t, httplib::DataSink& sink) {
                                 sink.write("d8:announce", 11);
                                 return false;
                               });
    });
    routes.Get("/language.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body><script>document.write(navigator.language)</script></body></html>",
          "text/html");
    });
    // A page whose own script starts a download, with nobody's click.
    routes.Get("/by-itself.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body>by itself<a id=l href='/a.torrent' download='auto.torrent'></a>"
          "<script>document.getElementById('l').click();</script></body></html>",
          "text/html; charset=utf-8");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    // A home without a user-dirs.dirs: the folder comes from the environment, and does
    // not exist yet.
    std::filesystem::create_directories(home_.path() / "home");
    setenv("HOME", (home_.path() / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_.path() / "config").c_str(), 1);
    setenv("XDG_DOWNLOAD_DIR", folder_.c_str(), 1);

    window_ = std::make_unique<QtWindow>(qttest::Window(u"浏览器", 9000, 6000));
    browser_ = &window_->AddBrowser(qttest::Control(u"WebBrowser1", {0, 0, 9000, 6000}), 0);
    browser_->OnDownloadBegin([this] { ++begun_; });
    window_->Show();
    // In the screen's corner, where no other test's window stands.
    window_->Frame()->move(0, 0);
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return window_->Frame()->pos() == QPoint(0, 0); }));
    browser_->Navigate(server_->Url("/page.html"));
    ASSERT_TRUE(WaitComplete());
    // Laid out: clicks land on the page's own places from here on.
    ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return View().title() == u"测试/页"; }));
  }
  void TearDown() override {
    window_.reset();
    loop_.DoEvents();
  }

  QWebEngineView& View() { return *dynamic_cast<QWebEngineView*>(browser_); }
  bool WaitComplete() {
    return qttest::WaitUntil(loop_, [&] { return browser_->ReadyState() == Browser::kComplete; });
  }
  // The notice over the bottom of the browser; empty when none is shown.
  std::u16string Notice() {
    auto* notice = View().findChild<QLabel*>(QStringLiteral("quorin-download-notice"));
    return notice != nullptr && notice->isVisible() ? notice->text().toStdU16String()
                                                    : std::u16string();
  }
  bool WaitNotice(const std::u16string& text) {
    return qttest::WaitUntil(loop_, [&] { return Notice() == text; });
  }
  std::filesystem::path Saved(const std::string& utf8Name) const {
    return folder_ / std::filesystem::path(std::u8string(utf8Name.begin(), utf8Name.end()));
  }
  std::u16string SavedText(const std::string& utf8Name) const {
    return QString::fromStdString(Saved(utf8Name).string()).toStdU16String();
  }
  std::set<std::string> FolderContents() const {
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ignored)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // Right-clicks at the point and waits for the menu.
  QMenu* OpenMenu(QPoint at) {
    if (!ClickAt(View(), at, 3)) return nullptr;
    QMenu* menu = nullptr;
    qttest::WaitUntil(loop_, [&] {
      menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      return menu != nullptr && menu->isVisible();
    });
    return menu;
  }

  static qttest::LoopbackServer* server_;
  support::TempDir home_{"quorin-downloads"};
  const std::filesystem::path folder_ = home_.path() / "下载的";
  SavedVariable savedHome_{"HOME"}, savedConfig_{"XDG_CONFIG_HOME"},
      savedFolder_{"XDG_DOWNLOAD_DIR"};
  QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  Browser* browser_ = nullptr;
  int begun_ = 0;
};

qttest::LoopbackServer* QtDownloadsTest::server_ = nullptr;

TEST_F(QtDownloadsTest, ClickedDownloadsLandUnderNamesThatReplaceNothing) {
  std::filesystem::create_directories(folder_);
  support::WriteFile(Saved("a.torrent"), "mine");
  struct Click {
    QPoint at;
    std::string saved;
  };
  const Click clicks[] = {
      {kTorrentLink, "a (1).torrent"},
      {kTorrentLink, "a (2).torrent"},
      // No navigation: the browser still says a download began.
      {kDownloadLink, "片子.torrent"},
      {kDownloadLink, "片子 (1).torrent"},
  };
  for (const Click& click : clicks) {
    const int begunBefore = begun_;
    ASSERT_TRUE(ClickAt(View(), click.at, 1));
    EXPECT_TRUE(WaitNotice(u"已下载到 " + SavedText(click.saved))) << click.saved;
    EXPECT_EQ(support::ReadFile(Saved(click.saved)), kTorrent) << click.saved;
    EXPECT_GT(begun_, begunBefore) << click.saved;
  }
  EXPECT_EQ(support::ReadFile(Saved("a.torrent")), "mine");
  EXPECT_EQ(FolderContents(), (std::set<std::string>{"a.torrent", "a (1).torrent", "a (2).torrent",
                                                     "片子.torrent", "片子 (1).torrent"}));
  // The page that was shown stays.
  EXPECT_EQ(View().title(), u"测试/页");
}

TEST_F(QtDownloadsTest, ADownloadAScriptStartsByItselfIsRefused) {
  QPointer<QWebEngineDownloadRequest> download;
  QObject watch;  // the connection goes with the test
  QObject::connect(View().page()->profile(), &QWebEngineProfile::downloadRequested, &watch,
                   [&](QWebEngineDownloadRequest* request) { download = request; });
  browser_->Navigate(server_->Url("/by-itself.html"));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return !download.isNull(); }));
  EXPECT_EQ(download->state(), QWebEngineDownloadRequest::DownloadCancelled);
  ASSERT_TRUE(WaitComplete());
  EXPECT_EQ(browser_->BodyInnerText(), u"by itself");
  EXPECT_TRUE(FolderContents().empty());
  EXPECT_EQ(Notice(), u"");
}

TEST_F(QtDownloadsTest, AFailedDownloadIsToldAndLeavesNothingBehind) {
  ASSERT_TRUE(ClickAt(View(), kBrokenLink, 1));
  ASSERT_TRUE(qttest::WaitUntil(loop_, [&] {
    return Notice().rfind(u"下载失败：broken.torrent（", 0) == 0;
  })) << base::ToUtf8(Notice());
  EXPECT_TRUE(qttest::WaitUntil(loop_, [&] { return FolderContents().empty(); }));
}

TEST_F(QtDownloadsTest, TheEngineSpeaksChinese) {
  browser_->Navigate(server_->Url("/language.html"));
  ASSERT_TRUE(WaitComplete());
  EXPECT_EQ(browser_->BodyInnerText(), u"zh-CN");
  // Its own error page.
  support::RefusingPort refusing;
  const std::string url = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/";
  browser_->Navigate(std::u16string(url.begin(), url.end()));
  ASSERT_TRUE(WaitComplete());
  const std::u16string error = browser_->BodyInnerText();
  EXPECT_NE(error.find(u"无法访问"), std::u16string::npos) << base::ToUtf8(error);
}

// What the menu may offer: entries that do something in this program.
const std::set<std::u16string> kWorkingEntries = {
    u"后退",     u"前进",           u"重新加载",     u"保存页面", u"剪切",         u"复制",
    u"粘贴",     u"粘贴并匹配样式", u"撤销",         u"重做",     u"全选",         u"复制链接地址",
    u"保存链接", u"复制图片",       u"复制图片地址", u"保存图片", u"复制媒体链接", u"显示控制",
    u"循环",     u"保存媒体",       u"退出全屏"};

TEST_F(QtDownloadsTest, TheMenuSpeaksChineseOffersOnlyWhatWorksAndSavesIntoTheFolder) {
  struct Case {
    QPoint at;
    std::set<std::u16string> offered;  // among others
    std::u16string chosen;
    std::string saved;
    std::string starts;  // the saved file's first bytes
  };
  const Case cases[] = {
      {kTorrentLink, {u"保存链接", u"复制链接地址"}, u"保存链接", "a.torrent", kTorrent},
      {kPicture, {u"保存图片", u"复制图片", u"复制图片地址"}, u"保存图片", "pic.png", "\x89PNG"},
      {kText, {u"重新加载", u"保存页面"}, u"保存页面", "测试_页.mhtml", "From: <Saved by Blink>"},
  };
  for (const Case& c : cases) {
    QMenu* menu = OpenMenu(c.at);
    ASSERT_NE(menu, nullptr) << c.saved;
    QAction* chosen = nullptr;
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
      const std::u16string text = actions[i]->text().toStdU16String();
      if (text == c.chosen) chosen = actions[i];
      if (!actions[i]->isSeparator()) {
        EXPECT_TRUE(kWorkingEntries.count(text)) << c.saved << ": " << base::ToUtf8(text);
      } else {  // never at either end or twice in a row
        EXPECT_FALSE(i == 0 || i + 1 == actions.size() || actions[i - 1]->isSeparator());
      }
    }
    for (const std::u16string& entry : c.offered) {
      EXPECT_TRUE(std::any_of(
          actions.begin(), actions.end(),
          [&](const QAction* action) { return action->text().toStdU16String() == entry; }))
          << c.saved << ": " << base::ToUtf8(entry);
    }
    ASSERT_NE(chosen, nullptr) << c.saved;
    ASSERT_TRUE(ClickAt(*menu, menu->actionGeometry(chosen).center(), 1));
    EXPECT_TRUE(WaitNotice(u"已下载到 " + SavedText(c.saved))) << base::ToUtf8(Notice());
    EXPECT_EQ(support::ReadFile(Saved(c.saved)).substr(0, c.starts.size()), c.starts) << c.saved;
  }
}

}  // namespace
