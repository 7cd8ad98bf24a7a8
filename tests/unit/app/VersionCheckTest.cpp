#include <gtest/gtest.h>

#include "AppWorld.h"
#include "app/Form2.h"

namespace apptest {
namespace {

using app::UpgradeOffer;
using platform::MsgBoxResult;

TEST(OfferFor, FollowsTheDifferenceAsText) {
  struct Case {
    const char16_t* server;
    UpgradeOffer offer;
  };
  const Case cases[] = {
      {u"", UpgradeOffer::None},
      {u"abc", UpgradeOffer::None},
      {u"0", UpgradeOffer::None},
      {u"2.9", UpgradeOffer::None},
      {u"3.0", UpgradeOffer::None},
      {u"3.05", UpgradeOffer::None},
      {u"3.1", UpgradeOffer::None},
      {u"3.11", UpgradeOffer::Compulsory},
      {u"3.15", UpgradeOffer::Compulsory},
      {u"3.2", UpgradeOffer::None},
      {u"3.21", UpgradeOffer::None},
      {u"3.25", UpgradeOffer::None},
      {u"3.29", UpgradeOffer::None},
      {u"3.3", UpgradeOffer::Optional},
      {u"3.3\r\n", UpgradeOffer::Optional},
      {u"3.3.1", UpgradeOffer::Optional},
      {u"3.31", UpgradeOffer::Compulsory},
      {u"3.35", UpgradeOffer::Compulsory},
      {u"3.4", UpgradeOffer::Compulsory},
      {u"4.1", UpgradeOffer::Compulsory},
      {u"13.1", UpgradeOffer::Compulsory},
      {u"&H4", UpgradeOffer::Compulsory},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::OfferFor(3.1, c.server), c.offer) << base::ToUtf8(c.server);
}

TEST(VersionCheck, NoOfferSwitchesTheTimerOnAndShowsNothing) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.2"));
  app::Form2& form = w.program.form2();
  EXPECT_TRUE(w.ui.MessageBoxes().empty());
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_EQ(form.Timer1.Interval(), 3000);
  EXPECT_EQ(form.localVersion, 3.1);
}

TEST(VersionCheck, OptionalOfferRefusedKeepsTheMainWindow) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  w.ui.Answer(MsgBoxResult::No);
  app::Form2& form = w.program.form2();
  ASSERT_EQ(w.ui.MessageBoxes().size(), 1u);
  const auto& box = w.ui.MessageBoxes()[0];
  EXPECT_EQ(
      box.text,
      u"发现新版本【Quorin.exe】,是否升级? "
      u"点击【是】自动下载最新版本【下载过程中请勿关闭软件】；点击【否】继续使用当前版本软件 ");
  // The version keeps the line break it was stored with.
  EXPECT_EQ(box.title, u"发现新版本!  服务器最新版本：3.3\r\n  官网：maker.test ");
  EXPECT_EQ(box.buttons, platform::MsgBoxButtons::YesNo);
  EXPECT_EQ(box.icon, platform::MsgBoxIcon::Information);
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_TRUE(w.program.IsLoaded(form));
  EXPECT_FALSE(w.program.IsLoaded(app::FormId::Formsj2));
}

TEST(VersionCheck, CompulsoryOfferRefusedEndsAtOnceWithoutReReadingTheManifest) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.31"));
  w.ui.Answer(MsgBoxResult::No);
  EXPECT_THROW(w.program.Run(), fakes::ProgramEnded);
  ASSERT_EQ(w.ui.MessageBoxes().size(), 1u);
  const auto& box = w.ui.MessageBoxes()[0];
  EXPECT_EQ(box.text,
            u"发现新版本【Quorin.exe】,当前版本太旧必须强制升级才能继续使用 "
            u"点击【是】自动下载最新版本【下载过程中请勿关闭软件】 ；点击【否】结束软件 ");
  EXPECT_EQ(box.title, u"发现新版本!必须升级  服务器最新版本：3.31\r\n  官网：maker.test ");
  EXPECT_EQ(box.icon, platform::MsgBoxIcon::Information);
  EXPECT_EQ(w.shell.EndCount(), 1);
  EXPECT_EQ(w.web.RequestCount(kManifestAddress), 1);
  EXPECT_EQ(w.MainWindow().ShowCount(), 0);
}

TEST(VersionCheck, AClosedBoxCountsAsNo) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"4.1"));
  EXPECT_THROW(w.program.form2(), fakes::ProgramEnded);
  EXPECT_EQ(w.shell.EndCount(), 1);
}

TEST(VersionCheck, TheSameVersionReadAgainAsksNothingNew) {
  World w;
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.3"));
  app::Form2& form = w.program.form2();
  form.ReadManifest();
  EXPECT_EQ(w.ui.MessageBoxes().size(), 1u);
  // A new version on the server is offered at the next read.
  w.web.SetDocument(kManifestAddress, StandardManifest(u"3.35"));
  w.ui.Answer(MsgBoxResult::No);
  EXPECT_THROW(form.ReadManifest(), fakes::ProgramEnded);
  EXPECT_EQ(w.ui.MessageBoxes().size(), 2u);
}

}  // namespace
}  // namespace apptest
