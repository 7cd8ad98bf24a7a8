#pragma once

#include "platform/Ui.h"

namespace platform::qt {

// Windows, message boxes and the clipboard on Qt Widgets.
class QtUi : public platform::Ui {
 public:
  std::unique_ptr<Window> CreateWindow(const WindowSpec& spec) override;
  MsgBoxResult MessageBox(const base::Text& text, const base::Text& title, MsgBoxButtons buttons,
                          MsgBoxIcon icon) override;
  base::Text ClipboardText() override;
};

}  // namespace platform::qt
