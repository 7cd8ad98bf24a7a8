// The main window on the real platform: Qt windows and browsers, curl, POSIX, against
// the demo portal in this process.

#include <gtest/gtest.h>

#include <QApplication>

#include <chrono>
#include <thread>

#include "app/Form2.h"
#include "app/Program.h"
#include "demo/DemoPortal.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixShell.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"

namespace {

struct RealPlatform {
  platform::qt::QtUi ui;
  platform::qt::QtEventLoop loop;
  platform::curl::CurlHttpClient http;
  platform::posix::PosixFileSystem files;
  platform::posix::PosixClock clock;
  platform::posix::PosixShell shell;
  platform::posix::IconvCharset charset;
  platform::Platform platform{ui, loop, http, files, clock, shell, charset};
};

// The demo portal on a free loopback port, served from its own thread.
class RunningPortal {
 public:
  explicit RunningPortal(std::string version,
                         std::chrono::milliseconds manifestDelay = std::chrono::milliseconds(0))
      : portal_(Options(std::move(version), manifestDelay)) {
    if (!portal_.Listen()) throw std::runtime_error("the demo portal cannot listen");
    thread_ = std::thread([this] { portal_.Run(); });
  }
  ~RunningPortal() {
    portal_.Stop();
    thread_.join();
  }
  base::Text Base() const {
    return u"http://127.0.0.1:" + base::FromUtf8(std::to_string(portal_.Port()));
  }

 private:
  static demo::PortalOptions Options(std::string version, std::chrono::milliseconds delay) {
    demo::PortalOptions options;
    options.port = 0;
    options.version = std::move(version);
    options.manifestDelay = delay;
    return options;
  }
  demo::DemoPortal portal_;
  std::thread thread_;
};

app::Config ConfigFor(const base::Text& portalBase) {
  return app::Config{portalBase, u"http://localhost:1", u"http://127.0.0.1:1",
                     u"http://127.0.0.1:1"};
}

TEST(MainWindowOnTheRealPlatform, ReadsTheGbkManifestThroughTheHiddenBrowser) {
  RunningPortal portal("3.2");  // a version that offers nothing
  RealPlatform real;
  app::Program program(real.platform, ConfigFor(portal.Base()));
  app::Form2& form = program.form2();

  const base::Text files = portal.Base() + u"/files/";
  const base::Text installer = base::FromUtf8(demo::InstallerName("3.2"));
  EXPECT_EQ(form.shengji.GetText(), u"3.2\r\n");
  EXPECT_EQ(form.Text8.GetText(), installer);
  EXPECT_EQ(form.Text7.GetText(), base::FromUtf8(std::string(demo::kInstallerSaveAs)));
  EXPECT_EQ(form.Text9.GetText(), files);
  EXPECT_EQ(form.Text6.GetText(), files + installer);

  // Unloading reads the manifest once more, then the run is over.
  program.Unload(form);
  EXPECT_EQ(program.LoadedCount(), 0u);
  EXPECT_EQ(real.loop.Run(), 0);
}

TEST(MainWindowOnTheRealPlatform, UnreachableManifestLeavesTheFieldsAsCreated) {
  RealPlatform real;
  // Nothing listens on port 1: the hidden browser completes with its error page.
  app::Program program(real.platform, ConfigFor(u"http://127.0.0.1:1"));
  app::Form2& form = program.form2();
  EXPECT_EQ(form.shengji.GetText(), u"0");
  EXPECT_EQ(form.Text6.GetText(), u"Text6");
  EXPECT_EQ(form.Text7.GetText(), u"Text7");
  EXPECT_EQ(form.Text8.GetText(), u"Text8");
  EXPECT_EQ(form.Text9.GetText(), u"Text9");
  program.Unload(form);
  EXPECT_EQ(real.loop.Run(), 0);
}

TEST(MainWindowOnTheRealPlatform, AManifestThatNeverComesFailsAndTheWindowGoesOn) {
  // The portal accepts the manifest request and holds its answer far longer than a read
  // may wait: the load ends with the fields as they were, and so does the unload.
  RunningPortal portal("3.3", std::chrono::minutes(10));
  RealPlatform real;
  app::Program program(real.platform, ConfigFor(portal.Base()));
  app::Form2& form = program.form2();
  EXPECT_EQ(form.shengji.GetText(), u"0");
  EXPECT_EQ(form.Text6.GetText(), u"Text6");
  program.Unload(form);
  EXPECT_EQ(real.loop.Run(), 0);
}

}  // namespace
