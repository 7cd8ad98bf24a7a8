#include <gtest/gtest.h>

#include "AppWorld.h"
#include "app/Form2.h"

namespace apptest {
namespace {

TEST(Menu, FifteenTopLevelItemsInOrder) {
  World w;
  w.program.form2();
  const std::vector<std::pair<base::Text, base::Text>> expected = {
      {u"move", u"高清影院"}, {u"tv", u"电视直播"}, {u"yun", u"BT云播放"}, {u"DZ", u"动作片"},
      {u"xj", u"喜剧片"},     {u"aq", u"爱情片"},   {u"kf", u"科幻片"},    {u"kb", u"恐怖片"},
      {u"jq", u"剧情片"},     {u"dh", u"动画片"},   {u"zy", u"综艺片"},    {u"cn", u"国产片"},
      {u"hk", u"港台片"},     {u"rh", u"日韩片"},   {u"usa", u"欧美片"},
  };
  std::vector<std::pair<base::Text, base::Text>> actual;
  for (const auto& item : w.MainWindow().MenuItems()) actual.emplace_back(item.name, item.caption);
  EXPECT_EQ(actual, expected);
}

TEST(Menu, NavigationItemsLoadTheirPageAndNothingElse) {
  const std::pair<const char16_t*, const char16_t*> items[] = {
      {u"move", u"/yun/move"},
      {u"DZ", u"/yun/move/list.asp?dir=1.html"},
      {u"xj", u"/yun/move/list.asp?dir=2.html"},
      {u"aq", u"/yun/move/list.asp?dir=3.html"},
      {u"kf", u"/yun/move/list.asp?dir=4.html"},
      {u"kb", u"/yun/move/list.asp?dir=5.html"},
      {u"jq", u"/yun/move/list.asp?dir=7.html"},
      {u"dh", u"/yun/move/list.asp?dir=8.html"},
      {u"zy", u"/yun/move/list.asp?dir=9.html"},
      {u"cn", u"/yun/move/list.asp?dir=10.html"},
      {u"hk", u"/yun/move/list.asp?dir=11.html"},
      {u"rh", u"/yun/move/list.asp?dir=12.html"},
      {u"usa", u"/yun/move/list.asp?dir=13.html"},
  };
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest());
  app::Form2& form = w.program.form2();
  for (const auto& [name, path] : items) {
    const auto requests = w.web.Requests().size();
    const auto log = w.ui.TextBoxLog().size();
    w.MainWindow().ClickMenu(name);
    EXPECT_EQ(w.Portal().Address(), kPortal + path) << base::ToUtf8(name);
    EXPECT_EQ(w.web.Requests().size(), requests + 1);
    EXPECT_EQ(w.ui.TextBoxLog().size(), log);
  }
  EXPECT_TRUE(w.program.IsLoaded(form));
  EXPECT_TRUE(w.ui.MessageBoxes().empty());
}

TEST(Silence, EveryDownloadOfThePortalBrowserReassertsSilent) {
  World w;
  w.program.form2();
  w.Portal().SetSilent(false);
  w.Portal().RaiseDownloadBegin();
  EXPECT_TRUE(w.Portal().Silent());
  // The manifest browser's notification is not handled.
  w.ManifestBrowser().SetSilent(false);
  w.ManifestBrowser().RaiseDownloadBegin();
  EXPECT_FALSE(w.ManifestBrowser().Silent());
}

TEST(Layout, OnlyThePortalBrowserIsShownToTheUser) {
  World w;
  w.program.form2();
  const auto& window = w.MainWindow();
  EXPECT_EQ(window.Spec().caption, u"Quorin 高清云播放器");
  EXPECT_EQ(window.Spec().clientWidth, 14805);
  EXPECT_EQ(window.Spec().clientHeight, 7800);
  for (const auto& [name, control] : window.Controls()) {
    EXPECT_EQ(control.spec.visible, name == u"WebBrowser1") << base::ToUtf8(name);
  }
  const auto& portal = window.Controls().at(u"WebBrowser1").spec.rect;
  // The top 32 pixels of every page lie above the client area.
  EXPECT_EQ(portal.top, -480);
  EXPECT_FALSE(window.Timer(u"Timer1").Enabled());
  EXPECT_EQ(window.Timer(u"Timer1").Interval(), 3000);
}

}  // namespace
}  // namespace apptest
