#include "platform/qt/QtLabelView.h"

#include "platform/qt/QtColours.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

QtLabelView::QtLabelView(QWidget* parent, base::Colour foreColour)
    : QLabel(parent), foreColour_(foreColour), show_([this] {
        // Laying out and painting a label's text costs far more than setting it.
        setText(ToQString(text_));
      }) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(false);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, ToQColor(foreColour, palette));
  setPalette(palette);
}

void QtLabelView::SetText(const base::Text& text) {
  if (text == text_) return;
  text_ = text;
  show_.Request();
}

}  // namespace platform::qt
