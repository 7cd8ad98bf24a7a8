#include "platform/qt/QtTextBox.h"

#include <QMouseEvent>

#include <limits>

#include "platform/qt/QtText.h"

namespace platform::qt {

QtTextBox::QtTextBox(QWidget* parent) : QLineEdit(parent) {
  // The boxes hold whatever the program stores in them, however long.
  setMaxLength(std::numeric_limits<int>::max());
  connect(this, &QLineEdit::textChanged, this, [this] { leftSelection_.reset(); });
}

void QtTextBox::SetText(const base::Text& text) {
  leftSelection_.reset();
  if (!isVisible()) {
    unshown_ = text;
    return;
  }
  unshown_.reset();
  setText(ToQString(text));
}

base::Text QtTextBox::Text() const {
  return unshown_ ? *unshown_ : text().toStdU16String();
}

void QtTextBox::ReplaceSelection(const base::Text& text) {
  // A text just set has its caret at the end and nothing selected.
  if (unshown_) {
    *unshown_ += text;
    return;
  }
  if (leftSelection_ && !hasFocus()) setSelection(leftSelection_->start, leftSelection_->length);
  leftSelection_.reset();
  insert(ToQString(text));
}

void QtTextBox::focusOutEvent(QFocusEvent* event) {
  if (hasSelectedText()) {
    leftSelection_ = Selection{selectionStart(), selectionLength()};
  } else {
    leftSelection_.reset();
  }
  QLineEdit::focusOutEvent(event);
}

void QtTextBox::showEvent(QShowEvent* event) {
  if (unshown_) {
    setText(ToQString(*unshown_));
    unshown_.reset();
  }
  QLineEdit::showEvent(event);
}

void QtTextBox::SetFocus() {
  setFocus(Qt::OtherFocusReason);
}

void QtTextBox::OnClick(std::function<void()> handler) {
  click_.Set(std::move(handler));
}

void QtTextBox::mousePressEvent(QMouseEvent* event) {
  // Qt places the caret first; the form's handler then sees the box as the user left it.
  QLineEdit::mousePressEvent(event);
  if (event->button() == Qt::LeftButton) {
    const QtHandler click = click_;
    click();
  }
}

}  // namespace platform::qt
