#pragma once

#include "base/Text.h"

namespace app {

// The outside addresses, each a scheme and host without a trailing slash.
struct Config {
  base::Text portalBase;    // the portal server: pages and the update manifest
  base::Text makerSite;     // the maker's web site
  base::Text videoService;  // the video-resolving service
  base::Text fileHost;      // the outside file host
};

}  // namespace app
