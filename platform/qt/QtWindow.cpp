#include "platform/qt/QtWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "base/RuntimeError.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtBrowser.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtColours.h"
#include "platform/qt/QtLabelView.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtTextBox.h"
#include "platform/qt/QtTimer.h"

namespace platform::qt {

namespace {

int Pixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / platform::kTwipsPerPixel));
}

Qt::WindowFlags FlagsOf(platform::FrameStyle style) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (style != platform::FrameStyle::FixedDialog) flags |= Qt::WindowMinimizeButtonHint;
  if (style == platform::FrameStyle::Sizable) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

}  // namespace

void QtWindowFrame::closeEvent(QCloseEvent* event) {
  // The window stays; the form's handler decides whether it goes.
  event->ignore();
  const QtHandler handler = closeRequest;
  handler();
}

void QtWindowFrame::InTabOrder(int tabIndex, QWidget* control) {
  const auto after =
      std::upper_bound(tabOrder_.begin(), tabOrder_.end(), tabIndex,
                       [](int index, const auto& entry) { return index < entry.first; });
  tabOrder_.emplace(after, tabIndex, control);
}

bool QtWindowFrame::Reachable(const QWidget* control) const {
  return control->isVisibleTo(this) && control->isEnabled();
}

void QtWindowFrame::FocusFirst() {
  for (const auto& [index, control] : tabOrder_) {
    if (Reachable(control)) {
      control->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

bool QtWindowFrame::focusNextPrevChild(bool next) {
  const int count = static_cast<int>(tabOrder_.size());
  // The control holding the focus, or holding the child that does (the browser's).
  int current = -1;
  if (const QWidget* focus = focusWidget()) {
    for (int i = 0; i < count && current < 0; ++i) {
      QWidget* control = tabOrder_[static_cast<std::size_t>(i)].second;
      if (control == focus || control->isAncestorOf(focus)) current = i;
    }
  }
  for (int step = 1; step <= count; ++step) {
    int i = 0;
    if (current < 0) {
      i = next ? step - 1 : count - step;
    } else {
      i = ((current + (next ? step : -step)) % count + count) % count;
    }
    QWidget* control = tabOrder_[static_cast<std::size_t>(i)].second;
    if (Reachable(control)) {
      // The reason tells a browser to start at its page's first element, or its last.
      control->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return QMainWindow::focusNextPrevChild(next);
}

QtWindow::QtWindow(const platform::WindowSpec& spec)
    : frame_(new QtWindowFrame),
      client_(new QWidget),
      clientWidth_(Pixels(spec.clientWidth)),
      clientHeight_(Pixels(spec.clientHeight)),
      sizable_(spec.style == platform::FrameStyle::Sizable) {
  frame_->setObjectName(ToQString(spec.name));
  frame_->setWindowFlags(FlagsOf(spec.style));
  frame_->setWindowTitle(ToQString(spec.caption));
  frame_->setWindowIcon(ProgramIcon());
  // A sizable window's client area follows the frame; the controls on it keep their
  // places and sizes, cut off or with room around them.
  if (!sizable_) client_->setFixedSize(clientWidth_, clientHeight_);
  frame_->setCentralWidget(client_);
  FixSize();
}

QtWindow::~QtWindow() {
  // Nothing of the form may run from here on, whatever Qt still has queued for these
  // widgets; the widgets themselves go when Qt is back where it is safe to delete them.
  for (auto& handler : handlers_) handler.Clear();
  for (auto* timer : timers_) timer->Retire();
  for (auto* browser : browsers_) browser->Retire();
  for (auto* box : textBoxes_) box->Retire();
  if (frame_) {
    frame_->closeRequest.Clear();
    frame_->hide();
    frame_->deleteLater();
  }
}

void QtWindow::FixSize() {
  const int menuHeight = menuBar_ ? menuBar_->heightForWidth(clientWidth_) : 0;
  const QSize size(clientWidth_, clientHeight_ + std::max(menuHeight, 0));
  if (!sizable_) {
    frame_->setFixedSize(size);
  } else if (!shown_) {
    frame_->resize(size);  // the design size until the user changes it
  }
}

void QtWindow::AddMenuItem(const base::Text& name, const base::Text& caption,
                           std::function<void()> onClick) {
  if (!menuBar_) {
    menuBar_ = new QMenuBar(frame_);
    // The bar belongs to the window on every desktop, never to a global menu.
    menuBar_->setNativeMenuBar(false);
    frame_->setMenuBar(menuBar_);
  }
  QAction* action = menuBar_->addAction(ToQString(caption));
  action->setObjectName(ToQString(name));
  QtHandler handler(std::move(onClick));
  handlers_.push_back(handler);
  QObject::connect(action, &QAction::triggered, action, [handler] { handler(); });
  FixSize();
}

QWidget* QtWindow::ParentOf(const ControlSpec& spec) const {
  if (spec.parent.empty()) return client_;
  const auto it = controls_.find(spec.parent);
  if (it == controls_.end() || !qobject_cast<QGroupBox*>(it->second)) {
    throw base::RuntimeError(base::ErrorKind::InvalidCall, "no such frame on the window");
  }
  return it->second;
}

void QtWindow::Place(QWidget* widget, const ControlSpec& spec) {
  widget->setObjectName(ToQString(spec.name));
  widget->setGeometry(Pixels(spec.rect.left), Pixels(spec.rect.top), Pixels(spec.rect.width),
                      Pixels(spec.rect.height));
  widget->setVisible(spec.visible);
  if (!spec.name.empty()) controls_[spec.name] = widget;
}

QWidget* QtWindow::Control(const base::Text& name) const {
  const auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

Browser& QtWindow::AddBrowser(const ControlSpec& spec, int tabIndex) {
  auto* browser = new QtBrowser(ParentOf(spec));
  Place(browser, spec);
  frame_->InTabOrder(tabIndex, browser);
  browsers_.push_back(browser);
  return *browser;
}

TextBox& QtWindow::AddTextBox(const ControlSpec& spec, const base::Text& text, int tabIndex) {
  auto* box = new QtTextBox(ParentOf(spec));
  box->SetText(text);
  box->setCursorPosition(0);
  Place(box, spec);
  box->setFocusPolicy(Qt::StrongFocus);
  frame_->InTabOrder(tabIndex, box);
  textBoxes_.push_back(box);
  return *box;
}

LabelView& QtWindow::AddLabel(const ControlSpec& spec, const base::Text& text,
                              base::Colour foreColour) {
  auto* label = new QtLabelView(ParentOf(spec), foreColour);
  label->SetText(text);
  Place(label, spec);
  // A label of the design is one line of its font tall; the desktop's font needs more
  // room than the one it was laid out with, and would lose the bottom of every line.
  label->resize(label->width(), std::max(label->height(), label->fontMetrics().height()));
  return *label;
}

void QtWindow::AddFrame(const ControlSpec& spec, const base::Text& caption,
                        base::Colour foreColour) {
  auto* frame = new QGroupBox(ToQString(caption), ParentOf(spec));
  QPalette palette = frame->palette();
  palette.setColor(QPalette::WindowText, ToQColor(foreColour, palette));
  frame->setPalette(palette);
  Place(frame, spec);
}

void QtWindow::AddButton(const ControlSpec& spec, const base::Text& caption, int tabIndex,
                         std::function<void()> onClick) {
  auto* button = new QPushButton(ToQString(caption), ParentOf(spec));
  button->setAutoDefault(false);
  QtHandler handler(std::move(onClick));
  handlers_.push_back(handler);
  QObject::connect(button, &QPushButton::clicked, button, [handler] { handler(); });
  Place(button, spec);
  button->setFocusPolicy(Qt::StrongFocus);
  frame_->InTabOrder(tabIndex, button);
}

void QtWindow::AddPicture(const ControlSpec& spec, const std::string& imageBytes) {
  auto* picture = new QLabel(ParentOf(spec));
  QPixmap pixmap;
  pixmap.loadFromData(reinterpret_cast<const uchar*>(imageBytes.data()),
                      static_cast<uint>(imageBytes.size()));
  picture->setPixmap(pixmap);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(picture, spec);
}

Timer& QtWindow::AddTimer(const base::Text& name, int intervalMs, bool enabled,
                          std::function<void()> onTick) {
  auto* timer = new QtTimer(frame_, intervalMs, enabled && !closed_, std::move(onTick));
  timer->setObjectName(ToQString(name));
  timers_.push_back(timer);
  return *timer;
}

Canvas& QtWindow::AddCanvas(const ControlSpec& spec) {
  auto* canvas = new QtCanvas(ParentOf(spec));
  Place(canvas, spec);
  return *canvas;
}

void QtWindow::Show() {
  if (closed_ || !frame_) return;
  FixSize();
  const bool first = !shown_;
  if (!shown_) {
    shown_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      frame_->move(area.x() + (area.width() - frame_->width()) / 2,
                   area.y() + (area.height() - frame_->height()) / 2);
    }
  }
  frame_->show();
  // It opens with the first control of its tab order, as the design lays it out.
  if (first && !frame_->focusWidget()) frame_->FocusFirst();
  frame_->raise();
  frame_->activateWindow();
}

void QtWindow::Hide() {
  if (frame_) frame_->hide();
}

bool QtWindow::IsVisible() const {
  return frame_ && frame_->isVisible();
}

void QtWindow::Close() {
  // Off the screen for good: nothing of it ticks any more.
  closed_ = true;
  for (auto* timer : timers_) timer->SetEnabled(false);
  if (frame_) frame_->hide();
}

void QtWindow::SetTopmost() {
  if (!frame_ || frame_->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return;
  // Changing a window's flags takes it off the screen; put it back where it was.
  const bool visible = frame_->isVisible();
  const QPoint position = frame_->pos();
  frame_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (visible) {
    frame_->move(position);
    frame_->show();
  }
}

void QtWindow::OnCloseRequest(std::function<void()> handler) {
  if (frame_) frame_->closeRequest.Set(std::move(handler));
}

}  // namespace platform::qt
