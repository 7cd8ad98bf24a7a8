// The main window on the real platform: Qt windows and browsers, curl, POSIX, against
// the demo portal in this process.

#include <gtest/gtest.h>

#include <QApplication>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "QtTestSupport.h"
#include "app/Form2.h"
#include "app/Program.h"
#include "demo/DemoPortal.h"
#include "demo/DemoSigning.h"
#include "platform/real/RealPlatform.h"
#include "support/portal/RunningPortal.h"

namespace {

using platform::real::RealPlatform;

// The demo portal offering the version, answering the manifest after the delay.
support::RunningPortal Portal(
    std::string version, std::chrono::milliseconds manifestDelay = std::chrono::milliseconds(0)) {
  demo::PortalOptions options;
  options.version = std::move(version);
  options.manifestDelay = manifestDelay;
  return support::RunningPortal(options);
}

app::Config ConfigFor(const base::Text& portalBase) {
  return app::Config{portalBase, u"http://localhost:1", u"http://127.0.0.1:1",
                     u"http://127.0.0.1:1", u""};
}

TEST(MainWindowOnTheRealPlatform, ReadsTheGbkManifestThroughTheHiddenBrowser) {
  auto portal = Portal("3.2");  // a version that offers nothing
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
  // The signature block, read through the same browser and cleaned of its line breaks.
  EXPECT_EQ(form.TextSig.GetText(),
            base::FromUtf8(demo::DemoSignature(demo::InstallerScript("3.2", ""))));

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
  auto portal = Portal("3.3", std::chrono::minutes(10));
  RealPlatform real;
  app::Program program(real.platform, ConfigFor(portal.Base()));
  app::Form2& form = program.form2();
  EXPECT_EQ(form.shengji.GetText(), u"0");
  EXPECT_EQ(form.Text6.GetText(), u"Text6");
  program.Unload(form);
  EXPECT_EQ(real.loop.Run(), 0);
}

}  // namespace

namespace {

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TEST(MainWindowOnTheRealPlatform, AManifestOfMegabyteValuesCostsLittleInThisProcess) {
  // Four values of 1 MB each, in GBK as the portal serves them.
  const std::string big(1 << 20, 'x');
  const std::string manifest =
      base::ToGbk(u"下载开始") + "\r\n3.1\r\n" + base::ToGbk(u"下载结束") + "\r\n" +
      base::ToGbk(u"服务器一下载开始") + "\r\n" + big + "\r\n" + base::ToGbk(u"服务器一下载结束") +
      "\r\n" + base::ToGbk(u"文件名下载") + "\r\n" + big + "\r\n" + base::ToGbk(u"文件名结束") +
      "\r\n" + base::ToGbk(u"改文件名") + "\r\n" + big + "\r\n" + base::ToGbk(u"完成文件") + "\r\n";
  qttest::LoopbackServer server;
  server.Routes().Get("/yun/up1.txt", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(manifest, "text/plain");
  });
  server.Routes().Get("/yun/move", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("start", "text/plain");
  });
  server.Start();
  const std::u16string base = server.Url("");
  RealPlatform real;
  {
    // The browser engine's own start costs what it costs; it is paid here first.
    app::Program warm(real.platform, ConfigFor(u"http://127.0.0.1:1"));
    warm.Unload(warm.form2());
    real.loop.Run();
  }
  const long before = ResidentKiB();
  app::Program program(real.platform, ConfigFor(base));
  app::Form2& form = program.form2();
  const long grown = (ResidentKiB() - before) / 1024;
  EXPECT_EQ(form.Text7.GetText().size(), std::size_t{1} << 20);
  EXPECT_EQ(form.Text6.GetText().size(), std::size_t{2} << 20);
  std::printf("main process grew by %ld MiB for the manifest\n", grown);
  // 252 MiB while the hidden boxes laid their texts out; about 30 now: the body text
  // the browser holds, the fields and the boxes' copies of them. The address
  // sanitizer's allocator keeps freed memory and pads every block, so its figure says
  // nothing of ours.
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(grown, 32);
#endif
  program.Unload(form);
  real.loop.Run();
}

}  // namespace
