#pragma once

#include "platform/Ui.h"

namespace platform::qt {

class QtProfile;

// Windows, message boxes and the clipboard on Qt Widgets.
class QtUi : public platform::Ui {
 public:
  // Browsers on the engine's default profile.
  QtUi() = default;
  // Browsers on these profiles, which outlive every window.
  explicit QtUi(const QtProfile& profiles) : profiles_(&profiles) {}

  std::unique_ptr<Window> CreateWindow(const WindowSpec& spec) override;
  MsgBoxResult MessageBox(const base::Text& text, const base::Text& title, MsgBoxButtons buttons,
                          MsgBoxIcon icon) override;
  base::Text ClipboardText() override;

 private:
  const QtProfile* profiles_ = nullptr;
};

}  // namespace platform::qt
