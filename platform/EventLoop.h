#pragma once

#include <functional>

namespace platform {

// The user-interface thread's event loop. Waiting in this program is done by
// dispatching events, so handlers of any window may run inside these calls.
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Dispatches what is pending and returns at once (the engine's pass per chunk).
  virtual void DoEvents() = 0;
  // Blocks until at least one event has been dispatched; never spins a core.
  virtual void WaitEvents() = 0;
  // Runs fn at the next top-level pass, when no handler is on the stack (deferred
  // destruction of unloaded windows).
  virtual void Post(std::function<void()> fn) = 0;
  // The top-level loop: runs until Quit, returns its code.
  virtual int Run() = 0;
  virtual void Quit(int code) = 0;
};

}  // namespace platform
