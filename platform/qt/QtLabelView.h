#pragma once

#include <QLabel>

#include "platform/Ui.h"

namespace platform::qt {

// A label: plain text in its own colour, clipped to its rectangle.
class QtLabelView : public QLabel, public platform::LabelView {
 public:
  QtLabelView(QWidget* parent, base::Colour foreColour);

  void SetText(const base::Text& text) override;
  base::Text Text() const override;

  base::Colour ForeColour() const { return foreColour_; }

 private:
  base::Colour foreColour_;
};

}  // namespace platform::qt
