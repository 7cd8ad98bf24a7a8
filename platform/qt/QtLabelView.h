#pragma once

#include <QLabel>

#include "platform/Ui.h"
#include "platform/qt/QtFramePacer.h"

namespace platform::qt {

// A label: plain text in its own colour, clipped to its rectangle. The text is the
// label's at once; Qt gets it at most once a frame, the last one set.
class QtLabelView : public QLabel, public platform::LabelView {
 public:
  QtLabelView(QWidget* parent, base::Colour foreColour);

  void SetText(const base::Text& text) override;
  base::Text Text() const override { return text_; }

  base::Colour ForeColour() const { return foreColour_; }
  // Whether the widget is still to be given the latest text.
  bool ShowPending() const { return show_.Pending(); }

 private:
  base::Colour foreColour_;
  base::Text text_;
  QtFramePacer show_;
};

}  // namespace platform::qt
