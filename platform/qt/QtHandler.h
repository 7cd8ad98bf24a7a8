#pragma once

#include <functional>
#include <memory>

namespace platform::qt {

// A control's handler as Qt's connections hold it. Copies share one slot, so the window
// can switch every copy off for good when it goes away; a call already running keeps
// its own reference to the function and finishes.
class QtHandler {
 public:
  explicit QtHandler(std::function<void()> fn = {}) : slot_(std::make_shared<Slot>()) {
    Set(std::move(fn));
  }

  void operator()() const {
    const auto keep = slot_->fn;
    if (keep && *keep) (*keep)();
  }
  void Set(std::function<void()> fn) {
    slot_->fn = std::make_shared<std::function<void()>>(std::move(fn));
  }
  void Clear() { slot_->fn.reset(); }

 private:
  struct Slot {
    std::shared_ptr<std::function<void()>> fn;
  };
  std::shared_ptr<Slot> slot_;
};

}  // namespace platform::qt
