// The upgrade window on the real platform: Qt windows and timers, curl and POSIX files,
// fetching from the demo portal in this process.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <string>

#include "app/Form2.h"
#include "app/Program.h"
#include "demo/DemoPortal.h"
#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/openssl/OpenSslSignatureVerifier.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"
#include "support/TempDir.h"
#include "support/portal/RunningPortal.h"
#include "upgrade/Formsj2.h"

namespace {

namespace fs = std::filesystem;

// A program directory of the test's own; a launch fails and is remembered, so the
// process goes on to be looked at.
class NoLaunchShell : public platform::Shell {
 public:
  explicit NoLaunchShell(base::Text directory) : directory_(std::move(directory)) {}
  base::Text ProgramDirectory() override { return directory_; }
  bool Launch(const base::Text& path) override {
    launched.push_back(path);
    return false;
  }
  [[noreturn]] void EndProgram() override { std::abort(); }
  std::vector<base::Text> launched;

 private:
  base::Text directory_;
};

// The demo portal offering 3.1, sending the installer at `rate` bytes a second (0: at
// once), on a port the engine can reach.
support::RunningPortal Portal(std::size_t rate) {
  demo::PortalOptions options;
  options.version = "3.1";
  options.rate = rate;
  return support::RunningPortal(options, support::RunningPortal::Range::Short);
}

struct Upgrade : ::testing::Test {
  // Loads the main window from the portal and shows the upgrade window.
  upgrade::Formsj2& Start(const support::RunningPortal& portal) {
    program = std::make_unique<app::Program>(
        platform, app::Config{portal.Base(), u"http://maker.test", u"http://127.0.0.1:1",
                              u"http://127.0.0.1:1", u""});
    upgrade::RegisterFormsj2(*program);
    program->form2();
    auto& form = program->Reference<upgrade::Formsj2>();
    form.Show();
    return form;
  }
  // Runs the program's loop while `step` is polled every 20 ms.
  int RunPolling(std::function<void()> step) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, step);
    poll.start(20);
    return loop.Run();
  }
  std::string Installer() const { return support::ReadFile(directory / demo::kInstallerSaveAs); }

  support::TempDir temp{"quorin-upgrade"};
  fs::path directory = temp.path();
  platform::qt::QtUi ui;
  platform::qt::QtEventLoop loop;
  platform::posix::PosixClock clock;
  platform::curl::CookieStore cookies{clock};
  platform::curl::CurlHttpClient http{cookies};
  platform::posix::PosixFileSystem files;
  NoLaunchShell shell{base::FromUtf8(directory.string())};
  platform::posix::IconvCharset charset;
  platform::openssl::OpenSslSignatureVerifier signatures;
  platform::Platform platform{ui, loop, http, files, clock, shell, charset, signatures};
  std::unique_ptr<app::Program> program;
};

QWidget* UpgradeFrame() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() &&
        widget->windowTitle() == QStringLiteral("Quorin 高清云播放器  升级专用下载器"))
      return widget;
  return nullptr;
}

TEST_F(Upgrade, FetchesTheInstallerAndReportsALaunchThatFails) {
  auto portal = Portal(0);
  upgrade::Formsj2& form = Start(portal);
  const base::Text target = base::FromUtf8((directory / demo::kInstallerSaveAs).string());

  // What the window shows while the failure is reported; it is gone once the run ends.
  QString boxTitle, boxText;
  base::Text state, to, from, downloading;
  int bar = -1;
  const int code = RunPolling([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box && boxTitle.isEmpty()) {
      boxTitle = box->windowTitle();
      boxText = box->text();
      state = form.DownState.GetText();
      to = form.DownTo.GetText();
      from = form.DownForm.GetText();
      downloading = form.Downloading.GetText();
      bar = static_cast<int>(form.myProgressBar1.value());
      box->accept();
      // The window stays as it is; closing it ends the run, nothing else is on screen.
      QTimer::singleShot(0, [] { UpgradeFrame()->close(); });
    }
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(boxTitle.toStdU16String(), u"自动升级下载失败！！！");
  EXPECT_EQ(boxText.toStdU16String(), u"连接服务器失败！请访问官方网站下载最新版本！");
  EXPECT_EQ(shell.launched, std::vector<base::Text>{target});
  EXPECT_EQ(Installer(), demo::InstallerScript("3.1", ""));
  EXPECT_EQ(state, u"下载结束...");
  EXPECT_EQ(to, target);
  EXPECT_EQ(from, u"http://maker.test/download/Quorin.exe");
  EXPECT_EQ(downloading, u"已下载: 320 KB 文件大小:320 KB 当前进度:(100%)");
  EXPECT_EQ(bar, 100);
}

TEST_F(Upgrade, ClosingTheWindowDuringTheTransferStopsItAndEndsTheRun) {
  auto portal = Portal(64 * 1024);  // five seconds for the installer
  upgrade::Formsj2& form = Start(portal);
  bool closed = false;
  const int code = RunPolling([&] {
    if (!closed && form.DownState.GetText() == u"开始接收数据...") {
      closed = true;
      UpgradeFrame()->close();
    }
  });
  // The window, stopped transfer included, is gone with the run.
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(program->IsLoaded(app::FormId::Formsj2));
  EXPECT_TRUE(shell.launched.empty());
  EXPECT_LT(Installer().size(), demo::InstallerScript("3.1", "").size());
}

}  // namespace
