#include "support/Ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

namespace support {
namespace {

constexpr int kFirstShort = 20000;
constexpr int kShortCount = 32768 - kFirstShort;

}  // namespace

int BindShortPort(const std::function<bool(int port)>& bindAt) {
  static std::mt19937 random{std::random_device{}()};
  const int start = std::uniform_int_distribution<int>(0, kShortCount - 1)(random);
  for (int i = 0; i < kShortCount; ++i) {
    const int port = kFirstShort + (start + i) % kShortCount;
    if (bindAt(port)) return port;
  }
  throw std::runtime_error("no free loopback port below 32768");
}

std::unique_ptr<ScriptedServer> ShortPortServer() {
  std::unique_ptr<ScriptedServer> server;
  BindShortPort([&](int port) {
    try {
      server = std::make_unique<ScriptedServer>(port);
      return true;
    } catch (const std::runtime_error&) {
      return false;
    }
  });
  return server;
}

RefusingPort::RefusingPort(Range range) {
  auto bindAt = [this](int port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error("RefusingPort: socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), length) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
      port_ = ntohs(addr.sin_port);
      return true;
    }
    close(fd_);
    fd_ = -1;
    return false;
  };
  if (range == Range::Short) {
    BindShortPort(bindAt);
  } else if (!bindAt(0)) {
    throw std::runtime_error("RefusingPort: bind");
  }
}

RefusingPort::~RefusingPort() {
  close(fd_);
}

}  // namespace support
