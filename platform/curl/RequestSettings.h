#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform::curl {

// What one request is made with. The session gives the first four, the connection the
// host and port, the request itself the rest.
struct RequestSettings {
  std::string agent;
  std::uint32_t accessType = 0;  // 0 system settings, 1 direct, 3 the proxy below
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
