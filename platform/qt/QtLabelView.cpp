#include "platform/qt/QtLabelView.h"

#include "platform/qt/QtColours.h"

namespace platform::qt {

QtLabelView::QtLabelView(QWidget* parent, base::Colour foreColour)
    : QLabel(parent), foreColour_(foreColour) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(false);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, ToQColor(foreColour, palette));
  setPalette(palette);
}

void QtLabelView::SetText(const base::Text& text) {
  setText(QString::fromStdU16String(text));
}

base::Text QtLabelView::Text() const {
  return text().toStdU16String();
}

}  // namespace platform::qt
