#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ViewsWorld.h"
#include "windows/Pictures.h"

namespace viewstest {
namespace {

using Names = std::vector<base::Text>;

struct TorrentWorld : World {
  TorrentWorld() { program.Show(app::FormId::Form4); }
  fakes::FakeWindow& Torrent() { return *Window(u"Form4"); }
  fakes::FakeBrowser& Browser() { return Torrent().Browser(u"WebBrowser1"); }
  fakes::FakeTextBox& Box() { return Torrent().TextBox(u"Text1"); }
};

TEST(TorrentWindow, IsLaidOutAsDesigned) {
  TorrentWorld w;
  fakes::FakeWindow& window = w.Torrent();
  EXPECT_EQ(window.Spec().caption, u"Quorin 高清云播放器");
  EXPECT_EQ(window.Spec().clientWidth, 14805);
  EXPECT_EQ(window.Spec().clientHeight, 7800);
  EXPECT_EQ(window.Spec().style, platform::FrameStyle::FixedSingle);
  Names menu;
  for (const auto& item : window.MenuItems()) menu.push_back(item.name + u"=" + item.caption);
  EXPECT_EQ(menu, (Names{u"m=高清影院", u"t=电视直播", u"y=BT云播放", u"sex=泡妞技巧"}));

  struct Row {
    const char16_t* name;
    platform::Rect rect;
    const char16_t* caption;
    int tabIndex;
  };
  const Row rows[] = {
      {u"WebBrowser1", {0, 0, 14775, 7455}, u"", 0},
      {u"Image2", {0, 7440, 1350, 345}, u"", -1},
      {u"Text1", {1440, 7440, 8055, 340}, u"", 1},
      {u"Command1", {9360, 7440, 975, 345}, u"上传种子", 2},
      {u"Command2", {10320, 7440, 855, 345}, u"播放", 3},
      {u"Command3", {11160, 7440, 975, 345}, u"粘帖", 4},
      {u"Command5", {12120, 7440, 1215, 345}, u"粘帖并播放", 5},
      {u"Command4", {13320, 7440, 1095, 375}, u"下载种子", 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(base::ToUtf8(row.name));
    const auto& control = window.Controls().at(row.name);
    EXPECT_EQ((std::vector<int>{control.spec.rect.left, control.spec.rect.top,
                                control.spec.rect.width, control.spec.rect.height}),
              (std::vector<int>{row.rect.left, row.rect.top, row.rect.width, row.rect.height}));
    EXPECT_EQ(control.caption, row.caption);
    EXPECT_EQ(control.tabIndex, row.tabIndex);
  }
  EXPECT_EQ(w.Box().Text(), u"");
  EXPECT_EQ(w.Browser().Navigations(), Names{kTorrentPage});
}

TEST(TorrentWindow, ThePictureIsA90By23Png) {
  const std::string png = windows::Image2Picture();
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  auto at = [&](std::size_t i) {
    return (std::uint32_t{static_cast<unsigned char>(png[i])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(png[i + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(png[i + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(png[i + 3])};
  };
  EXPECT_EQ(at(16), 90u);
  EXPECT_EQ(at(20), 23u);
}

TEST(TorrentWindow, ButtonsAndMenusGoWhereTheyShould) {
  struct Case {
    const char* what;
    std::function<void(TorrentWorld&)> act;
    base::Text address;
  };
  const base::Text service = u"http://video.test/happyvod/api.html?url=";
  const Case cases[] = {
      {"play, text as it stands",
       [](TorrentWorld& w) {
         w.Box().SetText(u" magnet:?xt=urn:btih:ab&dn=片 名#frag ");
         w.Torrent().ClickButton(u"Command2");
       },
       service + u" magnet:?xt=urn:btih:ab&dn=片 名#frag "},
      {"play, empty box", [](TorrentWorld& w) { w.Torrent().ClickButton(u"Command2"); }, service},
      {"paste and play, empty clipboard and box",
       [](TorrentWorld& w) { w.Torrent().ClickButton(u"Command5"); }, service},
      {"paste and play after a click",
       [](TorrentWorld& w) {
         w.Box().SetText(u"old");
         w.Box().Click();
         w.ui.SetClipboardText(u"http://v.test/a b");
         w.Torrent().ClickButton(u"Command5");
       },
       service + u"http://v.test/a b"},
      {"upload torrent", [](TorrentWorld& w) { w.Torrent().ClickButton(u"Command1"); },
       kPortal + u"/yun"},
      {"download torrent", [](TorrentWorld& w) { w.Torrent().ClickButton(u"Command4"); },
       u"http://maker.test"},
      {"BT cloud playback", [](TorrentWorld& w) { w.Torrent().ClickMenu(u"y"); },
       u"http://filehost.test/tfscom/T1UkuRXE4fXXXtxVjX.swf"},
      {"dating tips after another page",
       [](TorrentWorld& w) {
         w.Torrent().ClickButton(u"Command1");
         w.Torrent().ClickMenu(u"sex");
       },
       kTorrentPage},
  };
  for (const Case& c : cases) {
    TorrentWorld w;
    c.act(w);
    EXPECT_EQ(w.Browser().Address(), c.address) << c.what;
  }
}

TEST(TorrentWindow, PasteReplacesTheSelectionAndAClickClearsTheBox) {
  TorrentWorld w;
  w.Box().SetText(u"abcdef");
  w.Box().Select(2, 3);
  w.ui.SetClipboardText(u"XY");
  w.Torrent().ClickButton(u"Command3");
  EXPECT_EQ(w.Box().Text(), u"abXYf");
  w.ui.SetClipboardText(u"");
  w.Box().Select(0, 2);
  w.Torrent().ClickButton(u"Command3");  // an empty clipboard removes the selected part
  EXPECT_EQ(w.Box().Text(), u"XYf");
  EXPECT_EQ(w.Browser().Navigations(), Names{kTorrentPage});  // pasting navigates nowhere

  w.Box().Click();
  EXPECT_EQ(w.Box().Text(), u"");
  EXPECT_EQ(w.Box().FocusCount(), 1);
  w.ui.SetClipboardText(u"magnet:?xt=1");
  w.Torrent().ClickButton(u"Command3");
  EXPECT_EQ(w.Box().Text(), u"magnet:?xt=1");
}

}  // namespace
}  // namespace viewstest
