#include "app/Config.h"

namespace app {

base::Text Config::HostOf(const base::Text& address) {
  base::Text host = address;
  if (auto scheme = host.find(u"://"); scheme != base::Text::npos) host.erase(0, scheme + 3);
  if (auto slash = host.find(u'/'); slash != base::Text::npos) host.erase(slash);
  return host;
}

}  // namespace app
