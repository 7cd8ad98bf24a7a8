#pragma once

#include <QLineEdit>

#include "platform/Ui.h"
#include "platform/qt/QtHandler.h"

namespace platform::qt {

// A one-line text box. Its text is kept exactly as set (line breaks included); Qt only
// shows them as blanks.
class QtTextBox : public QLineEdit, public platform::TextBox {
 public:
  explicit QtTextBox(QWidget* parent);

  void SetText(const base::Text& text) override;
  base::Text Text() const override;
  void ReplaceSelection(const base::Text& text) override;
  void SetFocus() override;
  void OnClick(std::function<void()> handler) override;

  // The window is going away: no more clicks reach the form.
  void Retire() { click_.Clear(); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QtHandler click_;
};

}  // namespace platform::qt
