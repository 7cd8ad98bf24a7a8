#pragma once

#include "app/Form.h"
#include "app/Program.h"
#include "platform/Browser.h"
#include "platform/Ui.h"

namespace windows {

// The torrent player view: a portal page in a browser and, below it, a row that hands a
// pasted address to the video-resolving service.
class Form4 : public app::Form {
 public:
  static constexpr app::FormId kId = app::FormId::Form4;

  explicit Form4(app::Program& program);

  void Form_Load() override;

  platform::Browser& WebBrowser1;
  platform::TextBox& Text1;

 private:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void Text1_Click();
  void m_Click();
  void t_Click();
  void y_Click();
  void sex_Click();
  void WebBrowser1_DownloadBegin();
};

}  // namespace windows
