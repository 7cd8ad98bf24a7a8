#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include "platform/EventLoop.h"

class QEventLoop;
class QObject;

namespace platform::qt {

// The UI thread's event loop on Qt. Waits dispatch Qt's events; posted work runs only
// at the top level of the loop, never inside a nested wait or a modal dialog, since it
// destroys windows whose handlers may be further up the stack. Objects given to
// QObject::deleteLater are deleted at the top level too (Run is a real Qt event loop).
class QtEventLoop : public platform::EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  // Delivers what was posted at every call, and runs a full pass (window-system input,
  // timers, sockets) at most every kFullPassInterval: see the definition.
  void DoEvents() override;
  void WaitEvents() override;
  void Post(std::function<void()> fn) override;
  int Run() override;
  void Quit(int code) override;

  // Depth of DoEvents / WaitEvents calls on the stack (0 at top level).
  int Depth() const { return depth_; }

  static constexpr std::chrono::microseconds kFullPassInterval{1000};

 private:
  class Nesting;

  bool Nested() const;
  void WatchDispatcher();
  void Arm();
  void Flush();
  void RunPosted();

  std::unique_ptr<QObject> receiver_;  // delivers the flushes; gone with the loop
  std::deque<std::function<void()>> posted_;
  bool watching_ = false;  // connected to the dispatcher's about-to-sleep signal
  bool armed_ = false;     // a flush is queued
  bool deferred_ = false;  // a flush found itself nested; re-armed once back on top
  int depth_ = 0;
  int topLoopLevel_ = 0;  // Qt's loop level that counts as the top (Run's loop)
  std::chrono::steady_clock::time_point lastFullPass_{};
  QEventLoop* running_ = nullptr;
  bool quit_ = false;
  int code_ = 0;
};

}  // namespace platform::qt
