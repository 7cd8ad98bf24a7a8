#include "platform/curl/CookieStore.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>

#include "base/Ascii.h"

namespace platform::curl {
namespace {

using base::EqualsNoCase;
using base::TrimAny;
// Cookie text comes from the program as well as from response heads, and the program's
// may still end in its line end (a value taken from CR LF text): trimmed with the blanks.
using base::kBlanksAndLineEnds;

bool IsIpAddress(std::string_view host) {
  if (!host.empty() && host.front() == '[') return true;
  return !host.empty() && std::all_of(host.begin(), host.end(),
                                      [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace

std::optional<CookieStore::Address> CookieStore::Parse(std::string_view url) {
  Address address;
  std::size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    std::string name = base::AsciiLowerCopy(url.substr(0, scheme));
    if (name != "http" && name != "https") return std::nullopt;
    address.secure = name == "https";
    url.remove_prefix(scheme + 3);
  }
  std::size_t authorityEnd = url.find_first_of("/?#");
  std::string_view authority = url.substr(0, authorityEnd);
  std::string_view rest =
      authorityEnd == std::string_view::npos ? std::string_view{} : url.substr(authorityEnd);
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  if (!host.empty() && host.front() == '[') {
    std::size_t close = host.find(']');
    if (close != std::string_view::npos) host = host.substr(0, close + 1);
  } else if (std::size_t colon = host.find(':'); colon != std::string_view::npos) {
    host = host.substr(0, colon);
  }
  while (!host.empty() && host.back() == '.') host.remove_suffix(1);
  if (host.empty()) return std::nullopt;
  address.host = base::AsciiLowerCopy(host);
  std::string_view path = rest.substr(0, rest.find_first_of("?#"));
  address.path = path.empty() ? "/" : std::string(path);
  return address;
}

std::string CookieStore::DefaultPath(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return "/";
  return std::string(path.substr(0, slash + 1));
}

bool CookieStore::DomainMatches(std::string_view host, std::string_view domain) {
  if (host == domain) return true;
  return host.size() > domain.size() && host.ends_with(domain) &&
         host[host.size() - domain.size() - 1] == '.' && !IsIpAddress(host);
}

bool CookieStore::PathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (!requestPath.starts_with(cookiePath)) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
         requestPath[cookiePath.size()] == '/';
}

bool CookieStore::Set(const Address& address, std::string_view text) {
  Cookie cookie;
  std::size_t semicolon = text.find(';');
  std::string_view pair = TrimAny(text.substr(0, semicolon), kBlanksAndLineEnds);
  if (pair.empty()) return false;
  if (std::size_t eq = pair.find('='); eq != std::string_view::npos) {
    cookie.name = std::string(TrimAny(pair.substr(0, eq), kBlanksAndLineEnds));
    cookie.value = std::string(TrimAny(pair.substr(eq + 1), kBlanksAndLineEnds));
  } else {
    // A bare value, as some servers send: a cookie without a name.
    cookie.hasName = false;
    cookie.value = std::string(pair);
  }
  cookie.domain = address.host;
  cookie.path = DefaultPath(address.path);

  std::optional<std::time_t> maxAgeExpiry;
  std::string_view attributes =
      semicolon == std::string_view::npos ? std::string_view{} : text.substr(semicolon + 1);
  while (!attributes.empty()) {
    std::size_t end = attributes.find(';');
    std::string_view attribute = attributes.substr(0, end);
    attributes = end == std::string_view::npos ? std::string_view{} : attributes.substr(end + 1);
    std::size_t eq = attribute.find('=');
    std::string_view key = TrimAny(attribute.substr(0, eq), kBlanksAndLineEnds);
    std::string_view value = eq == std::string_view::npos
                                 ? std::string_view{}
                                 : TrimAny(attribute.substr(eq + 1), kBlanksAndLineEnds);
    if (EqualsNoCase(key, "path")) {
      if (!value.empty() && value.front() == '/') cookie.path = std::string(value);
    } else if (EqualsNoCase(key, "domain")) {
      while (!value.empty() && value.front() == '.') value.remove_prefix(1);
      while (!value.empty() && value.back() == '.') value.remove_suffix(1);
      if (value.empty()) continue;
      std::string domain = base::AsciiLowerCopy(value);
      if (!DomainMatches(address.host, domain)) return false;
      // A domain without a dot would spread the cookie over a whole top-level domain.
      if (domain != address.host && domain.find('.') == std::string::npos) return false;
      cookie.domain = domain;
      cookie.hostOnly = IsIpAddress(domain);
    } else if (EqualsNoCase(key, "expires")) {
      std::string date(value);
      std::time_t when = curl_getdate(date.c_str(), nullptr);
      if (when != -1) cookie.expires = when;
    } else if (EqualsNoCase(key, "max-age")) {
      std::string number(value);
      char* end = nullptr;
      long long seconds = std::strtoll(number.c_str(), &end, 10);
      if (!number.empty() && end && *end == '\0') {
        maxAgeExpiry = seconds <= 0 ? std::time_t{0} : Now() + seconds;
      }
    } else if (EqualsNoCase(key, "secure")) {
      cookie.secure = true;
    }
  }
  if (maxAgeExpiry) cookie.expires = maxAgeExpiry;

  std::lock_guard lock(mutex_);
  auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
    return c.name == cookie.name && c.hasName == cookie.hasName && c.domain == cookie.domain &&
           c.path == cookie.path;
  });
  bool expired = cookie.expires && *cookie.expires <= Now();
  if (same != cookies_.end()) {
    if (expired) {
      cookies_.erase(same);
    } else {
      cookie.order = same->order;  // a replaced cookie keeps its place
      *same = std::move(cookie);
    }
  } else if (!expired) {
    cookie.order = nextOrder_++;
    cookies_.push_back(std::move(cookie));
  }
  return true;
}

std::string CookieStore::CookieHeader(const Address& address) {
  std::lock_guard lock(mutex_);
  const std::time_t now = Now();
  std::erase_if(cookies_, [&](const Cookie& c) { return c.expires && *c.expires <= now; });
  std::vector<const Cookie*> matching;
  for (const Cookie& c : cookies_) {
    bool domainOk = c.hostOnly ? address.host == c.domain : DomainMatches(address.host, c.domain);
    if (domainOk && PathMatches(address.path, c.path) && (!c.secure || address.secure)) {
      matching.push_back(&c);
    }
  }
  std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
    if (a->domain.size() != b->domain.size()) return a->domain.size() > b->domain.size();
    if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
    return a->order < b->order;
  });
  std::string header;
  for (const Cookie* c : matching) {
    if (!header.empty()) header += "; ";
    if (c->hasName) header += c->name + "=";
    header += c->value;
  }
  return header;
}

}  // namespace platform::curl
