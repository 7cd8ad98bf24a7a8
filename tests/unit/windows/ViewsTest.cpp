#include <gtest/gtest.h>

#include "ViewsWorld.h"

namespace viewstest {
namespace {

using Names = std::vector<base::Text>;

TEST(Views, LiveTvWindowIsLaidOutAsDesigned) {
  World w;
  w.program.Show(app::FormId::Form3);
  fakes::FakeWindow& window = *w.Window(u"Form3");
  EXPECT_EQ(window.Spec().caption, u"Quorin 高清云播放器");
  EXPECT_EQ(window.Spec().clientWidth, 14475);
  EXPECT_EQ(window.Spec().clientHeight, 7950);
  EXPECT_EQ(window.Spec().style, platform::FrameStyle::FixedSingle);
  Names menu;
  for (const auto& item : window.MenuItems()) menu.push_back(item.name + u"=" + item.caption);
  EXPECT_EQ(menu, (Names{u"m=高清影院", u"t=电视直播", u"y=BT云播放", u"h=帮助"}));
  const platform::Rect r = window.Controls().at(u"WebBrowser1").spec.rect;
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.width, r.height}),
            (std::vector<int>{0, -210, 14775, 9015}));
  EXPECT_EQ(window.Browser(u"WebBrowser1").Navigations(), Names{kLiveTv});
  EXPECT_TRUE(window.IsVisible());
}

TEST(Views, EachViewUnloadsItselfThenShowsTheChosenOne) {
  World w;
  w.program.Run();  // nothing queued: returns once the main window shows
  ASSERT_EQ(w.OnScreen(), Names{u"Form2"});

  // Main window -> live TV: the main window's unload reads the manifest once more.
  w.Window(u"Form2")->ClickMenu(u"tv");
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_FALSE(w.program.IsLoaded(app::FormId::Form2));
  w.Settle();
  EXPECT_EQ(w.OnScreen(), Names{u"Form3"});
  EXPECT_FALSE(w.loop.QuitCalled());

  // "电视直播" in the live-TV window changes nothing; "帮助" does nothing.
  w.Window(u"Form3")->ClickMenu(u"t");
  w.Window(u"Form3")->ClickMenu(u"h");
  EXPECT_EQ(w.ui.CreatedCount(u"Form3"), 1);
  EXPECT_EQ(w.Window(u"Form3")->Browser(u"WebBrowser1").Navigations(), Names{kLiveTv});

  // Live TV -> torrent player -> live TV (a fresh window) -> main window (loaded afresh).
  w.Window(u"Form3")->ClickMenu(u"y");
  w.Settle();
  EXPECT_EQ(w.OnScreen(), Names{u"Form4"});
  w.Window(u"Form4")->ClickMenu(u"t");
  w.Settle();
  EXPECT_EQ(w.OnScreen(), Names{u"Form3"});
  EXPECT_EQ(w.ui.CreatedCount(u"Form3"), 2);
  EXPECT_EQ(w.Window(u"Form3")->Browser(u"WebBrowser1").Navigations(), Names{kLiveTv});
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.1", u"http://new/", u"n.exe"));
  w.Window(u"Form3")->ClickMenu(u"m");
  w.Settle();
  EXPECT_EQ(w.OnScreen(), Names{u"Form2"});
  EXPECT_EQ(w.ui.CreatedCount(u"Form2"), 2);
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 3);
  EXPECT_EQ(w.program.form2().Text6.GetText(), u"http://new/n.exe");
  EXPECT_EQ(w.Window(u"Form2")->Browser(u"WebBrowser1").Address(), kStartPage);

  // Main window -> torrent player -> main window.
  w.Window(u"Form2")->ClickMenu(u"yun");
  w.Settle();
  EXPECT_EQ(w.OnScreen(), Names{u"Form4"});
  w.Window(u"Form4")->ClickMenu(u"m");
  w.Settle();
  EXPECT_EQ(w.OnScreen(), Names{u"Form2"});
  EXPECT_FALSE(w.loop.QuitCalled());
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 5);
}

TEST(Views, ReturningToTheMainWindowChecksTheVersionAgain) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  w.program.Run();
  EXPECT_EQ(w.ui.MessageBoxes().size(), 1u);
  w.Window(u"Form2")->ClickMenu(u"tv");
  // The unload's re-read stores the same version: no message.
  EXPECT_EQ(w.ui.MessageBoxes().size(), 1u);
  w.Settle();
  w.Window(u"Form3")->ClickMenu(u"m");
  EXPECT_EQ(w.ui.MessageBoxes().size(), 2u);
}

TEST(Views, ClosingTheLastViewEndsTheRun) {
  for (const char16_t* view : {u"Form3", u"Form4"}) {
    World w;
    w.program.Show(view == base::Text(u"Form3") ? app::FormId::Form3 : app::FormId::Form4);
    w.Window(view)->RequestClose();
    EXPECT_EQ(w.program.LoadedCount(), 0u);
    EXPECT_EQ(w.web.RequestCount(kManifestAddress), 0);  // only the main window reads it
    w.Settle();
    EXPECT_TRUE(w.loop.QuitCalled());
    EXPECT_EQ(w.loop.QuitCode(), 0);
  }
}

TEST(Views, EveryBrowserStaysSilent) {
  World w;
  w.program.Show(app::FormId::Form3);
  w.program.Show(app::FormId::Form4);
  for (const char16_t* view : {u"Form3", u"Form4"}) {
    fakes::FakeBrowser& browser = w.Window(view)->Browser(u"WebBrowser1");
    browser.SetSilent(false);
    browser.RaiseDownloadBegin();
    EXPECT_TRUE(browser.Silent()) << base::ToUtf8(view);
  }
}

// Menu choices made while the main window waits for its manifest.

TEST(ViewSwitchNesting, ASecondChoiceDuringTheUnloadWait) {
  World w;
  w.program.Run();
  w.web.SetPassesToComplete(3);
  w.loop.ScheduleOnPass(1, [&] { w.Window(u"Form2")->ClickMenu(u"yun"); });
  w.loop.ScheduleOnPass(2, [&] { w.Window(u"Form2")->ClickMenu(u"tv"); });
  w.Window(u"Form2")->ClickMenu(u"tv");
  w.Settle();
  // One unload, one copy of each window; the choices made show their windows.
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_FALSE(w.program.IsLoaded(app::FormId::Form2));
  EXPECT_EQ(w.ui.CreatedCount(u"Form3"), 1);
  EXPECT_EQ(w.ui.CreatedCount(u"Form4"), 1);
  EXPECT_EQ(w.OnScreen(), (Names{u"Form4", u"Form3"}));
  EXPECT_FALSE(w.loop.QuitCalled());
}

TEST(ViewSwitchNesting, LeavingTheMainWindowWhileItLoads) {
  World w;
  w.program.Show(app::FormId::Form3);
  w.web.SetPassesToComplete(3);
  // Back to the main window; while its load waits the user leaves it for the live TV.
  w.loop.ScheduleOnPass(1, [&] { w.Window(u"Form2")->ClickMenu(u"tv"); });
  w.Window(u"Form3")->ClickMenu(u"m");
  w.Settle();
  EXPECT_FALSE(w.program.IsLoaded(app::FormId::Form2));
  EXPECT_EQ(w.OnScreen(), Names{u"Form3"});
  EXPECT_EQ(w.ui.Find(u"Form2"), nullptr);
  EXPECT_FALSE(w.loop.QuitCalled());
}

TEST(ViewSwitchNesting, ClosingTheMainWindowDuringItsUnloadWaitStillSwitches) {
  World w;
  w.program.Run();
  w.web.SetPassesToComplete(3);
  w.loop.ScheduleOnPass(1, [&] { w.Window(u"Form2")->RequestClose(); });
  w.Window(u"Form2")->ClickMenu(u"yun");
  w.Settle();
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 2);
  EXPECT_EQ(w.OnScreen(), Names{u"Form4"});
  EXPECT_FALSE(w.loop.QuitCalled());
}

}  // namespace
}  // namespace viewstest
