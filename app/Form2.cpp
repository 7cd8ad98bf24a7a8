#include "app/Form2.h"

#include "app/Program.h"
#include "base/Numbers.h"
#include "base/RuntimeError.h"
#include "config/QuorinConfig.h"

namespace app {

namespace {

// The manifest's values, in the order they are read and stored. The signature comes
// before the version: the version's change may open the upgrade window, which takes its
// copy of the signature as it loads.
struct ManifestRow {
  const char16_t* startMarker;
  int skip;
  const char16_t* endMarker;
  base::TextField Form2::*target;
};

constexpr ManifestRow kManifestRows[] = {
    {u"文件名下载", 7, u"文件名结束", &Form2::Text8},
    {u"改文件名", 6, u"完成文件", &Form2::Text7},
    {u"服务器一下载开始", 8, u"服务器一下载结束", &Form2::Text9},
    {u"安装包签名", 7, u"签名结束", &Form2::TextSig},
    {u"下载开始", 6, u"下载结束", &Form2::shengji},
};

}  // namespace

std::optional<base::Text> ExtractField(base::TextView body, base::TextView startMarker, int skip,
                                       base::TextView endMarker) {
  const auto s = static_cast<long long>(base::InStr(body, startMarker));
  const long long p = s + skip;
  const auto e = static_cast<long long>(base::InStr(body, endMarker));
  const long long n = e - p;
  if (n < 0) return std::nullopt;
  // A value cannot start before the first character: such a step fails like any
  // other and the field keeps its text.
  if (p < 1) return std::nullopt;
  return base::Mid(body, static_cast<std::size_t>(p), static_cast<std::size_t>(n));
}

UpgradeOffer OfferFor(double localVersion, base::TextView serverVersion) {
  const double own = base::LeadingNumber(base::NumberToText(localVersion));
  const double server = base::LeadingNumber(serverVersion);
  const base::Text difference = base::NumberToText(server - own);
  // Both sides are written by the same rule, so they share the decimal point.
  const int order = difference.compare(base::NumberToText(0.2));
  if (order < 0) return UpgradeOffer::None;
  return order == 0 ? UpgradeOffer::Optional : UpgradeOffer::Compulsory;
}

Form2::Form2(Program& program)
    : Form(program, {.name = u"Form2",
                     .caption = u"Quorin 高清云播放器",
                     .clientWidth = 14805,
                     .clientHeight = 7800,
                     // Resizing moves or resizes nothing on it.
                     .style = platform::FrameStyle::Sizable}),
      WebBrowser1(window_->AddBrowser(
          platform::ControlSpec{.name = u"WebBrowser1", .rect = {0, -480, 14775, 8295}}, 0)),
      WebBrowser2(window_->AddBrowser(
          platform::ControlSpec{
              .name = u"WebBrowser2", .rect = {5880, 120, 495, 495}, .visible = false},
          1)),
      Timer1(window_->AddTimer(u"Timer1", 3000, false, nullptr)),
      ManifestClock(
          window_->AddTimer(u"ManifestClock", 1000, false, [this] { ++manifestSeconds_; })) {
  // The auxiliary fields only hold state; the user has no use for them.
  AddField(shengji, u"shengji", {0, 585, 495, 270});
  AddField(Text8, u"Text8", {2160, 120, 1095, 375});
  AddField(Text7, u"Text7", {1080, 120, 780, 495});
  AddField(Text9, u"Text9", {3240, 120, 1095, 375});
  AddField(Text6, u"Text6", {0, 120, 1095, 375});
  AddField(Text4, u"Text4", {480, 480, 375, 375});
  AddField(Text10, u"Text10", {4320, 120, 1095, 375});
  AddField(TextSig, u"TextSig", {6480, 120, 1095, 375});

  shengji.OnChange([this] { shengji_Change(); });
  Text7.OnChange([this] { Text7_Change(); });
  Text8.OnChange([this] { Text8_Change(); });
  Text9.OnChange([this] { Text9_Change(); });
  TextSig.OnChange([this] { TextSig_Change(); });
  Text4.OnChange([this] { Text4_Change(); });
  WebBrowser1.OnDownloadBegin([this] { WebBrowser1_DownloadBegin(); });
  // The manifest is plain text: a page served in its place runs nothing.
  WebBrowser2.SetScriptsEnabled(false);

  AddMenu();
}

void Form2::AddField(base::TextField& field, const base::Text& name, platform::Rect rect) {
  AddTextBox(field, platform::ControlSpec{.name = name, .rect = rect, .visible = false}, 0);
}

void Form2::AddMenu() {
  struct Item {
    const char16_t* name;
    const char16_t* caption;
    void (Form2::*handler)();
  };
  static constexpr Item kItems[] = {
      {u"move", u"高清影院", &Form2::move_Click}, {u"tv", u"电视直播", &Form2::tv_Click},
      {u"yun", u"BT云播放", &Form2::yun_Click},   {u"DZ", u"动作片", &Form2::DZ_Click},
      {u"xj", u"喜剧片", &Form2::xj_Click},       {u"aq", u"爱情片", &Form2::aq_Click},
      {u"kf", u"科幻片", &Form2::kf_Click},       {u"kb", u"恐怖片", &Form2::kb_Click},
      {u"jq", u"剧情片", &Form2::jq_Click},       {u"dh", u"动画片", &Form2::dh_Click},
      {u"zy", u"综艺片", &Form2::zy_Click},       {u"cn", u"国产片", &Form2::cn_Click},
      {u"hk", u"港台片", &Form2::hk_Click},       {u"rh", u"日韩片", &Form2::rh_Click},
      {u"usa", u"欧美片", &Form2::usa_Click},
  };
  for (const Item& item : kItems) {
    std::function<void()> onClick;
    if (item.handler) onClick = [this, handler = item.handler] { (this->*handler)(); };
    window_->AddMenuItem(item.name, item.caption, std::move(onClick));
  }
}

void Form2::Form_Load() {
  WebBrowser1.Navigate(program_.GetConfig().portalBase + u"/yun/move");
  WebBrowser1.SetSilent(true);
  ReadManifest();
}

void Form2::ReadManifest() {
  WebBrowser2.Navigate(program_.GetConfig().portalBase + u"/yun/up1.txt");
  WebBrowser2.SetSilent(true);
  // Whatever document completes (an error page too) ends the wait. The loop sleeps
  // until the next event instead of polling. A server that accepts and never answers
  // must not hold the window (or its closing) for ever: after kManifestSeconds the read
  // has failed, the load is stopped and the fields keep their texts.
  const long deadline = manifestSeconds_ + kManifestSeconds;
  ++manifestWaits_;
  ManifestClock.SetEnabled(true);
  while (WebBrowser2.ReadyState() != platform::Browser::kComplete && manifestSeconds_ < deadline)
    program_.Platform().loop.WaitEvents();
  if (--manifestWaits_ == 0) ManifestClock.SetEnabled(false);
  if (WebBrowser2.ReadyState() != platform::Browser::kComplete) {
    WebBrowser2.Navigate(u"about:blank");
    return;
  }

  // From here on a failing step is skipped.
  base::Text body;
  if (!base::SkipOnFailure([&] { body = WebBrowser2.BodyInnerText(); })) return;
  for (const ManifestRow& row : kManifestRows) {
    base::SkipOnFailure([&] {
      auto value = ExtractField(body, row.startMarker, row.skip, row.endMarker);
      if (value) (this->*row.target).SetText(std::move(*value));
    });
  }
}

void Form2::Form_Unload() {
  ReadManifest();
}

void Form2::Clean(base::TextField& field) {
  field.SetText(base::Replace(field.GetText(), u"\r\n", u""));
  field.SetText(base::Replace(field.GetText(), u"\r", u""));
  field.SetText(base::Replace(field.GetText(), u"\n", u""));
}

void Form2::shengji_Change() {
  localVersion = QUORIN_VERSION;
  const UpgradeOffer offer = OfferFor(localVersion, shengji.GetText());
  if (offer == UpgradeOffer::None) {
    Timer1.SetEnabled(true);
    return;
  }
  const base::Text site = u"  官网：" + Config::HostOf(program_.GetConfig().makerSite) + u" ";
  base::Text text;
  base::Text title;
  if (offer == UpgradeOffer::Optional) {
    text = u"发现新版本【" + Text7.GetText() +
           u"】,是否升级? "
           u"点击【是】自动下载最新版本【下载过程中请勿关闭软件】；点击【否】继续使用当前版本软件 ";
    title = u"发现新版本!  服务器最新版本：" + shengji.GetText() + site;
  } else {
    text = u"发现新版本【" + Text7.GetText() +
           u"】,当前版本太旧必须强制升级才能继续使用 "
           u"点击【是】自动下载最新版本【下载过程中请勿关闭软件】 ；点击【否】结束软件 ";
    title = u"发现新版本!必须升级  服务器最新版本：" + shengji.GetText() + site;
  }
  const platform::MsgBoxResult answer = program_.Platform().ui.MessageBox(
      text, title, platform::MsgBoxButtons::YesNo, platform::MsgBoxIcon::Information);
  if (answer == platform::MsgBoxResult::Yes) {
    Hide();
    program_.Show(FormId::Formsj2);
  } else if (offer == UpgradeOffer::Optional) {
    Timer1.SetEnabled(true);
  } else {
    program_.EndProgram();
  }
}

void Form2::Text7_Change() {
  Clean(Text7);
}

void Form2::Text8_Change() {
  Clean(Text8);
}

void Form2::Text9_Change() {
  Clean(Text9);
  Text6.SetText(Text9.GetText() + Text8.GetText());
}

void Form2::TextSig_Change() {
  Clean(TextSig);
}

void Form2::Text4_Change() {
  ReadManifest();
}

void Form2::WebBrowser1_DownloadBegin() {
  WebBrowser1.SetSilent(true);
}

void Form2::Navigate(const base::Text& path) {
  WebBrowser1.Navigate(program_.GetConfig().portalBase + path);
}

void Form2::tv_Click() {
  SwitchTo(FormId::Form3);
}

void Form2::yun_Click() {
  SwitchTo(FormId::Form4);
}

void Form2::move_Click() {
  Navigate(u"/yun/move");
}
void Form2::DZ_Click() {
  Navigate(u"/yun/move/list.asp?dir=1.html");
}
void Form2::xj_Click() {
  Navigate(u"/yun/move/list.asp?dir=2.html");
}
void Form2::aq_Click() {
  Navigate(u"/yun/move/list.asp?dir=3.html");
}
void Form2::kf_Click() {
  Navigate(u"/yun/move/list.asp?dir=4.html");
}
void Form2::kb_Click() {
  Navigate(u"/yun/move/list.asp?dir=5.html");
}
void Form2::jq_Click() {
  Navigate(u"/yun/move/list.asp?dir=7.html");
}
void Form2::dh_Click() {
  Navigate(u"/yun/move/list.asp?dir=8.html");
}
void Form2::zy_Click() {
  Navigate(u"/yun/move/list.asp?dir=9.html");
}
void Form2::cn_Click() {
  Navigate(u"/yun/move/list.asp?dir=10.html");
}
void Form2::hk_Click() {
  Navigate(u"/yun/move/list.asp?dir=11.html");
}
void Form2::rh_Click() {
  Navigate(u"/yun/move/list.asp?dir=12.html");
}
void Form2::usa_Click() {
  Navigate(u"/yun/move/list.asp?dir=13.html");
}

}  // namespace app
