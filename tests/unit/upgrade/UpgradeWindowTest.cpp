#include <gtest/gtest.h>

#include <string>

#include "UpgradeWorld.h"

namespace upgradetest {
namespace {

using platform::MsgBoxResult;

TEST(UpgradeWindow, IsLaidOutAsDesigned) {
  World w;
  w.Accept();
  fakes::FakeWindow& window = w.UpgradeWindow();
  EXPECT_EQ(window.Spec().caption, u"Quorin 高清云播放器  升级专用下载器");
  EXPECT_EQ(window.Spec().clientWidth, 7515);
  EXPECT_EQ(window.Spec().clientHeight, 3030);
  EXPECT_EQ(window.Spec().style, platform::FrameStyle::FixedDialog);

  struct Row {
    const char16_t* name;
    platform::Rect rect;
    const char16_t* parent;
    const char16_t* text;
    base::Colour colour;
  };
  const Row rows[] = {
      {u"LbMsg(0)", {240, 240, 975, 180}, u"Frame3", u"远程文件：", base::kButtonText},
      {u"DownForm", {1320, 240, 7215, 180}, u"Frame3", u"", base::kButtonText},
      {u"LbMsg(1)", {240, 540, 975, 180}, u"Frame3", u"存放路径：", base::kButtonText},
      {u"DownTo", {1320, 540, 6855, 180}, u"Frame3", u"", base::kBlue},
      {u"LbMsg(2)", {120, 1680, 975, 180}, u"Frame3", u"下载进度：", base::kButtonText},
      {u"Downloading",
       {1080, 1680, 7215, 180},
       u"Frame3",
       u"0 of 0 bytes 当前进度(0%)",
       base::kBlack},
      {u"LbMsg(3)", {120, 1980, 975, 180}, u"Frame3", u"下载速度：", base::kButtonText},
      {u"DownSpeed", {1080, 1980, 7215, 180}, u"Frame3", u"0.00 KB/s", base::kRed},
      {u"LbMsg(4)", {120, 2280, 975, 180}, u"Frame3", u"下载状态：", base::kButtonText},
      {u"DownState", {1080, 2280, 4095, 180}, u"Frame3", u"", base::kBlue},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(base::ToUtf8(row.name));
    const auto& control = window.Controls().at(row.name);
    EXPECT_EQ(control.spec.parent, row.parent);
    EXPECT_EQ(control.spec.rect.left, row.rect.left);
    EXPECT_EQ(control.spec.rect.top, row.rect.top);
    EXPECT_EQ(control.spec.rect.width, row.rect.width);
    EXPECT_EQ(control.spec.rect.height, row.rect.height);
    EXPECT_EQ(window.Label(row.name).Text(), row.text);
    EXPECT_EQ(window.Label(row.name).Colour(), row.colour);
  }
  EXPECT_EQ(window.Controls().at(u"Frame3").caption, u"操作状态");
  EXPECT_EQ(window.Controls().at(u"myProgressBar1").spec.parent, u"Frame3");
  // The two value holders lie below the client area.
  EXPECT_GE(window.Controls().at(u"Text1").spec.rect.top, 3030);
  EXPECT_GE(window.Controls().at(u"Text2").spec.rect.top, 3030);

  widgets::ctlProgress& bar = w.Upgrade().myProgressBar1;
  EXPECT_EQ(bar.FillColor(), base::kBlue);
  EXPECT_EQ(bar.CaptionStyle(), 2);
  EXPECT_EQ(bar.Appearance(), 1);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.CaptionFont()->name, u"宋体");
}

TEST(UpgradeWindow, AnAcceptedOfferHidesTheMainWindowAndLoadsTheUpgradeWindow) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  w.ui.Answer(MsgBoxResult::Yes);
  w.program.Run();
  // The offer came during the main window's own load: it was never displayed.
  EXPECT_EQ(w.ui.Find(u"Form2")->ShowCount(), 0);
  fakes::FakeWindow& window = w.UpgradeWindow();
  EXPECT_TRUE(window.IsVisible());
  EXPECT_TRUE(window.Topmost());
  upgrade::Formsj2& form = w.Upgrade();
  EXPECT_EQ(form.Text1.GetText(), kInstallerAddress);
  EXPECT_EQ(form.Text2.GetText(), u"Quorin.exe");
  EXPECT_TRUE(w.T1().Enabled());
  EXPECT_EQ(w.T1().Interval(), 3000);
  EXPECT_TRUE(w.http.requests.empty());
}

TEST(UpgradeWindow, TheTickFetchesTheInstallerLaunchesItAndEndsTheProgram) {
  World w;
  w.Accept(u"3.31");  // a compulsory offer accepted goes the same way
  w.shell.AddProgram(kInstaller);
  EXPECT_THROW(w.T1().Tick(), fakes::ProgramEnded);

  ASSERT_EQ(w.http.requests.size(), 1u);
  EXPECT_EQ(w.http.requests[0].host, "files.test");
  EXPECT_EQ(w.http.requests[0].path, "/dl/QuorinSetup.exe");
  EXPECT_EQ(w.files.Contents(kInstaller), std::string(5000, 'x'));
  EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
  EXPECT_EQ(w.shell.EndCount(), 1);
  upgrade::Formsj2& form = w.Upgrade();
  EXPECT_EQ(form.DownForm.GetText(), u"http://maker.test/download/Quorin.exe");
  EXPECT_EQ(form.DownTo.GetText(), kInstaller);
  EXPECT_EQ(form.DownState.GetText(), u"下载结束...");
  EXPECT_EQ(form.Downloading.GetText(), u"已下载: 4.88 KB 文件大小:4.88 KB 当前进度:(100%)");
  EXPECT_FALSE(w.T1().Enabled());
  EXPECT_EQ(w.http.OpenHandles(), 0u);
}

TEST(UpgradeWindow, NoAddressNoDownload) {
  World w;
  w.Accept();
  w.Upgrade().Text1.SetText(u"");
  w.T1().Tick();
  EXPECT_TRUE(w.http.requests.empty());
  EXPECT_FALSE(w.T1().Enabled());
  EXPECT_EQ(w.Upgrade().Downloading.GetText(), u"0 of 0 bytes 当前进度(0%)");
  EXPECT_EQ(w.Upgrade().DownSpeed.GetText(), u"0.00 KB/s");
  EXPECT_EQ(w.Upgrade().DownTo.GetText(), u"");
}

TEST(UpgradeWindow, TheTransferTakesTheNameOfTheTickAndTheLaunchTheNameOfTheLoad) {
  World w;
  w.Accept();
  w.program.form2().Text7.SetText(u"Renamed.exe");
  w.shell.AddProgram(kInstaller);
  EXPECT_THROW(w.T1().Tick(), fakes::ProgramEnded);
  EXPECT_TRUE(w.files.Contents(kDirectory + u"/Renamed.exe"));
  EXPECT_FALSE(w.files.Contents(kInstaller));
  EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
}

TEST(UpgradeWindow, NamesLeavingTheProgramDirectoryAreRefused) {
  for (const char16_t* name : {u"/etc/profile.d/x.sh", u"../x.sh", u"dl/../../x.sh", u"..\\x.sh"}) {
    SCOPED_TRACE(base::ToUtf8(name));
    World w;
    w.Accept();
    w.program.form2().Text7.SetText(name);
    w.T1().Tick();
    EXPECT_TRUE(w.http.requests.empty());
    EXPECT_EQ(w.files.writes, 0);
    EXPECT_TRUE(w.shell.Launched().empty());
    EXPECT_EQ(w.Upgrade().DownState.GetText(), u"创建目录出错...");
    EXPECT_FALSE(w.T1().Enabled());
  }
}

TEST(UpgradeWindow, ALaunchNameLeavingTheDirectoryIsNotStarted) {
  World w;
  w.Accept();
  w.Upgrade().Text2.SetText(u"../../usr/bin/x");
  w.T1().Tick();
  EXPECT_TRUE(w.files.Contents(kInstaller));
  EXPECT_TRUE(w.shell.Launched().empty());
  EXPECT_EQ(w.shell.EndCount(), 0);
  EXPECT_EQ(w.ui.MessageBoxes().back().title, u"自动升级下载失败！！！");
}

TEST(UpgradeWindow, AFileThatIsNotAProgramShowsTheFailureAndStays) {
  World w;
  w.Accept();
  w.T1().Tick();  // the fake shell starts nothing it was not told of
  EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
  EXPECT_EQ(w.shell.EndCount(), 0);
  ASSERT_EQ(w.ui.MessageBoxes().size(), 2u);  // the offer, then the failure
  const auto& box = w.ui.MessageBoxes()[1];
  EXPECT_EQ(box.text, u"连接服务器失败！请访问官方网站下载最新版本！");
  EXPECT_EQ(box.title, u"自动升级下载失败！！！");
  EXPECT_EQ(box.buttons, platform::MsgBoxButtons::Ok);
  EXPECT_EQ(box.icon, platform::MsgBoxIcon::Error);
  EXPECT_EQ(w.Upgrade().DownState.GetText(), u"下载结束...");
  EXPECT_TRUE(w.UpgradeWindow().IsVisible());
}

TEST(UpgradeWindow, ACutOffInstallerIsNeverStarted) {
  World w;
  w.Accept();
  w.shell.AddProgram(kInstaller);
  w.http.response.failAfter = 3000;  // 5000 announced
  w.T1().Tick();
  EXPECT_EQ(w.Upgrade().DownState.GetText(), u"下载被中止...");
  EXPECT_TRUE(w.shell.Launched().empty());
  EXPECT_EQ(w.ui.MessageBoxes().size(), 1u);
}

TEST(UpgradeWindow, ATickDuringTheTransferStartsNoSecondOne) {
  World w;
  w.Accept();
  w.http.response.maxRead = 1024;
  bool enabledDuringTransfer = true;
  w.http.onRead = [&] {
    enabledDuringTransfer = enabledDuringTransfer && w.T1().Enabled();
    w.T1().Tick();
  };
  w.T1().Tick();
  EXPECT_FALSE(enabledDuringTransfer);
  EXPECT_EQ(w.http.requests.size(), 1u);
}

TEST(UpgradeWindow, ClosingItStopsTheTransferAndEndsARunWithNothingOnScreen) {
  World w;
  w.Accept();
  w.shell.AddProgram(kInstaller);
  w.http.response.maxRead = 1024;
  w.http.onRead = [&] {
    if (w.http.reads == 2) w.loop.Schedule([&] { w.UpgradeWindow().RequestClose(); });
  };
  fakes::FakeWindow& window = w.UpgradeWindow();
  w.T1().Tick();
  EXPECT_TRUE(window.Closed());
  EXPECT_TRUE(w.shell.Launched().empty());
  EXPECT_TRUE(w.loop.QuitCalled());
  EXPECT_TRUE(w.program.IsLoaded(app::FormId::Form2));
  EXPECT_LT(w.http.reads, 5);
  EXPECT_EQ(w.http.OpenHandles(), 0u);
  w.loop.RunPosted();  // the window goes once its handlers have returned
  EXPECT_FALSE(w.program.IsLoaded(app::FormId::Formsj2));
}

TEST(UpgradeWindow, ClosingItWithTheMainWindowOnScreenKeepsTheRun) {
  World w;
  w.Accept();
  w.program.form2().Show();
  fakes::FakeTimer& t1 = w.T1();
  w.UpgradeWindow().RequestClose();
  t1.Tick();  // due before the window is gone
  EXPECT_TRUE(w.http.requests.empty());
  EXPECT_FALSE(w.loop.QuitCalled());
  EXPECT_FALSE(w.program.IsLoaded(app::FormId::Formsj2));
}

TEST(UpgradeWindow, AMainWindowUnloadedBeforeTheTickIsLoadedAgainForTheName) {
  World w;
  w.Accept();
  app::Form2& first = w.program.form2();
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1", u"http://files.test/dl/",
                                                       u"QuorinSetup.exe", u"Fresh.exe"));
  w.program.Unload(first);
  w.shell.AddProgram(kInstaller);
  EXPECT_THROW(w.T1().Tick(), fakes::ProgramEnded);
  EXPECT_TRUE(w.files.Contents(kDirectory + u"/Fresh.exe"));
  EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
}

}  // namespace
}  // namespace upgradetest
