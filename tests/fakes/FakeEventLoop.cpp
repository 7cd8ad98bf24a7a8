#include "fakes/FakeEventLoop.h"

#include <utility>

namespace fakes {

void FakeEventLoop::ScheduleOnPass(int n, std::function<void()> event) {
  if (n <= 1) {
    Schedule(std::move(event));
    return;
  }
  delayed_.emplace_back(n, std::move(event));
}

void FakeEventLoop::Pass() {
  ++passes_;
  ++depth_;
  // Count down delayed events; those that are due join the queue for this pass.
  for (auto it = delayed_.begin(); it != delayed_.end();) {
    if (--it->first <= 0) {
      queue_.push_back(std::move(it->second));
      it = delayed_.erase(it);
    } else {
      ++it;
    }
  }
  auto batch = std::move(queue_);
  queue_.clear();
  for (auto& event : batch) event();
  --depth_;
}

void FakeEventLoop::DoEvents() {
  Pass();
}

void FakeEventLoop::WaitEvents() {
  if (queue_.empty() && delayed_.empty()) throw WouldBlock();
  Pass();
}

void FakeEventLoop::RunPosted() {
  while (!posted_.empty()) {
    auto fn = std::move(posted_.front());
    posted_.pop_front();
    fn();
  }
}

int FakeEventLoop::Run() {
  RunPosted();
  while (!quit_ && (!queue_.empty() || !delayed_.empty())) {
    Pass();
    RunPosted();
  }
  return quit_ ? code_ : -1;
}

}  // namespace fakes
