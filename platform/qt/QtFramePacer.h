#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace platform::qt {

// Runs a widget's screen work (an update, a text handed to Qt) at most once per frame
// however often it is asked for: at the next event pass after a quiet spell, otherwise
// once a frame has gone by since the last run. A download sets its readout a thousand
// times a frame; the screen only needs the last state of each frame.
class QtFramePacer {
 public:
  static constexpr int kFrameMs = 16;

  explicit QtFramePacer(std::function<void()> work);
  QtFramePacer(const QtFramePacer&) = delete;
  QtFramePacer& operator=(const QtFramePacer&) = delete;

  // Asks for a run; a request while one is pending costs nothing.
  void Request() {
    if (!pending_) Arm();
  }
  bool Pending() const { return pending_; }
  // Runs pending work now instead of at its time.
  void RunPending();

 private:
  void Arm();
  void Run();

  std::function<void()> work_;
  QTimer timer_;
  QElapsedTimer sinceRun_;
  bool pending_ = false;
};

}  // namespace platform::qt
