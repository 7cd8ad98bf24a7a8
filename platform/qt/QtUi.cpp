#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/QtApplication.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtWindow.h"

namespace platform::qt {

namespace {

// A window kept above the others would otherwise cover the box that it asks the user.
bool AnyTopmostWindowShown() {
  for (const QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::unique_ptr<Window> QtUi::CreateWindow(const WindowSpec& spec) {
  return std::make_unique<QtWindow>(spec);
}

MsgBoxResult QtUi::MessageBox(const base::Text& text, const base::Text& title,
                              MsgBoxButtons buttons, MsgBoxIcon icon) {
  QMessageBox box;
  box.setWindowTitle(ToQString(title));
  box.setWindowIcon(ProgramIcon());
  // Shown as given: a text that happens to look like markup is not markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQString(text));
  box.setIcon(icon == MsgBoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information);
  // The buttons speak the program's language: its messages refer to them by name
  // ("点击【否】"), whatever language the desktop's Qt speaks.
  if (buttons == MsgBoxButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.setDefaultButton(QMessageBox::Ok);
  }
  box.setWindowModality(Qt::ApplicationModal);
  if (AnyTopmostWindowShown()) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return MsgBoxResult::Closed;
  if (clicked == box.button(QMessageBox::Yes)) return MsgBoxResult::Yes;
  if (clicked == box.button(QMessageBox::No)) return MsgBoxResult::No;
  if (clicked == box.button(QMessageBox::Ok)) return MsgBoxResult::Ok;
  return MsgBoxResult::Closed;
}

base::Text QtUi::ClipboardText() {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? clipboard->text().toStdU16String() : base::Text();
}

}  // namespace platform::qt
