#pragma once

#include <deque>
#include <functional>
#include <stdexcept>

#include "platform/EventLoop.h"

namespace fakes {

// A deterministic event loop. Events are queued with Schedule (a browser completing, a
// scripted menu click, a close); each DoEvents or WaitEvents pass dispatches the events
// that were queued before the pass began. Posted work runs only at top level
// (RunPosted, or inside Run), never inside a pass.
class FakeEventLoop : public platform::EventLoop {
 public:
  // Thrown by WaitEvents when nothing is queued: the real loop would block for ever.
  struct WouldBlock : std::logic_error {
    WouldBlock() : std::logic_error("WaitEvents with nothing queued") {}
  };

  void Schedule(std::function<void()> event) { queue_.push_back(std::move(event)); }
  // Queues an event to run on the n-th dispatch pass from now (1 = the next pass).
  void ScheduleOnPass(int n, std::function<void()> event);

  void DoEvents() override;
  void WaitEvents() override;
  void Post(std::function<void()> fn) override { posted_.push_back(std::move(fn)); }
  // Runs posted work, then queued events as top-level passes, until Quit or until
  // nothing is left; returns the Quit code (or -1 when it ran dry without Quit).
  int Run() override;
  void Quit(int code) override {
    quit_ = true;
    code_ = code;
  }

  void RunPosted();
  bool QuitCalled() const { return quit_; }
  int QuitCode() const { return code_; }
  int Passes() const { return passes_; }
  int Depth() const { return depth_; }
  std::size_t Queued() const { return queue_.size(); }

 private:
  void Pass();

  std::deque<std::function<void()>> queue_;
  std::deque<std::pair<int, std::function<void()>>> delayed_;
  std::deque<std::function<void()>> posted_;
  bool quit_ = false;
  int code_ = -1;
  int passes_ = 0;
  int depth_ = 0;
};

}  // namespace fakes
