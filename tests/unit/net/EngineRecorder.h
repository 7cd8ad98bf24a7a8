#pragma once

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "net/ZezazurIrud.h"

namespace nettest {

// Records the engine's events as short words: "S5", "P250/100", "E4", "D1". Progress
// carries its total and bytes so far; speeds go to their own list. Hooks run after the
// event is recorded (a stop from a handler, a check of the file's state).
struct EngineRecorder {
  std::vector<std::string> events;
  std::vector<double> speeds;
  std::function<void(std::int32_t)> onStatus;
  std::function<void(double, double, double)> onProgress;
  std::function<void(bool)> onEnd;
  std::function<void(std::int32_t)> onError;

  void Attach(net::ZezazurIrud& wd) {
    net::ZezazurIrud::Events e;
    e.Status = [this](net::EngineStatus status) {
      const auto s = static_cast<std::int32_t>(status);
      events.push_back("S" + std::to_string(s));
      if (onStatus) onStatus(s);
    };
    e.Progress = [this](double total, double done, double speed) {
      std::ostringstream text;
      text << "P" << total << "/" << done;
      events.push_back(text.str());
      speeds.push_back(speed);
      if (onProgress) onProgress(total, done, speed);
    };
    e.Error = [this](net::EngineError error) {
      const auto code = static_cast<std::int32_t>(error);
      events.push_back("E" + std::to_string(code));
      if (onError) onError(code);
    };
    e.DownloadEnd = [this](bool ok) {
      events.push_back(ok ? "D1" : "D0");
      if (onEnd) onEnd(ok);
    };
    wd.SetEvents(std::move(e));
  }

  // The events after Download's own Status 1 to 4.
  std::vector<std::string> AfterRequest() const {
    std::vector<std::string> rest = events;
    std::vector<std::string> head{"S1", "S2", "S3", "S4"};
    if (rest.size() >= 4 && std::equal(head.begin(), head.end(), rest.begin())) {
      rest.erase(rest.begin(), rest.begin() + 4);
    }
    return rest;
  }
};

using Events = std::vector<std::string>;

}  // namespace nettest
