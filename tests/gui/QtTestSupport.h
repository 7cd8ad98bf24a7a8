#pragma once

#include <httplib.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "platform/EventLoop.h"
#include "platform/Ui.h"

namespace qttest {

inline platform::ControlSpec Control(std::u16string name, platform::Rect rect,
                                     std::u16string parent = {}, bool visible = true) {
  platform::ControlSpec spec;
  spec.name = std::move(name);
  spec.rect = rect;
  spec.parent = std::move(parent);
  spec.visible = visible;
  return spec;
}

inline platform::WindowSpec Window(std::u16string caption, int clientWidth, int clientHeight,
                                   platform::FrameStyle style = platform::FrameStyle::FixedSingle) {
  platform::WindowSpec spec;
  spec.name = u"Form";
  spec.caption = std::move(caption);
  spec.clientWidth = clientWidth;
  spec.clientHeight = clientHeight;
  spec.style = style;
  return spec;
}

// Dispatches events through the loop until `done` holds; false when the time ran out.
inline bool WaitUntil(platform::EventLoop& loop, const std::function<bool()>& done,
                      int timeoutMs = 15000) {
  QElapsedTimer clock;
  clock.start();
  QTimer wake;  // the wait has to look at the clock now and then
  wake.start(25);
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    loop.WaitEvents();
  }
  return true;
}

// An HTTP server on 127.0.0.1 at a port of the system's choosing, on its own thread.
class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer() { Stop(); }

  httplib::Server& Routes() { return server_; }
  void Start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    // Bound and listening already: connections wait in the backlog until the thread runs.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  void Stop() {
    if (thread_.joinable()) {
      server_.stop();
      thread_.join();
    }
  }
  std::u16string Url(const std::string& path) const {
    const std::string url = "http://127.0.0.1:" + std::to_string(port_) + path;
    return std::u16string(url.begin(), url.end());
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

// Runs xdotool with the arguments; true when it succeeded.
inline bool Xdotool(const std::string& arguments) {
  return std::system(("xdotool " + arguments).c_str()) == 0;
}

// A click of the X server's own in the middle of the widget, as the user's mouse makes it.
inline bool ClickInTheMiddle(const QWidget& widget) {
  const QPoint at = widget.mapToGlobal(widget.rect().center());
  // A synchronous move to where the pointer already is waits for a motion that never comes.
  if (QCursor::pos() == at) return Xdotool("click 1");
  return Xdotool("mousemove --sync " + std::to_string(at.x()) + " " + std::to_string(at.y()) +
                 " click 1");
}

// Top-level widgets shown now; what a test opened shows up as the difference.
inline std::set<QWidget*> VisibleTopLevels() {
  std::set<QWidget*> shown;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible()) shown.insert(widget);
  }
  return shown;
}

}  // namespace qttest
