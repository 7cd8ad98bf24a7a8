#pragma once

#include "base/Text.h"

namespace app {

// The outside addresses, each a scheme and host without a trailing slash, and the key
// that signs upgrades.
struct Config {
  base::Text portalBase;    // the portal server: pages and the update manifest
  base::Text makerSite;     // the maker's web site
  base::Text videoService;  // the video-resolving service
  base::Text fileHost;      // the outside file host
  // The maker's Ed25519 public key as base64 text. An installer runs only when the
  // manifest's signature of it matches; empty: installers run unchecked.
  base::Text updatePublicKey;

  // The host part of an address ("http://example.org:81" gives "example.org:81").
  static base::Text HostOf(const base::Text& address);
};

}  // namespace app
