#pragma once

#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <set>
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

// Top-level widgets shown now; what a test opened shows up as the difference.
inline std::set<QWidget*> VisibleTopLevels() {
  std::set<QWidget*> shown;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible()) shown.insert(widget);
  }
  return shown;
}

}  // namespace qttest
