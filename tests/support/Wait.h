#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace support {

// How long a test waits for something that should happen at once; far more than it
// takes on a busy machine, so only a fault runs into it.
inline constexpr std::chrono::seconds kGenerousLimit{30};

// Looks at `condition` every few milliseconds until it holds; false when it still does
// not after `limit`.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = kGenerousLimit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace support
