#include "platform/qt/QtFullScreen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QWebEnginePage>

#include "platform/qt/QtBrowserKeys.h"

namespace platform::qt {

QtFullScreenView::QtFullScreenView(QWebEnginePage& page, std::function<void()> onLeave)
    : page_(page), onLeave_(std::move(onLeave)) {
  setObjectName(QStringLiteral("QuorinFullScreen"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
  // The engine's own menu would offer what this program cannot do; the page's stays.
  setContextMenuPolicy(Qt::NoContextMenu);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setAutoFillBackground(true);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  QObject::connect(escape, &QShortcut::activated, this, [this] {
    const std::function<void()> leave = onLeave_;
    if (leave) leave();
  });
}

void QtFullScreenView::closeEvent(QCloseEvent* event) {
  // Closed by the desktop (a key of the window manager): the page goes back, nothing is lost.
  event->ignore();
  const std::function<void()> leave = onLeave_;
  if (leave) leave();
}

bool QtFullScreenView::HoldsPage() const {
  return QWebEngineView::forPage(&page_) == this;
}

void QtFullScreenView::showEvent(QShowEvent* event) {
  if (HoldsPage()) {
    QWebEngineView::showEvent(event);
  } else {
    QWidget::showEvent(event);
  }
}

void QtFullScreenView::hideEvent(QHideEvent* event) {
  if (HoldsPage()) {
    QWebEngineView::hideEvent(event);
  } else {
    QWidget::hideEvent(event);
  }
}

QtFullScreen::QtFullScreen(QWebEngineView& home, QWebEnginePage& page) : home_(home), page_(page) {}

QtFullScreen::~QtFullScreen() {
  Restore();
}

bool QtFullScreen::Request(bool enter) {
  if (!enter) {
    Restore();
    return true;
  }
  if (Active()) return true;
  // The hidden browser, or one whose window is not on the screen, has nothing to show.
  if (!home_.isVisible()) return false;
  Enter();
  return true;
}

void QtFullScreen::Enter() {
  auto* view = new QtFullScreenView(page_, [this] { Leave(); });
  view_ = view;
  QWidget* window = home_.window();
  // Above a window kept above the others too.
  if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    view->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  // On the screen the window is on; set here as well, for a desktop without a window
  // manager to do it.
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen) view->setGeometry(screen->geometry());
  // Shown before it takes the page, so the page is hidden only within the hand-over and
  // shown again at once: a page left hidden may pause what it plays. Given back the same
  // way, before the view hides.
  view->showFullScreen();
  view->setPage(&page_);
  AddBrowserKeys(*view, page_);
  view->raise();
  view->activateWindow();
  view->setFocus(Qt::OtherFocusReason);
}

void QtFullScreen::Leave() {
  if (!Active()) return;
  Restore();
  // The engine is told as well, so the page's element leaves its full-screen state; the
  // request that follows finds nothing more to do.
  page_.triggerAction(QWebEnginePage::ExitFullScreen);
}

void QtFullScreen::Restore() {
  if (!Active()) return;
  QtFullScreenView* view = view_.data();
  view_.clear();
  home_.setPage(&page_);
  view->hide();
  view->deleteLater();
  // The user goes on in the window they were in.
  if (home_.isVisible()) {
    home_.window()->activateWindow();
    home_.setFocus(Qt::OtherFocusReason);
  }
}

}  // namespace platform::qt
