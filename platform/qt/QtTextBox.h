#pragma once

#include <QLineEdit>

#include <optional>

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
  void showEvent(QShowEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  struct Selection {
    int start = 0;
    int length = 0;
  };

  QtHandler click_;
  // The selection the box had when it lost the focus, which Qt drops then: a paste button
  // takes the focus before its click, and the user meant what was selected. Gone once
  // the text changes.
  std::optional<Selection> leftSelection_;
  // The text set while the box is not on the screen: Qt lays out every text it is given,
  // and a long one nobody sees (a manifest's value in a hidden box) would cost hundreds
  // of megabytes. Qt gets it when the box is shown.
  std::optional<base::Text> unshown_;
};

}  // namespace platform::qt
