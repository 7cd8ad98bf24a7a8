#include "windows/Form3.h"

namespace windows {

Form3::Form3(app::Program& program)
    : Form(program, {.name = u"Form3",
                     .caption = u"Quorin 高清云播放器",
                     .clientWidth = 14475,
                     .clientHeight = 7950,
                     .style = platform::FrameStyle::FixedSingle}),
      // Its top border, scroll bars and right and bottom edges lie outside the client area.
      WebBrowser1(window_->AddBrowser(
          platform::ControlSpec{.name = u"WebBrowser1", .rect = {0, -210, 14775, 9015}}, 0)) {
  window_->AddMenuItem(u"m", u"高清影院", [this] { m_Click(); });
  window_->AddMenuItem(u"t", u"电视直播", [this] { t_Click(); });
  window_->AddMenuItem(u"y", u"BT云播放", [this] { y_Click(); });
  window_->AddMenuItem(u"h", u"帮助", nullptr);
  WebBrowser1.OnDownloadBegin([this] { WebBrowser1_DownloadBegin(); });
}

void Form3::Form_Load() {
  WebBrowser1.Navigate2(program_.GetConfig().portalBase + u"/yun/tv.html");
}

void Form3::m_Click() {
  SwitchTo(app::FormId::Form2);
}

void Form3::t_Click() {
  program_.Show(app::FormId::Form3);
}

void Form3::y_Click() {
  SwitchTo(app::FormId::Form4);
}

void Form3::WebBrowser1_DownloadBegin() {
  WebBrowser1.SetSilent(true);
}

}  // namespace windows
