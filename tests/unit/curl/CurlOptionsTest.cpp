// What a request is made with reaches curl whole, or the request fails: the route a
// session's access type chooses, options curl refuses, and the cookie store a client is
// given.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "ClientFixture.h"
#include "platform/curl/CurlRequest.h"
#include "support/Wait.h"

namespace curltest {
namespace {

using platform::curl::AccessType;
using platform::curl::CookieStore;
using platform::curl::CurlHttpClient;
using platform::curl::CurlRequest;
using platform::curl::RequestSettings;

// curl takes no text option longer than 8,000,000 bytes: a real way to have it refuse one.
const std::string& OverCurlsLimit() {
  static const std::string text(8'000'001, 'a');
  return text;
}

class Options : public ClientTest {
 protected:
  RequestSettings Settings() const {
    RequestSettings settings;
    settings.agent = "A";
    settings.host = "127.0.0.1";
    settings.port = static_cast<std::uint16_t>(server_.Port());
    settings.verb = "GET";
    settings.path = "/";
    settings.version = "HTTP/1.0";
    settings.connectTimeout = std::chrono::milliseconds(2000);
    settings.idleTimeout = std::chrono::milliseconds(400);
    return settings;
  }
};

TEST_F(Options, ARefusedOptionFailsTheRequestWithCurlsCodeAndSendsNothing) {
  const struct {
    const char* option;
    void (*spoil)(RequestSettings&);
  } cases[] = {
      {"agent", [](RequestSettings& s) { s.agent = OverCurlsLimit(); }},
      {"verb", [](RequestSettings& s) { s.verb = OverCurlsLimit(); }},
      {"address", [](RequestSettings& s) { s.path = "/" + OverCurlsLimit(); }},
      {"proxy",
       [](RequestSettings& s) {
         s.accessType = AccessType::kProxy;
         s.proxy = OverCurlsLimit();
       }},
      {"proxy bypass",
       [](RequestSettings& s) {
         s.accessType = AccessType::kProxy;
         s.proxy = "127.0.0.1:" + std::to_string(s.port);
         s.proxyBypass = OverCurlsLimit();
       }},
  };
  // Were the option left out, the server would answer this.
  server_.Answer({Srv::Send(Ok("x"))});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    RequestSettings settings = Settings();
    c.spoil(settings);
    CurlRequest request(std::move(settings), cookies_);
    EXPECT_FALSE(request.Send(""));
    EXPECT_EQ(request.Result(), CURLE_BAD_FUNCTION_ARGUMENT);
    char head[256];
    std::uint32_t length = sizeof head;
    EXPECT_FALSE(request.RawHeaders(head, length));
    std::uint8_t byte = 0;
    std::uint32_t read = 0;
    EXPECT_FALSE(request.Read(&byte, 1, read));
  }
  EXPECT_EQ(server_.SettledConnections(support::kGenerousLimit), 0);
}

TEST_F(Options, TheEngineSeesARefusedOptionAsAFailedSend) {
  server_.Answer({Srv::Send(Ok("x"))});
  HttpClient::Handle request = Open("GET", "/", OverCurlsLimit());
  EXPECT_FALSE(Send(request));
  EXPECT_EQ(RawHeaders(request), "FAILED");
  bool ok = true;
  EXPECT_EQ(ReadAll(request, 16, ok), "");
  EXPECT_FALSE(ok);
  EXPECT_EQ(server_.SettledConnections(support::kGenerousLimit), 0);
}

// The scripted server stands for the addressed server and for the system's proxy, a
// second one for the session's own proxy. A proxy is asked for the whole address.
TEST_F(Options, TheAccessTypeChoosesTheRoute) {
  Srv own;
  const std::string direct = "GET /r HTTP/1.0\r\n";
  const std::string proxied = "GET " + server_.Url("/r") + " HTTP/1.0\r\n";
  const std::string ownProxy = "127.0.0.1:" + std::to_string(own.Port());
  const struct {
    const char* name;
    std::uint32_t accessType;
    const char* bypass;
    Srv* reached;
    const std::string& requestLine;
  } cases[] = {
      {"the system's settings", 0, nullptr, &server_, proxied},
      {"direct, whatever the system says", 1, nullptr, &server_, direct},
      {"the session's own proxy", 3, nullptr, &own, proxied},
      {"the session's own proxy, bypassed", 3, "127.0.0.1", &server_, direct},
      {"a value not known: the system's settings", 4, nullptr, &server_, proxied},
  };
  server_.Answer({Srv::Send(Ok("x"))});
  own.Answer({Srv::Send(Ok("x"))});
  setenv("http_proxy", server_.Url("").c_str(), 1);
  unsetenv("no_proxy");
  unsetenv("NO_PROXY");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = c.reached->Requests().size();
    HttpClient::Handle session =
        client_.InternetOpen("A", c.accessType, ownProxy.c_str(), c.bypass, 0);
    HttpClient::Handle connection =
        client_.InternetConnect(session, "127.0.0.1", static_cast<std::int16_t>(server_.Port()),
                                nullptr, nullptr, HttpClient::kServiceHttp, 0, 0);
    HttpClient::Handle request =
        client_.HttpOpenRequest(connection, "GET", "/r", "HTTP/1.0", nullptr, nullptr, 0, 0);
    handles_.insert(handles_.end(), {request, connection, session});
    EXPECT_TRUE(Send(request));
    ASSERT_EQ(c.reached->Requests().size(), before + 1);
    EXPECT_TRUE(c.reached->Requests().back().starts_with(c.requestLine))
        << c.reached->Requests().back();
  }
  unsetenv("http_proxy");
  EXPECT_EQ(server_.Requests().size() + own.Requests().size(), std::size(cases));
}

TEST_F(Options, ACookieFromAResponseExpiresByTheClockOfTheClientsStore) {
  server_.Answer({Srv::Send(Srv::Response(
      200, "OK", {{"Set-Cookie", "sid=1; max-age=60"}, {"Content-Length", "0"}}, ""))});
  server_.Answer({Srv::Send(Ok(""))});
  const std::int64_t setAt = clock_.SecondsSinceEpoch();
  ASSERT_TRUE(Send(Open("GET", "/login")));
  const struct {
    std::int64_t later;
    bool sent;
  } cases[] = {{59, true}, {60, false}};
  for (const auto& c : cases) {
    clock_.SetSecondsSinceEpoch(setAt + c.later);
    ASSERT_TRUE(Send(Open("GET", "/next")));
    EXPECT_EQ(server_.Requests().back().find("\r\nCookie: sid=1\r\n") != std::string::npos, c.sent)
        << "+" << c.later;
    EXPECT_EQ(Cookie(server_.Url("/")), c.sent ? "sid=1" : "FAILED") << "+" << c.later;
  }
}

TEST_F(Options, ClientsShareTheCookiesOfTheStoreTheyAreGivenAndNoOthers) {
  server_.Answer({Srv::Send(
      Srv::Response(200, "OK", {{"Set-Cookie", "sid=1; path=/"}, {"Content-Length", "0"}}, ""))});
  ASSERT_TRUE(Send(Open("GET", "/login")));
  CurlHttpClient sameStore(cookies_);
  CookieStore otherCookies(clock_);
  CurlHttpClient otherStore(otherCookies);
  char buffer[64];
  std::uint32_t size = sizeof buffer;
  ASSERT_TRUE(sameStore.InternetGetCookie(server_.Url("/"), "", buffer, size));
  EXPECT_EQ(std::string(buffer), "sid=1");
  size = sizeof buffer;
  EXPECT_FALSE(otherStore.InternetGetCookie(server_.Url("/"), "", buffer, size));
}

}  // namespace
}  // namespace curltest
