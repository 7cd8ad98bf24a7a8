#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform::curl {

// How a session reaches servers, as its opening names it.
enum class AccessType {
  kPreconfig,  // the system's settings: curl reads http_proxy, no_proxy and the like
  kDirect,     // straight to the server, whatever the system says
  kProxy,      // through the session's own proxy, except for the hosts it bypasses
};

// What one request is made with. The session gives the first four, the connection the
// host and port, the request itself the rest.
struct RequestSettings {
  std::string agent;
  AccessType accessType = AccessType::kPreconfig;
  std::string proxy;
  std::string proxyBypass;
  std::string host;
  std::uint16_t port = 80;
  std::string verb;
  std::string path;
  std::string version;
  std::chrono::milliseconds connectTimeout{30000};
  std::chrono::milliseconds idleTimeout{60000};
};

}  // namespace platform::curl
