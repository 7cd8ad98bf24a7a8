#pragma once

#include "app/Form.h"
#include "app/Program.h"
#include "platform/Browser.h"

namespace windows {

// The live-TV view: the portal's live-TV page in a browser, and a menu that switches to
// the other views.
class Form3 : public app::Form {
 public:
  static constexpr app::FormId kId = app::FormId::Form3;

  explicit Form3(app::Program& program);

  void Form_Load() override;

  platform::Browser& WebBrowser1;

 private:
  void m_Click();
  void t_Click();
  void y_Click();
  void WebBrowser1_DownloadBegin();
};

}  // namespace windows
