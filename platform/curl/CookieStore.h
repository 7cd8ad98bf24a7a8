#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace platform::curl {

// The cookies of one HTTP client, in memory only. Cookies set by the program and by
// responses land here, requests take theirs from here, and the cookie query reads it.
// Thread-safe. Expiry is judged by the clock it is given.
class CookieStore {
 public:
  explicit CookieStore(platform::Clock& clock) : clock_(clock) {}

  // Host (lower case, without port) and path (without query) of an http(s) address.
  struct Address {
    std::string host;
    std::string path;
    bool secure = false;
  };

  // Splits an address given as text; nothing when it names no host.
  static std::optional<Address> Parse(std::string_view url);
  // The path a cookie belongs to by default: the address's path cut after its last "/".
  static std::string DefaultPath(std::string_view path);

  // Stores one cookie from its text ("name=value; path=...; domain=...; expires=...")
  // as set for `address`. Max-Age counts from now and wins over Expires; an expiry not
  // after now removes the cookie. False when the text is empty or names a domain the
  // address's host does not belong to.
  bool Set(const Address& address, std::string_view text);

  // The "name=value" pairs that apply to the address, joined by "; ": the most
  // specific domain first, then the longest path, then the oldest. Empty when none.
  std::string CookieHeader(const Address& address);

 private:
  struct Cookie {
    std::string name;
    std::string value;
    bool hasName = true;
    std::string domain;
    bool hostOnly = true;
    std::string path;
    bool secure = false;
    std::optional<std::time_t> expires;
    std::uint64_t order = 0;
  };

  static bool DomainMatches(std::string_view host, std::string_view domain);
  static bool PathMatches(std::string_view requestPath, std::string_view cookiePath);

  std::time_t Now() { return static_cast<std::time_t>(clock_.SecondsSinceEpoch()); }

  platform::Clock& clock_;
  std::mutex mutex_;
  std::vector<Cookie> cookies_;
  std::uint64_t nextOrder_ = 0;
};

}  // namespace platform::curl
