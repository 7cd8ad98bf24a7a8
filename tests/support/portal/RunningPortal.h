#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

#include "base/Text.h"
#include "demo/DemoPortal.h"

namespace support {

// The demo portal on a loopback port of its own, serving from its own thread until the
// object goes. The port in the options is not used: the portal takes any free port, or
// with Range::Short one the download engine can reach (see BindShortPort).
class RunningPortal {
 public:
  enum class Range { Any, Short };
  explicit RunningPortal(demo::PortalOptions options = {}, Range range = Range::Any);
  ~RunningPortal();
  RunningPortal(const RunningPortal&) = delete;
  RunningPortal& operator=(const RunningPortal&) = delete;

  int Port() const { return portal_->Port(); }
  // "127.0.0.1:PORT".
  std::string HostAndPort() const;
  // "http://127.0.0.1:PORT".
  base::Text Base() const;
  // Ends the serving thread's run; any thread.
  void Stop() { portal_->Stop(); }

  // One request from a fresh client, the target sent as it is.
  httplib::Result Get(const std::string& target, const httplib::Headers& headers = {}) const;

 private:
  std::unique_ptr<demo::DemoPortal> portal_;
  std::thread thread_;
};

}  // namespace support
