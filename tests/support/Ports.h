#pragma once

#include <functional>
#include <memory>

#include "support/ScriptedServer.h"

namespace support {

// The download engine narrows ports to 16 signed bits, so the servers it talks to listen
// at 32767 or below, under the system's range of ephemeral ports where port 0 would
// land. Tries `bindAt` on ports from 20000 to 32767, from a random one on, until it
// succeeds (a bind takes the port or fails: no other process can slip in between), and
// returns that port; throws when every port is taken.
int BindShortPort(const std::function<bool(int port)>& bindAt);

// A scripted server on a short port.
std::unique_ptr<ScriptedServer> ShortPortServer();

// A loopback port that refuses connections while this object lives: bound, never
// listening, so no one else can take it meanwhile.
class RefusingPort {
 public:
  enum class Range { Any, Short };
  explicit RefusingPort(Range range = Range::Any);
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace support
