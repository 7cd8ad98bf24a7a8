#pragma once

#include "base/Text.h"

namespace app {

// The outside addresses, each a scheme and host without a trailing slash.
struct Config {
  base::Text portalBase;    // the portal server: pages and the update manifest
  base::Text makerSite;     // the maker's web site
  base::Text videoService;  // the video-resolving service
  base::Text fileHost;      // the outside file host

  // The host part of an address ("http://example.org:81" gives "example.org:81").
  static base::Text HostOf(const base::Text& address);
};

}  // namespace app
