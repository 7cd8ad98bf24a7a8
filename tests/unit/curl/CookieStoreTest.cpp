#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fakes/FakeClock.h"
#include "platform/curl/CookieStore.h"

namespace {

using platform::curl::CookieStore;

constexpr std::int64_t kSetAt = 1'300'000'000;  // Sun, 13 Mar 2011 07:06:40 GMT

// A cookie set at kSetAt and looked for `later` seconds after: whether it is sent.
TEST(CookieExpiry, MaxAgeCountsFromTheClockAndWinsOverExpires) {
  const struct {
    const char* text;
    std::int64_t later;
    bool sent;
  } cases[] = {
      {"k=v; max-age=60", 59, true},
      {"k=v; max-age=60", 60, false},
      {"k=v; max-age=0", 0, false},
      {"k=v; max-age=-5", 0, false},
      {"k=v; max-age=6x", 1'000'000, true},  // not a number: a session cookie
      {"k=v; expires=Sun, 13 Mar 2011 08:06:40 GMT", 3599, true},
      {"k=v; expires=Sun, 13 Mar 2011 08:06:40 GMT", 3600, false},
      {"k=v; expires=Sun, 13 Mar 2011 07:06:39 GMT", 0, false},
      {"k=v; expires=some day", 1'000'000, true},
      {"k=v; max-age=60; expires=Sun, 13 Mar 2011 08:06:40 GMT", 61, false},
      {"k=v; expires=Sun, 13 Mar 2011 07:06:39 GMT; max-age=60", 30, true},
  };
  const auto address = *CookieStore::Parse("http://h.example/");
  for (const auto& c : cases) {
    fakes::FakeClock clock;
    clock.SetSecondsSinceEpoch(kSetAt);
    CookieStore store(clock);
    EXPECT_TRUE(store.Set(address, c.text)) << c.text;
    clock.SetSecondsSinceEpoch(kSetAt + c.later);
    EXPECT_EQ(store.CookieHeader(address), c.sent ? "k=v" : "") << c.text << " +" << c.later;
  }
}

TEST(CookieExpiry, AnExpiredCookieRemovesTheOneItReplaces) {
  fakes::FakeClock clock;
  clock.SetSecondsSinceEpoch(kSetAt);
  CookieStore store(clock);
  const auto address = *CookieStore::Parse("http://h.example/");
  store.Set(address, "k=v; max-age=600");
  store.Set(address, "k=new; expires=Sun, 13 Mar 2011 07:06:39 GMT");
  EXPECT_EQ(store.CookieHeader(address), "");
}

// Cookie text the program sets may still end in its line end; so may each attribute.
TEST(CookieText, BlanksAndLineEndsAroundItsPartsAreNotPartOfThem) {
  const struct {
    const char* text;
    const char* url;
    const char* header;
  } cases[] = {
      {"k=v\r\n", "http://h.example/", "k=v"},
      {"\r\n\t k \t= v \r\n", "http://h.example/", "k=v"},
      {"k=v; path=/a\r\n", "http://h.example/a/x", "k=v"},
      {"k=v; path=/a\r\n", "http://h.example/b", ""},
      {"k=v\r\n; domain=h.example\r\n", "http://w.h.example/", "k=v"},
      {"k=v; max-age=0\r\n", "http://h.example/", ""},
      {"k=a b", "http://h.example/", "k=a b"},
      {"bare\r\n", "http://h.example/", "bare"},
  };
  for (const auto& c : cases) {
    fakes::FakeClock clock;
    CookieStore store(clock);
    EXPECT_TRUE(store.Set(*CookieStore::Parse("http://h.example/"), c.text)) << c.text;
    EXPECT_EQ(store.CookieHeader(*CookieStore::Parse(c.url)), c.header) << c.text << " " << c.url;
  }
}

}  // namespace
