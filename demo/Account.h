#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace demo {

// The cookie that keeps a viewer signed in, and the local-storage item the sign-in page
// leaves beside it.
inline constexpr std::string_view kUserCookie = "quorin_user";
inline constexpr std::string_view kUserItem = "quorin_user";
// How long a sign-in lasts: a year.
inline constexpr std::chrono::seconds kSignInLifetime{365L * 24 * 3600};

// The name as the portal keeps it: spaces trimmed, 1 to 20 characters, no control
// character and no "%", and representable in GBK (the category pages are GBK); nullopt
// otherwise.
std::optional<std::string> CleanUserName(std::string_view typed);
// The signed-in viewer a request's Cookie header names, its value escaped or not; empty
// when none, or when the cookie does not hold a name the portal would have given.
std::string UserFromCookies(std::string_view cookieHeader);
// Set-Cookie values that sign `user` in until `now` + kSignInLifetime, and out again.
std::string SignInCookie(std::string_view user, std::chrono::system_clock::time_point now);
std::string SignOutCookie();
// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT"), whatever the C locale says.
std::string HttpDate(std::chrono::system_clock::time_point time);

// %XX for every byte but the unreserved ASCII ones.
std::string PercentEncode(std::string_view text);
// %XX back to bytes; a "%" not followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

}  // namespace demo
