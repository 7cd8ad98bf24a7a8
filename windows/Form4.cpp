#include "windows/Form4.h"

#include "windows/Pictures.h"

namespace windows {

Form4::Form4(app::Program& program)
    : Form(program, {.name = u"Form4",
                     .caption = u"Quorin 高清云播放器",
                     .clientWidth = 14805,
                     .clientHeight = 7800,
                     .style = platform::FrameStyle::FixedSingle}),
      WebBrowser1(window_->AddBrowser(
          platform::ControlSpec{.name = u"WebBrowser1", .rect = {0, 0, 14775, 7455}}, 0)),
      Text1(window_->AddTextBox(
          platform::ControlSpec{.name = u"Text1", .rect = {1440, 7440, 8055, 340}}, {}, 1)) {
  window_->AddMenuItem(u"m", u"高清影院", [this] { m_Click(); });
  window_->AddMenuItem(u"t", u"电视直播", [this] { t_Click(); });
  window_->AddMenuItem(u"y", u"BT云播放", [this] { y_Click(); });
  window_->AddMenuItem(u"sex", u"泡妞技巧", [this] { sex_Click(); });

  window_->AddPicture(platform::ControlSpec{.name = u"Image2", .rect = {0, 7440, 1350, 345}},
                      Image2Picture());
  struct Button {
    const char16_t* name;
    const char16_t* caption;
    platform::Rect rect;
    int tabIndex;
    void (Form4::*handler)();
  };
  static constexpr Button kButtons[] = {
      {u"Command1", u"上传种子", {9360, 7440, 975, 345}, 2, &Form4::Command1_Click},
      {u"Command2", u"播放", {10320, 7440, 855, 345}, 3, &Form4::Command2_Click},
      {u"Command3", u"粘帖", {11160, 7440, 975, 345}, 4, &Form4::Command3_Click},
      {u"Command5", u"粘帖并播放", {12120, 7440, 1215, 345}, 5, &Form4::Command5_Click},
      {u"Command4", u"下载种子", {13320, 7440, 1095, 375}, 6, &Form4::Command4_Click},
  };
  for (const Button& button : kButtons) {
    window_->AddButton(platform::ControlSpec{.name = button.name, .rect = button.rect},
                       button.caption, button.tabIndex,
                       [this, handler = button.handler] { (this->*handler)(); });
  }
  Text1.OnClick([this] { Text1_Click(); });
  WebBrowser1.OnDownloadBegin([this] { WebBrowser1_DownloadBegin(); });
}

void Form4::Form_Load() {
  WebBrowser1.Navigate(program_.GetConfig().portalBase + u"/yun/111");
}

void Form4::Command1_Click() {
  WebBrowser1.Navigate2(program_.GetConfig().portalBase + u"/yun");
}

void Form4::Command2_Click() {
  // The text goes to the service as it stands: no escaping, no trimming.
  WebBrowser1.Navigate(program_.GetConfig().videoService + u"/happyvod/api.html?url=" +
                       Text1.Text());
}

void Form4::Command3_Click() {
  Text1.ReplaceSelection(program_.Platform().ui.ClipboardText());
}

void Form4::Command4_Click() {
  WebBrowser1.Navigate2(program_.GetConfig().makerSite);
}

void Form4::Command5_Click() {
  Command3_Click();
  Command2_Click();
}

void Form4::Text1_Click() {
  Text1.SetText(u"");
  Text1.SetFocus();
}

void Form4::m_Click() {
  SwitchTo(app::FormId::Form2);
}

void Form4::t_Click() {
  SwitchTo(app::FormId::Form3);
}

void Form4::y_Click() {
  WebBrowser1.Navigate(program_.GetConfig().fileHost + u"/tfscom/T1UkuRXE4fXXXtxVjX.swf");
}

void Form4::sex_Click() {
  WebBrowser1.Navigate2(program_.GetConfig().portalBase + u"/yun/111");
}

void Form4::WebBrowser1_DownloadBegin() {
  WebBrowser1.SetSilent(true);
}

}  // namespace windows
