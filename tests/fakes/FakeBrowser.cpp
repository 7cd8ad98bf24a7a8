#include "fakes/FakeBrowser.h"

#include <algorithm>

#include "base/RuntimeError.h"

namespace fakes {

int FakeWeb::RequestCount(const base::Text& address) const {
  return static_cast<int>(std::count(requests_.begin(), requests_.end(), address));
}

std::optional<base::Text> FakeWeb::Lookup(const base::Text& address) const {
  auto it = documents_.find(address);
  if (it == documents_.end()) return base::Text(kErrorPage);
  return it->second;
}

base::Text FakeBrowser::BodyInnerText() const {
  if (readyState_ != kComplete || !body_)
    throw base::RuntimeError(base::ErrorKind::InvalidCall, "no document body");
  return *body_;
}

void FakeBrowser::Start(const base::Text& address) {
  navigations_.push_back(address);
  web_.Record(address);
  readyState_ = 1;
  body_.reset();
  const int generation = ++generation_;
  std::weak_ptr<bool> alive = alive_;
  web_.Loop().ScheduleOnPass(web_.PassesToComplete(), [this, alive, generation, address] {
    // A browser destroyed or sent elsewhere in the meantime completes nothing.
    auto still = alive.lock();
    if (!still || !*still || generation != generation_) return;
    body_ = web_.Lookup(address);
    readyState_ = kComplete;
  });
  if (onDownloadBegin_) onDownloadBegin_();
}

}  // namespace fakes
