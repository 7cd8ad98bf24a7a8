// The engine through the real curl client, POSIX files and iconv against the scripted
// loopback server: the request on the wire, the header queries, the event orders of
// both transfers and the cut-off cases.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "EngineRecorder.h"
#include "base/RuntimeError.h"
#include "fakes/FakeEventLoop.h"
#include "net/ZezazurIrud.h"
#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "support/Ports.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using nettest::Events;
using support::ReadFile;
using support::ScriptedServer;
using support::ShortPortServer;
using support::WriteFile;
namespace fs = std::filesystem;

std::string Ok(std::string body, bool announce = true) {
  ScriptedServer::Headers headers{{"Server", "scripted"}};
  if (announce) headers.emplace_back("Content-Length", std::to_string(body.size()));
  return ScriptedServer::Response(200, "OK", headers, std::move(body));
}

class EngineServer : public ::testing::Test {
 public:
  EngineServer() {
    target_ = dir_ / "dl" / "setup.rar";
    rec.Attach(wd);
    wd.SetFilename(base::FromUtf8(target_.string()));
  }

  base::Text Url(std::string_view path) { return base::FromUtf8(server.Url(path)); }
  std::unique_ptr<ScriptedServer> own_ = ShortPortServer();
  ScriptedServer& server = *own_;
  // The single request the server received.
  std::string OnlyRequest() {
    EXPECT_TRUE(server.WaitForRequests(1, support::kGenerousLimit));
    auto requests = server.Requests();
    return requests.empty() ? std::string() : requests.front();
  }

  platform::posix::PosixClock clock;
  platform::curl::CookieStore cookies{clock};
  platform::curl::CurlHttpClient http{cookies, 1000ms, 400ms};
  platform::posix::PosixFileSystem files;
  platform::posix::IconvCharset charset;
  fakes::FakeEventLoop loop;
  net::ZezazurIrud wd{http, files, clock, loop, charset};
  nettest::EngineRecorder rec;
  support::TempDir temp_{"quorin-net"};
  const fs::path& dir_ = temp_.path();
  fs::path target_;
};

TEST_F(EngineServer, SendsTheRequestLineHeadersCookieAndBody) {
  struct Case {
    const char* name;
    const char16_t* method;
    const char16_t* referer;
    const char16_t* cookie;
    const char16_t* post;
    std::string line;
    std::vector<std::string> present;
    std::vector<std::string> absent;
    std::string body;
  };
  const Case cases[] = {
      {"plain GET",
       u"GET",
       u"",
       u"",
       u"",
       "GET /dir/file.rar HTTP/1.0\r\n",
       {"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)\r\n"},
       {"Referer", "Content-Type", "Content-Length", "Expect", "Cookie"},
       ""},
      {"lower-case post",
       u"post",
       u"http://r/p",
       u"",
       u"a=1&b=2",
       "post /dir/file.rar HTTP/1.0\r\n",
       {"Referer: http://r/p\r\n", "Content-Type: application/x-www-form-urlencoded\r\n",
        "Content-Length: 7\r\n"},
       {"Expect"},
       "a=1&b=2"},
      {"GET with a body and a cookie",
       u"GET",
       u"",
       u"k=v",
       u"q=1",
       "GET /dir/file.rar HTTP/1.0\r\n",
       {"Cookie: k=v\r\n", "Content-Length: 3\r\n"},
       {"Content-Type"},
       "q=1"},
  };
  for (const Case& c : cases) {
    auto server = ShortPortServer();
    ScriptedServer& one = *server;
    one.Answer({ScriptedServer::Send(Ok("x"))});
    wd.SetURL(base::FromUtf8(one.Url("/dir/file.rar")));
    wd.SetMethod(c.method);
    wd.SetReferer(c.referer);
    wd.SetCookie(c.cookie);
    wd.SetPostData(c.post);
    ASSERT_TRUE(wd.Download()) << c.name;
    wd.bStop();
    ASSERT_TRUE(one.WaitForRequests(1, support::kGenerousLimit)) << c.name;
    std::string request = one.Requests().front();
    std::size_t headEnd = request.find("\r\n\r\n");
    ASSERT_NE(headEnd, std::string::npos) << c.name;
    std::string head = request.substr(0, headEnd + 2);
    EXPECT_EQ(head.substr(0, c.line.size()), c.line) << c.name;
    for (const std::string& h : c.present) {
      EXPECT_NE(head.find(h), std::string::npos) << c.name << ": " << h;
    }
    for (const std::string& h : c.absent) {
      EXPECT_EQ(head.find(h), std::string::npos) << c.name << ": " << h;
    }
    EXPECT_EQ(request.substr(headEnd + 4), c.body) << c.name;
  }
}

TEST_F(EngineServer, AnswersHeaderQueriesFromTheRawBlock) {
  struct Case {
    const char* name;
    std::string response;
    const char16_t* query;
    base::Text header;
    std::int32_t size;
  };
  const std::string fill(1100, 'x');
  const Case cases[] = {
      {"case of the name does not matter",
       ScriptedServer::Response(200, "OK", {{"Content-Length", "250"}}, ""), u"content-length",
       u"250", 250},
      {"whole block",
       ScriptedServer::Response(200, "OK", {{"Server", "b"}, {"Content-Length", "3"}}, ""), u"",
       u"HTTP/1.0 200 OK\0Server: b\0Content-Length: 3\0"s, 3},
      {"no Content-Length", ScriptedServer::Response(200, "OK", {{"Server", "b"}}, ""),
       u"Content-Length", u"", 1},
      {"lower-case content-length",
       ScriptedServer::Response(200, "OK", {{"content-length", "250"}}, ""), u"CONTENT-LENGTH", u"",
       1},
      {"X-Server before Server",
       ScriptedServer::Response(200, "OK", {{"X-Server", "a"}, {"Server", "b"}}, ""), u"Server",
       u"a", 1},
      {"three thousand million bytes",
       ScriptedServer::Response(200, "OK", {{"Content-Length", "3000000000"}}, ""),
       u"Content-Length", u"3000000000", 1},
      {"name outside the table", ScriptedServer::Response(200, "OK", {{"ETag", "\"e\""}}, ""),
       u"ETAG", u"0", 1},
      {"no blank after the colon", "HTTP/1.0 200 OK\r\nDate:Mon\r\n\r\n", u"date", u"on", 1},
      {"block over 1024 bytes",
       ScriptedServer::Response(200, "OK", {{"Content-Length", "3"}, {"X-Fill", fill}}, ""), u"",
       u"0", 0},
  };
  for (const Case& c : cases) {
    auto server = ShortPortServer();
    ScriptedServer& one = *server;
    one.Answer({ScriptedServer::Send(c.response)});
    wd.SetURL(base::FromUtf8(one.Url("/q")));
    ASSERT_TRUE(wd.Download()) << c.name;
    EXPECT_EQ(wd.GetHeader(c.query), c.header) << c.name;
    EXPECT_EQ(wd.FileSize(), c.size) << c.name;
    wd.bStop();
    // Outside a request every query answers from nothing.
    EXPECT_EQ(wd.GetHeader(u"Content-Length"), u"0") << c.name;
    EXPECT_EQ(wd.FileSize(), 0) << c.name;
  }
}

TEST_F(EngineServer, AddressErrorsAreThrownByDownloadAndAbsorbedByTheTransfers) {
  wd.SetURL(u"https://127.0.0.1/x");
  try {
    wd.Download();
    ADD_FAILURE() << "no error";
  } catch (const base::RuntimeError& e) {
    EXPECT_EQ(e.Kind(), base::ErrorKind::TypeMismatch);
  }
  EXPECT_TRUE(rec.events.empty());
  wd.SetURL(u"http://127.0.0.1:40000/x");
  EXPECT_FALSE(wd.DownloadToFile());
  EXPECT_EQ(rec.events, (Events{"S1", "S2"}));
  EXPECT_FALSE(fs::exists(target_));
}

TEST_F(EngineServer, AnUnreachableServerGivesAnEmptyCompleteFile) {
  fs::create_directories(target_.parent_path());
  WriteFile(target_, "earlier");
  support::RefusingPort refusing(support::RefusingPort::Range::Short);
  wd.SetURL(base::FromUtf8("http://127.0.0.1:" + std::to_string(refusing.Port()) + "/setup.rar"));
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(rec.events, (Events{"S1", "S2", "S3", "S4", "S6", "D1"}));
  EXPECT_TRUE(fs::exists(target_));
  EXPECT_EQ(fs::file_size(target_), 0u);
}

TEST_F(EngineServer, FileTransferEventOrders) {
  const std::string body = ScriptedServer::Pattern(0, 250);
  struct Case {
    const char* name;
    bool announce;
    bool reDown;
    std::string earlier;  // "" for none
    std::function<void(EngineServer&)> arm;
    Events events;
    bool result;
    std::string after;  // the target afterwards
  };
  const std::string other(250, 'o');
  const Case cases[] = {
      {"complete",
       true,
       true,
       "",
       nullptr,
       {"S5", "P250/100", "S5", "P250/200", "S5", "P250/250", "S6", "D1"},
       true,
       body},
      {"no Content-Length",
       false,
       true,
       "",
       nullptr,
       {"S5", "P1/100", "S5", "P1/200", "S5", "P1/250", "S6", "D1"},
       true,
       body},
      {"stopped on the first chunk",
       true,
       true,
       "",
       [](EngineServer& t) { t.rec.onProgress = [&t](double, double, double) { t.wd.bStop(); }; },
       {"S5", "P250/100", "E4", "D0"},
       false,
       body.substr(0, 100)},
      {"stopped before the first read",
       true,
       true,
       "earlier",
       [](EngineServer& t) {
         t.rec.onStatus = [&t](std::int32_t s) {
           if (s == 4) t.wd.bStop();
         };
       },
       {"E4", "D0"},
       false,
       "earlier"},
      {"complete file present, ReDown false",
       true,
       false,
       other,
       nullptr,
       {"E5", "D0"},
       false,
       other},
      {"other size present, ReDown false",
       true,
       false,
       "short",
       nullptr,
       {"S5", "P250/100", "S5", "P250/200", "S5", "P250/250", "S6", "D1"},
       true,
       body},
      {"complete file present, ReDown true",
       true,
       true,
       other,
       nullptr,
       {"S5", "P250/100", "S5", "P250/200", "S5", "P250/250", "S6", "D1"},
       true,
       body},
  };
  for (const Case& c : cases) {
    auto server = ShortPortServer();
    ScriptedServer& one = *server;
    one.Answer({ScriptedServer::Send(Ok(body, c.announce))});
    fs::remove_all(target_.parent_path());
    if (!c.earlier.empty()) {
      fs::create_directories(target_.parent_path());
      WriteFile(target_, c.earlier);
    }
    rec.events.clear();
    rec.onProgress = nullptr;
    rec.onStatus = nullptr;
    if (c.arm) c.arm(*this);
    // The target is complete and closed when Status 6 is raised.
    std::string atStatus6;
    auto armed = rec.onStatus;
    rec.onStatus = [&, armed](std::int32_t s) {
      if (s == 6) atStatus6 = ReadFile(target_);
      if (armed) armed(s);
    };
    wd.SetURL(base::FromUtf8(one.Url("/setup.rar")));
    wd.SetReDown(c.reDown);
    wd.SetPakesize(100);
    wd.SetFilename(base::FromUtf8(target_.string()));
    EXPECT_EQ(wd.DownloadToFile(), c.result) << c.name;
    EXPECT_EQ(rec.AfterRequest(), c.events) << c.name;
    EXPECT_EQ(ReadFile(target_), c.after) << c.name;
    if (c.result) {
      EXPECT_EQ(atStatus6, c.after) << c.name;
    }
  }
}

TEST_F(EngineServer, TargetPathsThatCannotBeWritten) {
  server.Answer({ScriptedServer::Send(Ok("abc"))});
  wd.SetURL(Url("/setup.rar"));
  // Slashes doubled, backslashes for slashes: the path is rewritten and its directories made.
  std::string messy = dir_.string() + "//a\\b/setup.rar";
  wd.SetFilename(base::FromUtf8(messy));
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(wd.Filename(), base::FromUtf8(dir_.string() + "/a/b/setup.rar"));
  EXPECT_EQ(ReadFile(dir_ / "a" / "b" / "setup.rar"), "abc");

  struct Case {
    const char* name;
    std::string path;
    Events events;
  };
  fs::create_directories(dir_ / "is.dir");
  const Case cases[] = {
      {"relative path", "quorin-net-test-no-such/setup.rar", {"E6", "D0"}},
      {"the path names a directory", (dir_ / "is.dir").string(), {"E7", "D0"}},
      {"no dot: the last part becomes a directory", (dir_ / "plain").string(), {"E7", "D0"}},
  };
  for (const Case& c : cases) {
    rec.events.clear();
    wd.SetFilename(base::FromUtf8(c.path));
    EXPECT_FALSE(wd.DownloadToFile()) << c.name;
    EXPECT_EQ(rec.AfterRequest(), c.events) << c.name;
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "plain"));
}

TEST_F(EngineServer, ACutOffOrStalledBodyEndsAsAStop) {
  struct Case {
    const char* name;
    std::vector<ScriptedServer::Action> script;
    bool serverPausing;  // still pausing when the download ends: the client gave up
  };
  const std::string head = ScriptedServer::Response(200, "OK", {{"Content-Length", "3000"}}, "");
  const Case cases[] = {
      {"closed early",
       {ScriptedServer::Send(head + std::string(1500, 'x')), ScriptedServer::Close()},
       false},
      {"reset",
       {ScriptedServer::Send(head + std::string(1500, 'x')), ScriptedServer::Reset()},
       false},
      {"stalled",
       {ScriptedServer::Send(head + std::string(1500, 'x')), ScriptedServer::Pause(10min)},
       true},
  };
  for (const Case& c : cases) {
    auto server = ShortPortServer();
    ScriptedServer& one = *server;
    one.Answer(c.script);
    rec.events.clear();
    wd.SetURL(base::FromUtf8(one.Url("/setup.rar")));
    EXPECT_FALSE(wd.DownloadToFile()) << c.name;
    if (c.serverPausing) {
      EXPECT_EQ(one.Finished(), 0) << c.name;
    }
    Events ends(rec.events.end() - 2, rec.events.end());
    EXPECT_EQ(ends, (Events{"E4", "D0"})) << c.name;
    EXPECT_EQ(ReadFile(target_), std::string(1500, 'x')) << c.name;
  }
}

TEST_F(EngineServer, FollowsARedirectToTheFinalResponse) {
  server.Answer({ScriptedServer::Send(ScriptedServer::Response(
      302, "Found", {{"Location", "/final"}, {"Content-Length", "0"}}, ""))});
  server.Answer({ScriptedServer::Send(Ok("moved here"))});
  wd.SetURL(Url("/first"));
  EXPECT_EQ(wd.DownLoadToText(), u"moved here");
  EXPECT_EQ(rec.events.back(), "D1");
  ASSERT_TRUE(server.WaitForRequests(2, support::kGenerousLimit));
  EXPECT_EQ(server.Requests()[1].substr(0, 21), "GET /final HTTP/1.0\r\n");
}

TEST_F(EngineServer, TextTransferEventOrders) {
  const std::string body(250, 'z');
  server.Answer({ScriptedServer::Send(Ok(body))});
  wd.SetURL(Url("/t"));
  wd.SetPakesize(100);
  EXPECT_EQ(wd.DownLoadToText(), base::Text(250, u'z'));
  EXPECT_EQ(rec.AfterRequest(),
            (Events{"S5", "P250/100", "S5", "P250/200", "S5", "P250/250", "S6", "D1"}));

  rec.events.clear();
  rec.onProgress = [&](double, double done, double) {
    if (done == 200) wd.bStop();
  };
  EXPECT_EQ(wd.DownLoadToText(), u"");
  EXPECT_EQ(rec.AfterRequest(), (Events{"S5", "P250/100", "S5", "P250/200", "E4", "D0"}));

  rec.events.clear();
  rec.onProgress = nullptr;
  server.Answer({ScriptedServer::Send(Ok(""))});
  EXPECT_EQ(wd.DownLoadToText(), u"");
  EXPECT_EQ(rec.AfterRequest(), (Events{"S6", "D1"}));
}

TEST_F(EngineServer, TextDecodesCharactersAcrossChunksAndSurvivesAnUnknownCharset) {
  const base::Text text = u"a中文字符和汉字混合的文本，结束";
  server.Answer({ScriptedServer::Send(Ok(base::ToGbk(text)))});
  wd.SetURL(Url("/gbk.txt"));
  for (int size = 1; size <= 7; ++size) {
    wd.SetPakesize(size);
    EXPECT_EQ(wd.DownLoadToText(), text) << "Pakesize " << size;
  }
  rec.events.clear();
  wd.SetCharset(u"no-such-charset");
  wd.SetPakesize(4);
  EXPECT_EQ(wd.DownLoadToText(), u"");
  EXPECT_EQ(rec.events.back(), "D1");
}

TEST_F(EngineServer, CookiesAreSentAndReadBackPadded) {
  server.Answer({ScriptedServer::Send(Ok("c"))});
  wd.SetURL(Url("/a/b.cgi"));
  EXPECT_EQ(wd.GetCookie(u"quorin"), u"");  // none yet
  wd.SetCookie(u"quorin=1234567890123");    // 20 characters
  ASSERT_TRUE(wd.Download());
  wd.bStop();
  EXPECT_NE(OnlyRequest().find("Cookie: quorin=1234567890123\r\n"), std::string::npos);
  base::Text cookie = wd.GetCookie(u"quorin");
  EXPECT_EQ(cookie, u"quorin=1234567890123" + base::Text(236, u' '));
}

}  // namespace

namespace {

TEST_F(EngineServer, ALineBreakOrNulInTheRequestHeadSendsNothing) {
  struct Case {
    const char* what;
    std::function<void(net::ZezazurIrud&, const std::string&)> set;
  };
  const std::u16string injected = u"\r\nX-Injected: 1";
  const Case cases[] = {
      {"method", [&](auto& w, auto&) { w.SetMethod(u"GET" + injected); }},
      {"path", [&](auto& w, auto& base) { w.SetURL(base::FromUtf8(base) + injected); }},
      {"referer", [&](auto& w, auto&) { w.SetReferer(u"http://r/" + injected); }},
      {"agent", [&](auto& w, auto&) { w.SetUserAgent(u"Agent\nX-Injected: 1"); }},
      {"cookie", [&](auto& w, auto&) { w.SetCookie(u"k=v\rX-Injected: 1"); }},
      {"NUL in the cookie", [&](auto& w, auto&) { w.SetCookie(std::u16string(u"k=v\0x", 5)); }},
  };
  for (const Case& c : cases) {
    auto one = ShortPortServer();
    one->Answer({ScriptedServer::Send(Ok("x"))});
    net::ZezazurIrud engine{http, files, clock, loop, charset};
    nettest::EngineRecorder events;
    events.Attach(engine);
    engine.SetURL(base::FromUtf8(one->Url("/a")));
    c.set(engine, one->Url("/a"));
    EXPECT_FALSE(engine.Download()) << c.what;
    EXPECT_EQ(events.events, (Events{"S1", "S2", "S3", "E3"})) << c.what;
    engine.bStop();
    // Download is over: whatever it would have sent has gone by now.
    EXPECT_EQ(one->Connections(), 0) << c.what;
  }
}

TEST_F(EngineServer, AUserNameInTheHostNeverLeavesTheEngine) {
  server.Answer({ScriptedServer::Send(Ok("x"))});
  wd.SetURL(u"http://user@127.0.0.1:" + base::FromUtf8(std::to_string(server.Port())) + u"/a");
  wd.DownloadToFile();
  EXPECT_EQ(server.Connections(), 0);
}

TEST_F(EngineServer, ARelativeTargetIsRefusedBeforeAnythingIsDeleted) {
  server.Answer({ScriptedServer::Send(Ok("new"))});
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  WriteFile(dir_ / "setup.rar", "kept");
  wd.SetURL(Url("/a"));
  wd.SetFilename(u"setup.rar");
  const bool result = wd.DownloadToFile();
  fs::current_path(before);
  EXPECT_FALSE(result);
  EXPECT_EQ(rec.AfterRequest(), (Events{"E6", "D0"}));
  EXPECT_EQ(ReadFile(dir_ / "setup.rar"), "kept");
}

}  // namespace

namespace {

// A response head as given, then the actions that follow it.
std::vector<ScriptedServer::Action> Head(const std::string& headers,
                                         std::vector<ScriptedServer::Action> rest) {
  rest.insert(rest.begin(), ScriptedServer::Send("HTTP/1.0 200 OK\r\n" + headers + "\r\n"));
  return rest;
}

TEST_F(EngineServer, TheTransportDecidesWhetherABodyIsWhole) {
  using S = ScriptedServer;
  struct Case {
    const char* what;
    std::vector<S::Action> script;
    bool complete;
    std::size_t saved;  // bytes in the file
  };
  const Case cases[] = {
      {"a loose length header before the real one",
       Head("X-Original-Content-Length: 5000\r\nContent-Length: 3000\r\n",
            {S::SendPattern(3000), S::Close()}),
       true, 3000},
      {"a length with a fraction", Head("Content-Length: 100.7\r\n", {S::SendPattern(100)}), true,
       100},
      // The transport refuses to read these: they answered, so they fail.
      {"a length that is no number", Head("Content-Length: abc\r\n", {S::SendPattern(700)}), false,
       0},
      {"a negative length", Head("Content-Length: -5\r\n", {S::SendPattern(700)}), false, 0},
      {"headers, then the close", Head("Content-Length: 5000\r\n", {S::Close()}), false, 0},
      {"part of the body, then the close",
       Head("Content-Length: 5000\r\n", {S::SendPattern(1000), S::Close()}), false, 1000},
      {"headers, then silence past the idle timeout",
       Head("Content-Length: 5000\r\n", {S::Pause(1500ms)}), false, 0},
      {"part of the body, then silence",
       Head("Content-Length: 5000\r\n", {S::SendPattern(1000), S::Pause(1500ms)}), false, 1000},
      {"an answer that is no HTTP", {S::Send("SSH-2.0-x\r\n\r\nbody"), S::Close()}, false, 0},
      // Only a server that never answered gives the empty transfer.
      {"closed without a byte", {S::Close()}, true, 0},
  };
  for (const Case& c : cases) {
    auto one = ShortPortServer();
    one->Answer(c.script);
    rec.events.clear();
    wd.SetURL(base::FromUtf8(one->Url("/a")));
    EXPECT_EQ(wd.DownloadToFile(), c.complete) << c.what;
    EXPECT_EQ(rec.events.back(), c.complete ? "D1" : "D0") << c.what;
    if (!c.complete) {
      EXPECT_EQ(rec.events[rec.events.size() - 2], "E4") << c.what;
    }
    EXPECT_EQ(ReadFile(target_).size(), c.saved) << c.what;
  }
}

}  // namespace

namespace {

TEST_F(EngineServer, AHugePakesizeReadsTheWholeFileInBoundedChunks) {
  constexpr std::size_t kSize = 3 << 20;
  server.Answer({ScriptedServer::Send(Ok(ScriptedServer::Pattern(0, kSize)))});
  wd.SetURL(Url("/big"));
  wd.SetPakesize(std::numeric_limits<std::int32_t>::max());
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(ReadFile(target_), ScriptedServer::Pattern(0, kSize));
  // One Progress per MiB at most, whatever Pakesize asks for.
  EXPECT_GE(std::count_if(rec.events.begin(), rec.events.end(),
                          [](const std::string& e) { return e[0] == 'P'; }),
            3);
}

}  // namespace

namespace {

TEST_F(EngineServer, ARedirectNotFollowedFailsInsteadOfSavingItsBody) {
  using S = ScriptedServer;
  auto moved = [](const char* location) {
    return S::Send(S::Response(302, "Moved", {{"Location", location}}, "redirect body"));
  };
  struct Case {
    const char* what;
    const char* location;
  };
  const Case cases[] = {
      {"a loop", "/a"}, {"https", "https://127.0.0.1:1/x"}, {"a file", "file:///etc/hostname"}};
  for (const Case& c : cases) {
    auto one = ShortPortServer();
    one->Answer({moved(c.location)});
    rec.events.clear();
    wd.SetURL(base::FromUtf8(one->Url("/a")));
    EXPECT_FALSE(wd.DownloadToFile()) << c.what;
    EXPECT_EQ(rec.AfterRequest(), (Events{"E4", "D0"})) << c.what;
    EXPECT_EQ(ReadFile(target_), "") << c.what;
  }
  // 308 is followed as 307 is.
  server.Answer({S::Send(S::Response(308, "Permanent", {{"Location", "/b"}}, "old"))});
  server.Answer({S::Send(Ok("final"))});
  wd.SetURL(Url("/a"));
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(ReadFile(target_), "final");
}

}  // namespace

namespace {

TEST_F(EngineServer, TextLosesOnlyTheCharactersItsBadBytesStandFor) {
  // GBK 中文, a byte that starts nothing, 中文 again, and a lead byte cut off by the end.
  const std::string body = "\xd6\xd0\xce\xc4\xff\xd6\xd0\xce\xc4\xd6";
  server.Answer({ScriptedServer::Send(Ok(body))});
  wd.SetURL(Url("/t.txt"));
  for (int size : {1, 3, 1024}) {
    wd.SetPakesize(size);
    EXPECT_EQ(wd.DownLoadToText(), u"中文\uFFFD中文\uFFFD") << "Pakesize " << size;
  }
}

}  // namespace

namespace {

// The engine waiting for a slow server: the event loop runs meanwhile, and a stop made
// from one of its events ends the wait.
class SlowServer : public EngineServer {
 protected:
  platform::curl::CurlHttpClient patient{cookies, 2000ms, 20000ms};
  net::ZezazurIrud slow{patient, files, clock, loop, charset};
  nettest::EngineRecorder events;
  void SetUp() override {
    events.Attach(slow);
    slow.SetFilename(base::FromUtf8(target_.string()));
  }
};

TEST_F(SlowServer, EventsRunWhileTheServerIsSilentAndAddNothing) {
  server.Answer(
      {ScriptedServer::Pause(400ms), ScriptedServer::Send(Ok("late")), ScriptedServer::Close()});
  slow.SetURL(Url("/a"));
  EXPECT_TRUE(slow.DownloadToFile());
  // A pass at least every 50 ms of the silence, besides the one after the only chunk.
  EXPECT_GE(loop.Passes(), 5);
  EXPECT_EQ(events.AfterRequest(), (Events{"S5", "P4/4", "S6", "D1"}));
}

TEST_F(SlowServer, AStopDuringTheWaitEndsTheTransfer) {
  struct Case {
    const char* what;
    std::vector<ScriptedServer::Action> script;
    Events tail;
  };
  const Case cases[] = {
      {"waiting for the head", {ScriptedServer::Pause(30s)}, {"E4", "D0"}},
      // The read waits for its whole chunk: the bytes that came are not reported.
      {"waiting for the body",
       {ScriptedServer::Send("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\nabc"),
        ScriptedServer::Pause(30s)},
       {"E4", "D0"}},
  };
  for (const Case& c : cases) {
    auto one = ShortPortServer();
    one->Answer(c.script);
    events.events.clear();
    bool stopped = false;
    loop.ScheduleOnPass(3, [&] {
      stopped = true;
      slow.bStop();
    });
    slow.SetURL(base::FromUtf8(one->Url("/a")));
    EXPECT_FALSE(slow.DownloadToFile()) << c.what;
    EXPECT_TRUE(stopped) << c.what;
    EXPECT_EQ(events.AfterRequest(), c.tail) << c.what;
  }
}

}  // namespace
