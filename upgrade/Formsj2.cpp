#include "upgrade/Formsj2.h"

#include <string>

#include "app/Form2.h"
#include "base/Colour.h"
#include "base/Numbers.h"
#include "base/RuntimeError.h"
#include "upgrade/FormatBytes.h"
#include "upgrade/InstallerPath.h"
#include "widgets/SavedProgressBar.h"

namespace upgrade {

namespace {

const base::Text kFrame = u"Frame3";
constexpr platform::Rect kBarRect{120, 2520, 7095, 375};

const char16_t* StatusText(net::EngineStatus lStatus) {
  switch (lStatus) {
    case net::EngineStatus::kOpening:
      return u"开始会话...";
    case net::EngineStatus::kConnecting:
      return u"连接服务器...";
    case net::EngineStatus::kRequesting:
      return u"发送请求...";
    case net::EngineStatus::kRequested:
      return u"请求成功...";
    case net::EngineStatus::kReceiving:
      return u"开始接收数据...";
    case net::EngineStatus::kFinished:
      return kFinishedText;
  }
  return u"未知状态...";  // a code the engine does not name
}

const char16_t* ErrorText(net::EngineError lErrorCode) {
  switch (lErrorCode) {
    case net::EngineError::kSession:
      return u"会话失败...";
    case net::EngineError::kConnection:
      return u"连接服务器失败...";
    case net::EngineError::kRequest:
      return u"发送请求失败...";
    case net::EngineError::kStopped:
      return u"下载被中止...";
    case net::EngineError::kExists:
      return u"文件已经存在...";
    case net::EngineError::kDirectory:
      return u"创建目录出错...";
    case net::EngineError::kFile:
      break;
  }
  // The file's failure, and any code the engine does not name.
  return u"打开文件时出错...";
}

}  // namespace

Formsj2::Formsj2(app::Program& program)
    : Form(program, {.name = u"Formsj2",
                     .caption = u"Quorin 高清云播放器  升级专用下载器",
                     .clientWidth = 7515,
                     .clientHeight = 3030,
                     .style = platform::FrameStyle::FixedDialog}),
      barHost_(static_cast<float>(kBarRect.width), static_cast<float>(kBarRect.height),
               std::make_shared<base::Font>()),
      T1(window_->AddTimer(u"T1", 3000, false, [this] { T1_Timer(); })),
      myProgressBar1(AddFrameAndBar(*window_), barHost_) {
  static constexpr const char16_t* kCaptions[] = {u"远程文件：", u"存放路径：", u"下载进度：",
                                                  u"下载速度：", u"下载状态："};
  static constexpr platform::Rect kCaptionRects[] = {{240, 240, 975, 180},
                                                     {240, 540, 975, 180},
                                                     {120, 1680, 975, 180},
                                                     {120, 1980, 975, 180},
                                                     {120, 2280, 975, 180}};
  for (std::size_t i = 0; i < LbMsg.size(); ++i) {
    LbMsg[i].SetText(kCaptions[i]);
    AddLabel(LbMsg[i],
             platform::ControlSpec{.name = u"LbMsg(" + base::FromLatin1(std::to_string(i)) + u")",
                                   .rect = kCaptionRects[i],
                                   .parent = kFrame},
             base::kButtonText);
  }
  AddLabel(
      DownForm,
      platform::ControlSpec{.name = u"DownForm", .rect = {1320, 240, 7215, 180}, .parent = kFrame},
      base::kButtonText);
  AddLabel(
      DownTo,
      platform::ControlSpec{.name = u"DownTo", .rect = {1320, 540, 6855, 180}, .parent = kFrame},
      base::kBlue);
  AddLabel(Downloading,
           platform::ControlSpec{
               .name = u"Downloading", .rect = {1080, 1680, 7215, 180}, .parent = kFrame},
           base::kBlack);
  AddLabel(DownSpeed,
           platform::ControlSpec{
               .name = u"DownSpeed", .rect = {1080, 1980, 7215, 180}, .parent = kFrame},
           base::kRed);
  AddLabel(DownState,
           platform::ControlSpec{
               .name = u"DownState", .rect = {1080, 2280, 4095, 180}, .parent = kFrame},
           base::kBlue);
  DownState.OnChange([this] { DownState_Change(); });

  // The bar as it was saved with the window: Min and Max stay 0 and 100, so its value
  // is a percentage.
  myProgressBar1.ReadProperties(widgets::SavedProgressBar());
  myProgressBar1.Resize();

  // Both lie below the client area: they only hold values.
  AddTextBox(Text1, platform::ControlSpec{.name = u"Text1", .rect = {1440, 4080, 4455, 735}}, 0);
  AddTextBox(Text2, platform::ControlSpec{.name = u"Text2", .rect = {1920, 5280, 3855, 495}}, 1);
}

Formsj2::~Formsj2() = default;

platform::Canvas& Formsj2::AddFrameAndBar(platform::Window& window) {
  // The frame holds every visible control, so it comes first.
  window.AddFrame(platform::ControlSpec{.name = kFrame, .rect = {25, 0, 7455, 3015}}, u"操作状态",
                  base::kBlack);
  return window.AddCanvas(
      platform::ControlSpec{.name = u"myProgressBar1", .rect = kBarRect, .parent = kFrame});
}

void Formsj2::Form_Load() {
  window_->SetTopmost();
  platform::Platform& p = program_.Platform();
  wd = std::make_unique<net::ZezazurIrud>(p.http, p.files, p.clock, p.loop, p.charset);
  wd->SetEvents({
      [this](double total, double done, double speed) { wd_Progress(total, done, speed); },
      [this](bool bSuccess) { wd_DownloadEnd(bSuccess); },
      [this](net::EngineStatus lStatus) { wd_Status(lStatus); },
      [this](net::EngineError lErrorCode) { wd_Error(lErrorCode); },
  });
  Text1.SetText(program_.form2().Text6.GetText());
  Text2.SetText(program_.form2().Text7.GetText());
  signature_ = program_.form2().TextSig.GetText();
  T1.SetEnabled(true);
}

void Formsj2::Form_Unload() {
  // The window lives on until its handlers have returned: no tick may start a transfer.
  T1.SetEnabled(false);
  if (wd) wd->bStop();
  if (!program_.AnyOtherVisible(*this)) program_.EndRun();
}

std::optional<base::Text> Formsj2::LocalPath(base::TextView name) {
  return InstallerPath(program_.Platform().shell.ProgramDirectory(), name);
}

void Formsj2::T1_Timer() {
  if (!Text1.GetText().empty()) {
    wd->SetURL(Text1.GetText());
    // The name is read again now: the main window may have re-read the manifest.
    const std::optional<base::Text> target = LocalPath(program_.form2().Text7.GetText());
    if (!target) {
      // A name that would leave the program directory is refused as a directory that
      // cannot be made.
      wd_Error(net::EngineError::kDirectory);
    } else {
      wd->SetFilename(*target);
      DownForm.SetText(program_.GetConfig().makerSite + u"/download/Quorin.exe");
      const base::Text& saved = wd->Filename();
      DownTo.SetText(saved.empty() ? base::Text(u"...") : saved);
      // One transfer per window: no tick may start another while this one runs.
      T1.SetEnabled(false);
      wd->DownloadToFile();
    }
  }
  T1.SetEnabled(false);
}

void Formsj2::DownState_Change() {
  if (DownState.GetText() != kFinishedText) return;
  bool launched = false;
  base::SkipOnFailure([&] {
    // The copy made at load names the file, whatever the main window says now.
    const std::optional<base::Text> installer = LocalPath(Text2.GetText());
    launched = installer && MakerSigned(*installer) && program_.Platform().shell.Launch(*installer);
  });
  if (!launched) {
    program_.Platform().ui.MessageBox(u"连接服务器失败！请访问官方网站下载最新版本！",
                                      u"自动升级下载失败！！！", platform::MsgBoxButtons::Ok,
                                      platform::MsgBoxIcon::Error);
    return;
  }
  program_.EndProgram();
}

bool Formsj2::MakerSigned(const base::Text& installer) {
  const base::Text& key = program_.GetConfig().updatePublicKey;
  if (key.empty()) return true;
  platform::Platform& p = program_.Platform();
  if (p.signatures.Verify(key, signature_, installer) == platform::SignatureCheck::Valid)
    return true;
  // Whatever came instead of the maker's installer goes: the file checked, and the one
  // downloaded when the manifest renamed it in between.
  p.files.DeleteFile(installer);
  if (wd && !wd->Filename().empty() && wd->Filename() != installer)
    p.files.DeleteFile(wd->Filename());
  return false;
}

void Formsj2::wd_Progress(double dbFileSize, double dbFinished, double dbSpeed) {
  const base::Text totalText = FormatBytes(dbFileSize);
  const base::Text doneText = FormatBytes(dbFinished);
  // A total of 0 fails here, before anything shows; the engine carries on.
  double pct = base::CheckedDivide(dbFinished, dbFileSize / 100);
  if (pct < 0) pct = 0;
  if (pct > 100) pct = 100;
  myProgressBar1.SetValue(pct);
  Downloading.SetText(u"已下载: " + doneText + u" 文件大小:" + totalText + u" 当前进度:(" +
                      base::NumberToText(base::RoundDecimals(pct, 2)) + u"%)");
  DownSpeed.SetText(u" " + FormatBytes(dbSpeed) + u" /s");
}

void Formsj2::wd_Status(net::EngineStatus lStatus) {
  DownState.SetText(StatusText(lStatus));
}

void Formsj2::wd_Error(net::EngineError lErrorCode) {
  DownState.SetText(ErrorText(lErrorCode));
}

void Formsj2::wd_DownloadEnd(bool) {}

void RegisterFormsj2(app::Program& program) {
  program.Register<Formsj2>();
}

}  // namespace upgrade
