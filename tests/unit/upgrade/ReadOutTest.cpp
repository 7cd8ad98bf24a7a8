#include <gtest/gtest.h>

#include <cstdint>

#include "UpgradeWorld.h"
#include "base/RuntimeError.h"

namespace upgradetest {
namespace {

TEST(ReadOut, ProgressBecomesTheBarAndTheTwoTexts) {
  struct Case {
    double total, done, speed;
    int bar;                // the bar's value, rounded
    const char16_t* drawn;  // the bar's caption
    const char16_t* downloading;
    const char16_t* speedText;
  };
  const Case cases[] = {
      {2400016, 1340, 23506, 0, u"0.06%", u"已下载: 1.30 KB 文件大小:2.28 MB 当前进度:(0.06%)",
       u" 22.9 KB /s"},
      {3, 1, 0.5, 33, u"33.33%", u"已下载: 1 bytes 文件大小:3 bytes 当前进度:(33.33%)",
       u" 0 bytes /s"},
      {1000, 75, 1023.5, 8, u"7.50%", u"已下载: 75 bytes 文件大小:1000 bytes 当前进度:(7.5%)",
       u" 1.00 KB /s"},
      {100, 0, 0, 0, u"0.00%", u"已下载: 0 bytes 文件大小:100 bytes 当前进度:(0%)", u" 0 bytes /s"},
      // More than the total, and no Content-Length (the engine's total of 1).
      {100, 250, 0, 100, u"100.00%", u"已下载: 250 bytes 文件大小:100 bytes 当前进度:(100%)",
       u" 0 bytes /s"},
      {1, 4096, 0, 100, u"100.00%", u"已下载: 4.00 KB 文件大小:1 bytes 当前进度:(100%)",
       u" 0 bytes /s"},
      {-100, 50, 0, 0, u"0.00%", u"已下载: 50 bytes 文件大小:3.99 GB 当前进度:(0%)",
       u" 0 bytes /s"},
      // Sizes past 32 bits have no text.
      {4294967296.0, 2147483648.0, 3e9, 50, u"50.00%", u"已下载:  文件大小: 当前进度:(50%)",
       u"  /s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(base::ToUtf8(c.downloading));
    World w;
    upgrade::Formsj2& form = w.Accept();
    w.Bar().ClearDrawing();
    form.wd_Progress(c.total, c.done, c.speed);
    EXPECT_EQ(form.myProgressBar1.value(), c.bar);
    ASSERT_FALSE(w.Bar().Printed().empty());
    EXPECT_EQ(w.Bar().Printed().back(), c.drawn);
    EXPECT_EQ(form.Downloading.GetText(), c.downloading);
    EXPECT_EQ(form.DownSpeed.GetText(), c.speedText);
  }
}

TEST(ReadOut, ATotalOfZeroFailsBackToTheEngineAndChangesNothing) {
  World w;
  upgrade::Formsj2& form = w.Accept();
  form.wd_Progress(200, 50, 10);
  w.Bar().ClearDrawing();
  for (double done : {0.0, 10.0}) {
    try {
      form.wd_Progress(0, done, 99999);
      ADD_FAILURE() << "no error";
    } catch (const base::RuntimeError& e) {
      EXPECT_EQ(e.Kind(), base::ErrorKind::DivisionByZero);
    }
  }
  EXPECT_TRUE(w.Bar().Drawing().empty());
  EXPECT_EQ(form.myProgressBar1.value(), 25);
  EXPECT_EQ(form.Downloading.GetText(), u"已下载: 50 bytes 文件大小:200 bytes 当前进度:(25%)");
  EXPECT_EQ(form.DownSpeed.GetText(), u" 10 bytes /s");
}

TEST(ReadOut, StatusAndErrorCodesHaveTheirTexts) {
  struct Case {
    bool error;
    std::int32_t code;
    const char16_t* text;
  };
  const Case cases[] = {
      {false, 1, u"开始会话..."},       {false, 2, u"连接服务器..."},
      {false, 3, u"发送请求..."},       {false, 4, u"请求成功..."},
      {false, 5, u"开始接收数据..."},   {false, 0, u"未知状态..."},
      {false, 7, u"未知状态..."},       {false, -1, u"未知状态..."},
      {true, 1, u"会话失败..."},        {true, 2, u"连接服务器失败..."},
      {true, 3, u"发送请求失败..."},    {true, 4, u"下载被中止..."},
      {true, 5, u"文件已经存在..."},    {true, 6, u"创建目录出错..."},
      {true, 7, u"打开文件时出错..."},  {true, 0, u"打开文件时出错..."},
      {true, -1, u"打开文件时出错..."},
  };
  World w;
  upgrade::Formsj2& form = w.Accept();
  for (const Case& c : cases) {
    if (c.error) {
      form.wd_Error(static_cast<net::EngineError>(c.code));
    } else {
      form.wd_Status(static_cast<net::EngineStatus>(c.code));
    }
    EXPECT_EQ(form.DownState.GetText(), c.text) << c.error << " " << c.code;
  }
  // Only the finished text starts anything.
  EXPECT_TRUE(w.shell.Launched().empty());
  form.wd_DownloadEnd(true);
  EXPECT_TRUE(w.shell.Launched().empty());
}

TEST(ReadOut, StatusSixLaunchesBeforeTheEndEventArrives) {
  World w;
  upgrade::Formsj2& form = w.Accept();
  w.shell.AddProgram(kInstaller);
  EXPECT_THROW(form.wd_Status(net::EngineStatus::kFinished), fakes::ProgramEnded);
  EXPECT_EQ(w.shell.Launched(), std::vector<base::Text>{kInstaller});
}

}  // namespace
}  // namespace upgradetest
