#include "support/portal/RunningPortal.h"

#include <stdexcept>

#include "support/Ports.h"

namespace support {

RunningPortal::RunningPortal(demo::PortalOptions options, Range range) {
  auto listenAt = [&](int port) {
    options.port = port;
    portal_ = std::make_unique<demo::DemoPortal>(options);
    if (portal_->Listen()) return true;
    portal_.reset();
    return false;
  };
  if (range == Range::Short) {
    BindShortPort(listenAt);
  } else if (!listenAt(0)) {
    throw std::runtime_error("the demo portal cannot listen");
  }
  thread_ = std::thread([this] { portal_->Run(); });
}

RunningPortal::~RunningPortal() {
  portal_->Stop();
  thread_.join();
}

std::string RunningPortal::HostAndPort() const {
  return "127.0.0.1:" + std::to_string(Port());
}

base::Text RunningPortal::Base() const {
  return u"http://" + base::FromUtf8(HostAndPort());
}

httplib::Result RunningPortal::Get(const std::string& target,
                                   const httplib::Headers& headers) const {
  httplib::Client client("127.0.0.1", Port());
  client.set_url_encode(false);
  return client.Get(target, headers);
}

}  // namespace support
