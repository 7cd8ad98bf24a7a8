#include "demo/Account.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "demo/Gbk.h"

namespace demo {
namespace {

constexpr std::size_t kMaxNameCharacters = 20;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::string> CleanUserName(std::string_view typed) {
  const std::string_view name = Trim(typed);
  std::size_t characters = 0;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    // No "%": the cookie is read whether or not the server library has already undone
    // its escapes (Debian's cpp-httplib does), and a name with one would read two ways.
    if (byte < 0x20 || byte == 0x7f || c == '%') return std::nullopt;
    if ((byte & 0xc0) != 0x80) ++characters;  // not a UTF-8 continuation byte
  }
  if (characters == 0 || characters > kMaxNameCharacters) return std::nullopt;
  try {
    ToGbk(name);  // also refuses malformed UTF-8
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
  return std::string(name);
}

std::string UserFromCookies(std::string_view cookieHeader) {
  while (!cookieHeader.empty()) {
    const std::size_t end = cookieHeader.find(';');
    const std::string_view pair = Trim(cookieHeader.substr(0, end));
    cookieHeader.remove_prefix(end == std::string_view::npos ? cookieHeader.size() : end + 1);
    const std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos || pair.substr(0, eq) != kUserCookie) continue;
    const std::string decoded = PercentDecode(pair.substr(eq + 1));
    // Only what the sign-in page itself would have set.
    const std::optional<std::string> name = CleanUserName(decoded);
    return name && *name == decoded ? *name : std::string();
  }
  return {};
}

std::string SignInCookie(std::string_view user, std::chrono::system_clock::time_point now) {
  return std::string(kUserCookie) + "=" + PercentEncode(user) +
         "; Max-Age=" + std::to_string(kSignInLifetime.count()) +
         "; Expires=" + HttpDate(now + kSignInLifetime) + "; Path=/; SameSite=Lax; HttpOnly";
}

std::string SignOutCookie() {
  return std::string(kUserCookie) +
         "=; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Path=/; SameSite=Lax; HttpOnly";
}

std::string HttpDate(std::chrono::system_clock::time_point time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace demo
