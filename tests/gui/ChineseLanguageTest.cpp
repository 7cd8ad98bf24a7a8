// Under a desktop language that is not Chinese (the test runs under de_DE), the program's
// Qt texts and its browsers still speak Chinese.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <mutex>
#include <string>

#include "QtTestSupport.h"
#include "base/RuntimeError.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindow.h"
#include "support/Ports.h"

namespace {

using platform::Browser;
using platform::qt::QtEventLoop;
using platform::qt::QtWindow;

class ChineseLanguageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    // The page shows the languages its scripts see.
    server_->Routes().Get("/language.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><body><p id=p></p><script>document.getElementById('p').textContent = "
          "navigator.language + ' ' + navigator.languages.join();</script></body></html>",
          "text/html; charset=utf-8");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    window_ = std::make_unique<QtWindow>(qttest::Window(u"浏览器", 9000, 6000));
    browser_ = &window_->AddBrowser(qttest::Control(u"WebBrowser1", {0, 0, 9000, 6000}), 0);
    window_->Show();
  }
  void TearDown() override {
    window_.reset();
    loop_.DoEvents();
  }
  std::u16string Load(const std::u16string& url) {
    browser_->Navigate(url);
    if (!qttest::WaitUntil(loop_, [&] { return browser_->ReadyState() == Browser::kComplete; })) {
      return u"<timed out>";
    }
    try {
      return browser_->BodyInnerText();
    } catch (const base::RuntimeError&) {
      return u"<none>";
    }
  }

  static qttest::LoopbackServer* server_;
  QtEventLoop loop_;
  std::unique_ptr<QtWindow> window_;
  Browser* browser_ = nullptr;
};

qttest::LoopbackServer* ChineseLanguageTest::server_ = nullptr;

bool HasChinese(const std::u16string& text) {
  for (char16_t c : text) {
    if (c >= 0x4E00 && c <= 0x9FFF) return true;
  }
  return false;
}

TEST_F(ChineseLanguageTest, PagesSeeTheBrowsersLanguageAsChinese) {
  EXPECT_EQ(Load(server_->Url("/language.html")), u"zh-CN zh-CN");
}

TEST_F(ChineseLanguageTest, TheEnginesOwnErrorPageIsChinese) {
  support::RefusingPort refusing;
  const std::string url = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/";
  const std::u16string shown = Load(std::u16string(url.begin(), url.end()));
  EXPECT_TRUE(HasChinese(shown)) << base::ToUtf8(shown);
}

TEST_F(ChineseLanguageTest, TheMenuAndTheStandardDialogsAreChinese) {
  QWebEnginePage& page = *dynamic_cast<QWebEngineView*>(browser_)->page();
  EXPECT_EQ(page.action(QWebEnginePage::Back)->text().toStdU16String(), u"后退");
  EXPECT_EQ(page.action(QWebEnginePage::DownloadLinkToDisk)->text().toStdU16String(), u"保存链接");
  EXPECT_EQ(page.action(QWebEnginePage::DownloadMediaToDisk)->text().toStdU16String(), u"保存媒体");
  QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdU16String(), u"取消");
}

}  // namespace
