#pragma once

#include <QPointer>
#include <QWebEngineView>

namespace platform::qt {

// The top-level view a page is shown in while it is on the whole screen: frameless, over
// every other window, Esc or closing it ends the full screen.
class QtFullScreenView : public QWebEngineView {
 public:
  QtFullScreenView(QWebEnginePage& page, std::function<void()> onLeave);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Shown before it takes the page and hidden after it gave it back: without the page
  // the engine's view would make an empty one of its own to show or hide.
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  bool HoldsPage() const;

  QWebEnginePage& page_;
  std::function<void()> onLeave_;
};

// A page's own full screen (a player's button, requestFullscreen from a click). A view of
// its own takes the page over the whole screen and gives it back to the browser after:
// the window, its menu and its other controls stay exactly as they are meanwhile, and
// the page is the same page, playing on, with everything the browser keeps about it.
class QtFullScreen {
 public:
  QtFullScreen(QWebEngineView& home, QWebEnginePage& page);
  ~QtFullScreen();
  QtFullScreen(const QtFullScreen&) = delete;
  QtFullScreen& operator=(const QtFullScreen&) = delete;

  // The page asks to go on the whole screen (true) or to leave it; whether it may. Only
  // a browser on the screen goes full screen; leaving is always agreed to.
  bool Request(bool enter);
  // Back in the browser at once (its window hides or goes, the renderer died); the page
  // is told it has left.
  void Leave();
  bool Active() const { return !view_.isNull(); }

 private:
  void Enter();
  // Gives the page back to the browser and drops the full-screen view.
  void Restore();

  QWebEngineView& home_;
  QWebEnginePage& page_;
  QPointer<QtFullScreenView> view_;
};

}  // namespace platform::qt
