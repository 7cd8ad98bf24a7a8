#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <future>
#include <string>

#include "ClientFixture.h"
#include "support/Ports.h"
#include "support/Wait.h"

namespace curltest {
namespace {

using namespace std::chrono_literals;

std::string HostLine(const Srv& server) {
  return "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
}

std::string Nuls(std::string text) {
  for (char& c : text) {
    if (c == '|') c = '\0';
  }
  return text;
}

struct RequestCase {
  const char* name;
  const char* verb;
  const char* path;
  const char* agent;
  const char* headers;
  const char* body;
  // What follows the Host line.
  const char* expected;
};

TEST_F(ClientTest, RequestGoesOutExactlyAsAsked) {
  const RequestCase cases[] = {
      {"plain GET", "GET", "/p", "Agent/1", "", "",
       "GET /p HTTP/1.0\r\n@User-Agent: Agent/1\r\n\r\n"},
      {"lower-case post with form type", "post", "/f", "A",
       "Referer: http://r/x\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\n",
       "a=1&b=2",
       "post /f HTTP/1.0\r\n@User-Agent: A\r\nReferer: http://r/x\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n\r\na=1&b=2"},
      {"GET with a body and no type of curl's own", "GET", "/g", "A", "", "body",
       "GET /g HTTP/1.0\r\n@User-Agent: A\r\nContent-Length: 4\r\n\r\nbody"},
      {"POST without a body", "POST", "/e", "A", "", "",
       "POST /e HTTP/1.0\r\n@User-Agent: A\r\nContent-Length: 0\r\n\r\n"},
      {"no agent, no User-Agent", "GET", "/", "", "", "", "GET / HTTP/1.0\r\n@\r\n"},
      {"only spaces escaped, other bytes left to curl", "GET", "/a b/c%41d e?q=1 2", "A", "", "",
       "GET /a%20b/c%41d%20e?q=1%202 HTTP/1.0\r\n@User-Agent: A\r\n\r\n"},
      {"bytes above 0x7F encoded", "GET", "/\xd6\xd0.rar", "A", "", "",
       "GET /%d6%d0.rar HTTP/1.0\r\n@User-Agent: A\r\n\r\n"},
      {"dot segments kept", "GET", "/a/../b", "A", "", "",
       "GET /a/../b HTTP/1.0\r\n@User-Agent: A\r\n\r\n"},
      {"empty path is the root", "GET", "", "A", "", "",
       "GET / HTTP/1.0\r\n@User-Agent: A\r\n\r\n"},
      {"an empty header value is still sent", "GET", "/", "A", "X-Empty:\r\n", "",
       "GET / HTTP/1.0\r\n@User-Agent: A\r\nX-Empty:\r\n\r\n"},
  };
  server_.Answer({Srv::Send(Ok(""))});
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t before = server_.Requests().size();
    HttpClient::Handle request = Open(c.verb, c.path, c.agent);
    ASSERT_NE(request, HttpClient::kNone);
    EXPECT_TRUE(Send(request, c.headers, c.body));
    ASSERT_TRUE(server_.WaitForRequests(before + 1, support::kGenerousLimit));
    std::string expected = c.expected;
    expected.replace(expected.find('@'), 1, HostLine(server_));
    EXPECT_EQ(server_.Requests().back(), expected);
  }
}

TEST_F(ClientTest, AddedHeadersReplaceTheirNamesake) {
  server_.Answer({Srv::Send(Ok(""))});
  HttpClient::Handle request = Open("GET", "/", "A");
  client_.HttpAddRequestHeaders(request, "Referer: one\r\n", 14, HttpClient::kAddReqFlagAddReplace);
  client_.HttpAddRequestHeaders(request, "referer: two\r\nX-A: 1\r\n", 22,
                                HttpClient::kAddReqFlagAddReplace);
  EXPECT_TRUE(client_.HttpSendRequest(request, nullptr, 0, "", 0));
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0], "GET / HTTP/1.0\r\n" + HostLine(server_) +
                                       "User-Agent: A\r\nreferer: two\r\nX-A: 1\r\n\r\n");
}

TEST_F(ClientTest, NothingReachesTheServerBeforeSending) {
  server_.Answer({Srv::Send(Ok("x"))});
  HttpClient::Handle request = Open("GET", "/late");
  EXPECT_EQ(server_.SettledConnections(support::kGenerousLimit), 0);
  EXPECT_EQ(RawHeaders(request), "FAILED");
  std::uint8_t byte = 0;
  std::uint32_t read = 7;
  EXPECT_FALSE(client_.InternetReadFile(request, &byte, 1, read));
  EXPECT_EQ(read, 0u);
  EXPECT_TRUE(Send(request));
  EXPECT_EQ(server_.Connections(), 1);
}

TEST_F(ClientTest, HandlesOfTheWrongKindAreRefused) {
  HttpClient::Handle session = client_.InternetOpen("A", 0, nullptr, nullptr, 0);
  EXPECT_EQ(client_.HttpOpenRequest(session, "GET", "/", "HTTP/1.0", nullptr, nullptr, 0, 0),
            HttpClient::kNone);
  EXPECT_EQ(client_.InternetConnect(session, "h", 80, nullptr, nullptr, 1 /* ftp */, 0, 0),
            HttpClient::kNone);
  EXPECT_TRUE(client_.InternetCloseHandle(session));
  EXPECT_FALSE(client_.InternetCloseHandle(session)) << "closed twice";
  EXPECT_EQ(client_.InternetConnect(session, "h", 80, nullptr, nullptr, 3, 0, 0),
            HttpClient::kNone);
}

TEST_F(ClientTest, RawHeaderBlockIsRebuiltStatusLineAndLinesAsReceived) {
  server_.Answer(
      {Srv::Send("HTTP/1.1   200   Fine  Thing \r\nX-Server: a\r\nServer: b\r\n"
                 "content-length: 3\r\nDate:Mon\r\n\r\nabc")});
  HttpClient::Handle request = Open("GET", "/");
  ASSERT_TRUE(Send(request));
  EXPECT_EQ(RawHeaders(request),
            Nuls("HTTP/1.1 200 Fine  Thing|X-Server: a|Server: b|content-length: 3|Date:Mon|"));
}

TEST_F(ClientTest, RawHeaderBlockMustFitWithItsLastNul) {
  // Status line "HTTP/1.0 200 OK" (15) and one padding header; every line adds a NUL.
  auto blockOfSize = [](std::size_t total) {
    std::size_t padding = total - (15 + 1) - 1 - 1 - std::string("X-Pad: ").size();
    return Srv::Response(200, "OK", {{"X-Pad", std::string(padding, 'p')}}, "");
  };
  server_.Answer({Srv::Send(blockOfSize(1024))});
  server_.Answer({Srv::Send(blockOfSize(1025))});

  HttpClient::Handle fits = Open("GET", "/");
  ASSERT_TRUE(Send(fits));
  std::string block = RawHeaders(fits);
  EXPECT_EQ(block.size(), 1023u);

  HttpClient::Handle tooLong = Open("GET", "/");
  ASSERT_TRUE(Send(tooLong));
  EXPECT_EQ(RawHeaders(tooLong), "FAILED");
  std::uint32_t length = 1024;
  std::uint32_t index = 0;
  char buffer[1024];
  EXPECT_FALSE(client_.HttpQueryInfo(tooLong, HttpClient::kQueryRawHeaders, buffer, length, index));
  EXPECT_EQ(length, 1025u) << "the size needed is reported back";
}

struct RedirectCase {
  int code;
  const char* secondRequestLine;
  bool bodyKept;
};

TEST_F(ClientTest, RedirectsChangeVerbAndBodyAsThePlatformDoes) {
  const RedirectCase cases[] = {
      {301, "GET /to HTTP/1.0", false}, {302, "GET /to HTTP/1.0", false},
      {303, "GET /to HTTP/1.0", false}, {307, "post /to HTTP/1.0", true},
      {308, "post /to HTTP/1.0", true},
  };
  for (const RedirectCase& c : cases) {
    SCOPED_TRACE(c.code);
    Srv server;
    server.Answer({Srv::Send(Srv::Response(c.code, "Moved", {{"Location", "/to"}}, "old body"))});
    server.Answer({Srv::Send(Ok("final", {{"Server", "end"}}))});
    HttpClient::Handle session = client_.InternetOpen("A", 0, nullptr, nullptr, 0);
    HttpClient::Handle connection = client_.InternetConnect(
        session, "127.0.0.1", static_cast<std::int16_t>(server.Port()), nullptr, nullptr, 3, 0, 0);
    HttpClient::Handle request =
        client_.HttpOpenRequest(connection, "post", "/from", "HTTP/1.0", nullptr, nullptr, 0, 0);
    handles_.insert(handles_.end(), {request, connection, session});
    ASSERT_TRUE(Send(request, "Content-Type: application/x-www-form-urlencoded\r\n", "k=v"));

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].starts_with("post /from HTTP/1.0\r\n"));
    EXPECT_TRUE(requests[1].starts_with(std::string(c.secondRequestLine) + "\r\n")) << requests[1];
    EXPECT_EQ(requests[1].ends_with("\r\n\r\nk=v"), c.bodyKept);
    EXPECT_EQ(requests[1].find("Content-Type") != std::string::npos, c.bodyKept);
    EXPECT_EQ(requests[1].find("Content-Length") != std::string::npos, c.bodyKept);
    EXPECT_EQ(RawHeaders(request), Nuls("HTTP/1.0 200 OK|Content-Length: 5|Server: end|"));
    bool ok = false;
    EXPECT_EQ(ReadAll(request, 1024, ok), "final");
    EXPECT_TRUE(ok);
  }
}

TEST_F(ClientTest, RedirectKeepsGetAndHeadAndFollowsAbsoluteAddresses) {
  Srv other;
  other.Answer({Srv::Send(Ok("there"))});
  server_.Answer({Srv::Send(Srv::Response(302, "Found", {{"Location", other.Url("/b c")}}, ""))});
  HttpClient::Handle request = Open("get", "/a");
  ASSERT_TRUE(Send(request, "Referer: r\r\n"));
  ASSERT_EQ(other.Requests().size(), 1u);
  EXPECT_TRUE(other.Requests()[0].starts_with(
      "get /b%20c HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(other.Port()) + "\r\n"))
      << other.Requests()[0];
  EXPECT_NE(other.Requests()[0].find("Referer: r\r\n"), std::string::npos);
}

TEST_F(ClientTest, RedirectWithoutLocationAndOtherCodesAreFinal) {
  server_.Answer({Srv::Send(Srv::Response(302, "Found", {}, ""))});
  server_.Answer({Srv::Send(Srv::Response(300, "Choices", {{"Location", "/x"}}, "moved"))});
  HttpClient::Handle noLocation = Open("GET", "/");
  ASSERT_TRUE(Send(noLocation));
  EXPECT_EQ(RawHeaders(noLocation), Nuls("HTTP/1.0 302 Found|"));
  HttpClient::Handle permanent = Open("GET", "/");
  ASSERT_TRUE(Send(permanent));
  EXPECT_EQ(RawHeaders(permanent), Nuls("HTTP/1.0 300 Choices|Location: /x|"));
  bool ok = false;
  EXPECT_EQ(ReadAll(permanent, 100, ok), "moved");
  EXPECT_EQ(server_.Requests().size(), 2u);
}

TEST_F(ClientTest, ARedirectNotFollowedGivesItsHeadButNoBody) {
  // A loop ends at the limit with the last redirect's head.
  server_.Answer({Srv::Send(Srv::Response(302, "Again", {{"Location", "/loop"}}, "body"))});
  HttpClient::Handle loop = Open("GET", "/loop");
  EXPECT_TRUE(Send(loop));
  EXPECT_EQ(RawHeaders(loop), Nuls("HTTP/1.0 302 Again|Location: /loop|"));
  EXPECT_EQ(server_.Requests().size(), 11u);
  bool ok = true;
  EXPECT_EQ(ReadAll(loop, 100, ok), "");
  EXPECT_FALSE(ok);

  // Schemes the client does not speak are not tried at all.
  for (const char* elsewhere : {"https://127.0.0.1:1/x", "file:///etc/passwd", "ftp://h/x"}) {
    SCOPED_TRACE(elsewhere);
    Srv one;
    one.Answer({Srv::Send(Srv::Response(301, "Moved", {{"Location", elsewhere}}, "body"))});
    HttpClient::Handle request = Open("GET", "/", "A", one.Port());
    EXPECT_TRUE(Send(request));
    ok = true;
    EXPECT_EQ(ReadAll(request, 100, ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(one.Connections(), 1);
  }
}

TEST_F(ClientTest, UnreachableServerFailsQuietlyAtEveryStep) {
  support::RefusingPort refusing;
  HttpClient::Handle request = Open("GET", "/", "A", refusing.Port());
  ASSERT_NE(request, HttpClient::kNone) << "opening touches no network";
  EXPECT_FALSE(Send(request));
  EXPECT_EQ(RawHeaders(request), "FAILED");
  std::uint8_t buffer[16];
  std::uint32_t read = 5;
  EXPECT_FALSE(client_.InternetReadFile(request, buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);
}

TEST_F(ClientTest, ServerClosingInItsHeadAnsweredButItsBodyFails) {
  // The status line came: the server answered, and what it answered cannot be read.
  server_.Answer({Srv::Send("HTTP/1.0 200 OK\r\nContent-Le"), Srv::Close()});
  HttpClient::Handle request = Open("GET", "/");
  EXPECT_TRUE(Send(request));
  EXPECT_EQ(RawHeaders(request), std::string("HTTP/1.0 200 OK\0", 16));
  std::uint8_t buffer[16];
  std::uint32_t read = 5;
  EXPECT_FALSE(client_.InternetReadFile(request, buffer, sizeof buffer, read));
  EXPECT_EQ(read, 0u);

  // Without a status line it never answered.
  server_.Answer({Srv::Send("HTTP/1."), Srv::Close()});
  HttpClient::Handle silent = Open("GET", "/");
  EXPECT_FALSE(Send(silent));
  EXPECT_EQ(RawHeaders(silent), "FAILED");
}

TEST_F(ClientTest, SilentServerTimesOutWhileWaitingForHeaders) {
  server_.Answer({Srv::Pause(10min)});
  HttpClient::Handle request = Open("GET", "/");
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Send(request));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 350ms) << "not before the idle timeout";
  EXPECT_EQ(server_.Finished(), 0) << "given up while the server still pauses";
}

TEST_F(ClientTest, SystemProxySettingsAreHonoured) {
  server_.Answer({Srv::Send(Ok("via proxy"))});
  setenv("http_proxy", server_.Url("").c_str(), 1);
  HttpClient::Handle session = client_.InternetOpen("A", 0, nullptr, nullptr, 0);
  HttpClient::Handle connection =
      client_.InternetConnect(session, "portal.invalid", 8080, nullptr, nullptr, 3, 0, 0);
  HttpClient::Handle request = client_.HttpOpenRequest(connection, "GET", "/yun/up1.txt",
                                                       "HTTP/1.0", nullptr, nullptr, 0, 0);
  handles_.insert(handles_.end(), {request, connection, session});
  bool sent = Send(request);
  unsetenv("http_proxy");
  ASSERT_TRUE(sent);
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_TRUE(server_.Requests()[0].starts_with(
      "GET http://portal.invalid:8080/yun/up1.txt HTTP/1.0\r\nHost: portal.invalid:8080\r\n"))
      << server_.Requests()[0];
  bool ok = false;
  EXPECT_EQ(ReadAll(request, 1024, ok), "via proxy");
}

// Cookies, through the client and on the wire.

TEST_F(ClientTest, CookieSetForAnAddressBelongsToItsDirectory) {
  EXPECT_TRUE(client_.InternetSetCookie("http://h.example/a/b.cgi?x=/y", nullptr, "k=v"));
  EXPECT_EQ(Cookie("http://h.example/a/"), "k=v");
  EXPECT_EQ(Cookie("http://h.example/a/c/d"), "k=v");
  EXPECT_EQ(Cookie("HTTP://H.EXAMPLE:81/a/x"), "k=v") << "host ignores case and port";
  EXPECT_EQ(Cookie("http://h.example/"), "FAILED");
  EXPECT_EQ(Cookie("http://h.example/ab/"), "FAILED");
  EXPECT_EQ(Cookie("http://other.example/a/"), "FAILED");
  EXPECT_EQ(Cookie("http://w.h.example/a/"), "FAILED") << "no domain given: this host only";
}

TEST_F(ClientTest, CookieNameArgumentJoinsTheDataOnSetAndIsIgnoredOnGet) {
  EXPECT_TRUE(client_.InternetSetCookie("http://h.example/", "n", "v; path=/"));
  char buffer[64];
  std::uint32_t size = sizeof buffer;
  ASSERT_TRUE(client_.InternetGetCookie("http://h.example/x", "unrelated", buffer, size));
  EXPECT_STREQ(buffer, "n=v");
  EXPECT_EQ(size, 3u);
}

TEST_F(ClientTest, CookieAttributesPathDomainAndExpiresAreHonoured) {
  EXPECT_TRUE(client_.InternetSetCookie("http://www.site.example/a/b", nullptr, "p=1; path=/"));
  EXPECT_TRUE(client_.InternetSetCookie("http://www.site.example/a/b", nullptr,
                                        "d=2; domain=.site.example; path=/"));
  EXPECT_FALSE(
      client_.InternetSetCookie("http://www.site.example/", nullptr, "x=3; domain=other.example"));
  EXPECT_FALSE(
      client_.InternetSetCookie("http://www.site.example/", nullptr, "x=3; domain=example"));
  EXPECT_TRUE(client_.InternetSetCookie("http://www.site.example/", nullptr,
                                        "gone=4; expires=Thu, 01 Jan 1970 00:00:00 GMT"));
  EXPECT_TRUE(client_.InternetSetCookie("http://www.site.example/", nullptr,
                                        "kept=5; Expires=Fri, 31 Dec 2100 23:59:59 GMT"));
  EXPECT_EQ(Cookie("http://www.site.example/"), "p=1; kept=5; d=2");
  EXPECT_EQ(Cookie("http://img.site.example/"), "d=2");
  EXPECT_EQ(Cookie("http://site.example/"), "d=2");

  // An expiry in the past removes the cookie.
  EXPECT_TRUE(client_.InternetSetCookie("http://www.site.example/", nullptr,
                                        "p=; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT"));
  EXPECT_EQ(Cookie("http://www.site.example/"), "kept=5; d=2");
}

TEST_F(ClientTest, CookiesComeMostSpecificDomainThenLongestPathFirst) {
  const std::string url = "http://www.shop.example/deep/er/page";
  client_.InternetSetCookie(url, nullptr, "wide=1; domain=shop.example; path=/deep/er/");
  client_.InternetSetCookie(url, nullptr, "root=2; path=/");
  client_.InternetSetCookie(url, nullptr, "deep=3");
  client_.InternetSetCookie(url, nullptr, "mid=4; path=/deep");
  client_.InternetSetCookie(url, nullptr, "root2=5; path=/");
  client_.InternetSetCookie(url, nullptr, "root=6; path=/");  // replaces, keeps its place
  EXPECT_EQ(Cookie(url), "deep=3; mid=4; root=6; root2=5; wide=1");
}

TEST_F(ClientTest, CookieQueryFailsWhenTheTextAndItsNulDoNotFit) {
  client_.InternetSetCookie("http://h.example/", nullptr, "k=" + std::string(252, 'v'));
  EXPECT_EQ(Cookie("http://h.example/").size(), 254u) << "254 characters and the NUL fit 255";
  client_.InternetSetCookie("http://h.example/", nullptr, "k=" + std::string(253, 'v'));
  EXPECT_EQ(Cookie("http://h.example/"), "FAILED");
  char buffer[8];
  std::uint32_t size = 5;
  EXPECT_FALSE(client_.InternetGetCookie("http://h.example/", "", buffer, size));
  EXPECT_EQ(size, 256u) << "the size needed is reported back";
}

TEST_F(ClientTest, CookiesTravelBothWays) {
  server_.Answer({Srv::Send(Srv::Response(
      200, "OK",
      {{"Set-Cookie", "sid=abc; Path=/"}, {"set-cookie", "only=here"}, {"Content-Length", "0"}},
      ""))});
  server_.Answer({Srv::Send(Ok(""))});
  client_.InternetSetCookie(server_.Url("/app/login"), nullptr, "mine=1");

  HttpClient::Handle first = Open("GET", "/app/login");
  ASSERT_TRUE(Send(first));
  EXPECT_NE(server_.Requests()[0].find("\r\nCookie: mine=1\r\n"), std::string::npos)
      << server_.Requests()[0];
  EXPECT_EQ(Cookie(server_.Url("/app/next")), "mine=1; only=here; sid=abc");

  HttpClient::Handle second = Open("GET", "/app/next");
  ASSERT_TRUE(Send(second));
  EXPECT_NE(server_.Requests()[1].find("\r\nCookie: mine=1; only=here; sid=abc\r\n"),
            std::string::npos)
      << server_.Requests()[1];
  EXPECT_EQ(Cookie(server_.Url("/")), "sid=abc");
}

TEST_F(ClientTest, CookieFromARedirectReachesTheNextHop) {
  server_.Answer({Srv::Send(
      Srv::Response(302, "Found", {{"Set-Cookie", "hop=1; path=/"}, {"Location", "/end"}}, ""))});
  server_.Answer({Srv::Send(Ok("done"))});
  HttpClient::Handle request = Open("GET", "/start");
  ASSERT_TRUE(Send(request));
  ASSERT_EQ(server_.Requests().size(), 2u);
  EXPECT_EQ(server_.Requests()[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(server_.Requests()[1].find("\r\nCookie: hop=1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace curltest

namespace curltest {
namespace {

// A listener whose accept queue is full: further connection attempts go unanswered.
class FullBacklog {
 public:
  FullBacklog() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 0);
    socklen_t len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    for (int& fd : fillers_) {
      fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
  }
  ~FullBacklog() {
    for (int fd : fillers_) close(fd);
    close(listener_);
  }
  int Port() const { return port_; }

 private:
  int listener_ = -1;
  int fillers_[3] = {-1, -1, -1};
  int port_ = 0;
};

TEST(ConnectTimeout, EndsASendToAServerThatNeverAnswers) {
  FullBacklog silent;
  fakes::FakeClock clock;
  platform::curl::CookieStore cookies(clock);
  platform::curl::CurlHttpClient client(cookies, std::chrono::milliseconds(300),
                                        std::chrono::seconds(60));
  HttpClient::Handle session = client.InternetOpen("A", 1, nullptr, nullptr, 0);
  HttpClient::Handle connection = client.InternetConnect(
      session, "127.0.0.1", static_cast<std::int16_t>(silent.Port()), nullptr, nullptr, 3, 0, 0);
  HttpClient::Handle request =
      client.HttpOpenRequest(connection, "GET", "/", "HTTP/1.0", nullptr, nullptr, 0, 0);
  auto start = std::chrono::steady_clock::now();
  auto sent = std::async(std::launch::async,
                         [&] { return client.HttpSendRequest(request, nullptr, 0, "", 0); });
  // Left to itself, the system gives up on the unanswered connection only after minutes.
  ASSERT_EQ(sent.wait_for(support::kGenerousLimit), std::future_status::ready);
  EXPECT_FALSE(sent.get());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
}

}  // namespace
}  // namespace curltest
