// The engine against the fake platform: what a real server cannot do on demand
// (failing opens, a clock passing midnight, a full disk, a refused open, a read that
// fails after data) and the arguments the engine hands the client.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "EngineRecorder.h"
#include "base/RuntimeError.h"
#include "fakes/FakeCharset.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeEventLoop.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeHttpClient.h"
#include "net/ZezazurIrud.h"

namespace {

using nettest::Events;
using Http = fakes::FakeHttpClient;

const base::Text kTarget = u"/dl/setup.rar";

std::string Body(std::size_t n) {
  std::string body;
  for (std::size_t i = 0; i < n; ++i) body.push_back(static_cast<char>('a' + i % 26));
  return body;
}

class EngineFake : public ::testing::Test {
 protected:
  EngineFake() {
    fs.AddDirectory(u"/");
    rec.Attach(wd);
    wd.SetURL(u"http://h/setup.rar");
    wd.SetFilename(kTarget);
  }

  Http http;
  fakes::FakeFileSystem fs;
  fakes::FakeClock clock;
  fakes::FakeEventLoop loop;
  fakes::FakeCharset charset;
  net::ZezazurIrud wd{http, fs, clock, loop, charset};
  nettest::EngineRecorder rec;
};

TEST_F(EngineFake, NewObjectReadsBackItsDefaults) {
  EXPECT_EQ(wd.Version(), u"Corvat ZezazurIrud 1.0.0");
  EXPECT_EQ(wd.Method(), u"GET");
  EXPECT_EQ(wd.UserAgent(), u"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
  EXPECT_EQ(wd.Charset(), u"gb2312");
  EXPECT_EQ(wd.Pakesize(), 1024);
  EXPECT_TRUE(wd.ReDown());
  EXPECT_FALSE(wd.IsUpload());
  net::ZezazurIrud fresh{http, fs, clock, loop, charset};
  EXPECT_TRUE(fresh.URL().empty() && fresh.Referer().empty() && fresh.Cookie().empty() &&
              fresh.Filename().empty() && fresh.PostData().empty());
  wd.SetSplitCode(u"|");
  EXPECT_EQ(wd.SplitCode(), u"");
  wd.SetMethod(u" post ");
  EXPECT_EQ(wd.Method(), u" post ");  // stored unchanged
}

TEST_F(EngineFake, SplitsTheAddressIntoHostPortAndPath) {
  struct Case {
    const char16_t* url;
    const char* host;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {u"http://h/dir/file.rar", "h", 80, "/dir/file.rar"},
      {u"HTTP://h:81", "h", 81, "/"},
      {u"h/a?u=http://b/c", "h", 80, "/a?u=b/c"},
      {u"hTtP://h:8080:99/x", "h", 8080, "/x"},
  };
  for (const Case& c : cases) {
    wd.SetURL(c.url);
    ASSERT_TRUE(wd.Download());
    const Http::Request& r = http.requests.back();
    EXPECT_EQ(r.host, c.host) << base::ToUtf8(c.url);
    EXPECT_EQ(r.port, c.port) << base::ToUtf8(c.url);
    EXPECT_EQ(r.path, c.path) << base::ToUtf8(c.url);
    wd.bStop();
  }
  // An empty address keeps host, port and path of the previous request.
  wd.SetURL(u"");
  ASSERT_TRUE(wd.Download());
  EXPECT_EQ(http.requests.back().host, "h");
  EXPECT_EQ(http.requests.back().port, 8080);
  EXPECT_EQ(http.requests.back().path, "/x");
}

TEST_F(EngineFake, HandsTheClientTheSessionConnectionAndRequestArguments) {
  wd.SetUserAgent(u"agent 1");
  wd.SetMethod(u"post");
  wd.SetReferer(u"http://r/");
  wd.SetCookie(u"a=1");
  wd.SetPostData(u"x=中");
  ASSERT_TRUE(wd.Download());
  const Http::Request& r = http.requests.back();
  EXPECT_EQ(r.agent, "agent 1");
  EXPECT_EQ(r.accessType, 0u);
  EXPECT_FALSE(r.userNameGiven);
  EXPECT_EQ(r.password, "HTTP/1.0");
  EXPECT_EQ(r.service, 3u);
  EXPECT_EQ(r.verb, "post");
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.openFlags, 0x80000000u);
  EXPECT_EQ(r.headers, "Referer: http://r/\r\nContent-Type: application/x-www-form-urlencoded\r\n");
  EXPECT_EQ(r.headersLength, r.headers.size());
  EXPECT_EQ(r.headersModifiers, 0xA0000000u);
  EXPECT_EQ(http.cookies["http://h/setup.rar"], "a=1");
  EXPECT_EQ(r.body, "x=\xD6\xD0");  // GBK on the wire
  EXPECT_EQ(r.bodyLength, 4u);
}

TEST_F(EngineFake, FailedOpensRaiseTheirErrorAndLeaveTheObjectRunning) {
  struct Case {
    bool Http::*fail;
    Events events;
    std::size_t leftOpen;
  };
  const Case cases[] = {
      {&Http::failOpen, {"S1", "E1"}, 0},
      {&Http::failConnect, {"S1", "S2", "E2"}, 1},
      {&Http::failRequest, {"S1", "S2", "S3", "E3"}, 2},
  };
  for (const Case& c : cases) {
    Http client;
    client.*c.fail = true;
    net::ZezazurIrud obj{client, fs, clock, loop, charset};
    nettest::EngineRecorder r;
    r.Attach(obj);
    obj.SetURL(u"http://h/x");
    EXPECT_FALSE(obj.DownloadToFile());
    EXPECT_EQ(r.events, c.events);  // no DownloadEnd
    EXPECT_EQ(client.OpenHandles(), c.leftOpen);
    // Still running: the header query answers from the (empty) block without stopping.
    EXPECT_EQ(obj.GetHeader(u"Server"), u"0");
    EXPECT_TRUE(client.cacheDeletes.empty());
    // The next request releases what the failed one left open, raising nothing for it.
    client.failOpen = client.failConnect = client.failRequest = false;
    r.events.clear();
    ASSERT_TRUE(obj.Download());
    EXPECT_EQ(r.events, (Events{"S1", "S2", "S3", "S4"}));
    EXPECT_EQ(client.OpenHandles(), 3u);
    EXPECT_EQ(client.badHandleCalls, 0);
  }
}

TEST_F(EngineFake, PortErrorsAreThrownWhereTheRequestStands) {
  wd.SetURL(u"http://h:/x");
  try {
    wd.Download();
    ADD_FAILURE() << "no error";
  } catch (const base::RuntimeError& e) {
    EXPECT_EQ(e.Kind(), base::ErrorKind::TypeMismatch);
  }
  EXPECT_TRUE(rec.events.empty());

  wd.SetURL(u"http://h:32768/x");
  try {
    wd.Download();
    ADD_FAILURE() << "no error";
  } catch (const base::RuntimeError& e) {
    EXPECT_EQ(e.Kind(), base::ErrorKind::Overflow);
  }
  EXPECT_EQ(rec.events, (Events{"S1", "S2"}));
  EXPECT_EQ(http.OpenHandles(), 1u);  // the session stays open

  // The transfers absorb it: false, and no DownloadEnd.
  rec.events.clear();
  EXPECT_FALSE(wd.DownloadToFile());
  EXPECT_EQ(rec.events, (Events{"S1", "S2"}));
  EXPECT_EQ(wd.DownLoadToText(), u"");
}

TEST_F(EngineFake, DestructionReleasesOpenHandlesSilently) {
  {
    net::ZezazurIrud obj{http, fs, clock, loop, charset};
    nettest::EngineRecorder r;
    r.Attach(obj);
    obj.SetURL(u"http://h/x");
    ASSERT_TRUE(obj.Download());
    r.events.clear();
    EXPECT_EQ(http.OpenHandles(), 3u);
  }
  EXPECT_EQ(http.OpenHandles(), 0u);
  EXPECT_TRUE(http.cacheDeletes.empty());
}

TEST_F(EngineFake, SpeedKeepsItsLastValueWhenTheClockPassesMidnight) {
  http.response = Http::Ok(Body(3000));
  clock.Script({86399.0, 86399.5, 86399.75, 0.25});
  ASSERT_TRUE(wd.DownloadToFile());
  ASSERT_EQ(rec.speeds.size(), 3u);
  EXPECT_DOUBLE_EQ(rec.speeds[0], 1024 / 0.5);
  EXPECT_DOUBLE_EQ(rec.speeds[1], 2048 / 0.75);
  EXPECT_DOUBLE_EQ(rec.speeds[2], 2048 / 0.75);  // negative elapsed time: kept

  // The next transfer starts with that speed until time is seen to pass.
  rec.speeds.clear();
  clock.Script({5.0, 5.0, 6.0});
  ASSERT_TRUE(wd.DownloadToFile());
  EXPECT_DOUBLE_EQ(rec.speeds[0], 2048 / 0.75);
  EXPECT_DOUBLE_EQ(rec.speeds[1], 2048.0);
}

TEST_F(EngineFake, AFailingWriteEndsTheTransfer) {
  http.response = Http::Ok(Body(3000));
  fs.diskSpace = 1500;
  EXPECT_FALSE(wd.DownloadToFile());
  EXPECT_EQ(rec.AfterRequest(), (Events{"S5", "P3000/1024", "E7", "D0"}));
  EXPECT_EQ(fs.Contents(kTarget)->size(), 1500u);
  EXPECT_EQ(fs.OpenFiles(), 0u);
  EXPECT_EQ(http.OpenHandles(), 0u);
  EXPECT_EQ(fs.writes, 2);
}

TEST_F(EngineFake, AFailingCloseAfterTheLastChunkIsNotASuccess) {
  http.response = Http::Ok(Body(3000));
  fs.failClose.insert(kTarget);
  EXPECT_FALSE(wd.DownloadToFile());
  EXPECT_EQ(rec.AfterRequest(),
            (Events{"S5", "P3000/1024", "S5", "P3000/2048", "S5", "P3000/3000", "E7", "D0"}));
  EXPECT_EQ(fs.OpenFiles(), 0u);
  EXPECT_EQ(http.OpenHandles(), 0u);
}

TEST_F(EngineFake, ARefusedOpenIsError7AfterTheEarlierFileIsGone) {
  http.response = Http::Ok(Body(10));
  fs.AddDirectory(u"/dl");
  fs.AddFile(kTarget, "old");
  fs.refuseOpen.insert(kTarget);
  EXPECT_FALSE(wd.DownloadToFile());
  EXPECT_EQ(rec.AfterRequest(), (Events{"E7", "D0"}));
  EXPECT_FALSE(fs.FileExists(kTarget));
  EXPECT_EQ(http.OpenHandles(), 0u);
  EXPECT_EQ(http.reads, 0);
}

TEST_F(EngineFake, ACutOffBodyIsNotASuccess) {
  struct Case {
    const char* name;
    Http::Response response;
    Events events;
    std::size_t kept;
  };
  Http::Response failing = Http::Ok(Body(3000));
  failing.failAfter = 2048;
  Http::Response shortBody = Http::Ok(Body(1500));
  shortBody.rawHeaders = Http::RawHeaders({"HTTP/1.0 200 OK", "Content-Length: 3000"});
  Http::Response unannounced = Http::Ok(Body(1500));
  unannounced.rawHeaders = Http::RawHeaders({"HTTP/1.0 200 OK"});
  unannounced.failAfter = 1500;
  Http::Response nothing;  // unreachable: no headers, the first read fails
  nothing.headersOk = false;
  nothing.failAfter = 0;
  const Case cases[] = {
      {"read fails after data",
       failing,
       {"S5", "P3000/1024", "S5", "P3000/2048", "E4", "D0"},
       2048},
      {"ends before its length",
       shortBody,
       {"S5", "P3000/1024", "S5", "P3000/1500", "E4", "D0"},
       1500},
      {"fails without a length", unannounced, {"S5", "P1/1024", "S5", "P1/1500", "E4", "D0"}, 1500},
      {"nothing ever arrives", nothing, {"S6", "D1"}, 0},
  };
  for (const Case& c : cases) {
    http.response = c.response;
    rec.events.clear();
    bool open = false;
    rec.onEnd = [&](bool) { open = fs.IsOpen(kTarget); };
    EXPECT_EQ(wd.DownloadToFile(), c.kept == 0) << c.name;
    EXPECT_EQ(rec.AfterRequest(), c.events) << c.name;
    EXPECT_EQ(fs.Contents(kTarget)->size(), c.kept) << c.name;
    EXPECT_EQ(open, c.kept > 0) << c.name;  // like a stop: closed after DownloadEnd

    http.response = c.response;
    rec.events.clear();
    wd.SetCharset(u"gbk");
    EXPECT_EQ(wd.DownLoadToText().empty(), true) << c.name;
    EXPECT_EQ(rec.events.back(), c.kept ? "D0" : "D1") << c.name;
  }
}

TEST_F(EngineFake, TheTargetIsTruncatedWhenItCouldNotBeDeleted) {
  http.response = Http::Ok("new");
  fs.AddDirectory(u"/dl");
  fs.AddFile(kTarget, "an older and longer file");
  fs.refuseDelete.insert(kTarget);
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(*fs.Contents(kTarget), "new");
}

TEST_F(EngineFake, APakesizeOfZeroOrLessReceivesNothing) {
  for (int size : {0, -3}) {
    http.response = Http::Ok(Body(10));
    rec.events.clear();
    wd.SetPakesize(size);
    EXPECT_TRUE(wd.DownloadToFile());
    EXPECT_EQ(rec.AfterRequest(), (Events{"S6", "D1"}));
    EXPECT_EQ(fs.Contents(kTarget), "");
  }
}

TEST_F(EngineFake, HandlersMayStopReplaceHandlersAndFailWithoutHarm) {
  http.response = Http::Ok(Body(5000));
  // A runtime error in a handler skips that step only.
  rec.onProgress = [&](double, double done, double) {
    if (done == 1024) throw base::RuntimeError(base::ErrorKind::Overflow, "handler");
  };
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(rec.events.back(), "D1");

  // A stop during the event-loop pass ends the transfer after that chunk.
  rec.events.clear();
  rec.onProgress = [&](double, double done, double) {
    if (done == 2048) loop.Schedule([&] { wd.bStop(); });
  };
  EXPECT_FALSE(wd.DownloadToFile());
  EXPECT_EQ(rec.AfterRequest(), (Events{"S5", "P5000/1024", "S5", "P5000/2048", "E4", "D0"}));
  EXPECT_EQ(fs.Contents(kTarget)->size(), 2048u);

  // New handlers installed from inside a handler take over at the next event.
  rec.onProgress = nullptr;
  rec.events.clear();
  int replaced = 0;
  rec.onStatus = [&](std::int32_t s) {
    if (s != 5) return;
    net::ZezazurIrud::Events e;
    e.Status = [&](net::EngineStatus) { ++replaced; };
    wd.SetEvents(std::move(e));
  };
  EXPECT_TRUE(wd.DownloadToFile());
  EXPECT_EQ(rec.AfterRequest(), (Events{"S5"}));
  EXPECT_EQ(replaced, 5);  // four more chunks and Status 6
}

TEST_F(EngineFake, EndingTheProgramFromAHandlerIsNotAbsorbed) {
  struct ProgramEnded {};
  http.response = Http::Ok(Body(10));
  rec.onStatus = [](std::int32_t s) {
    if (s == 6) throw ProgramEnded{};
  };
  EXPECT_THROW(wd.DownloadToFile(), ProgramEnded);
  EXPECT_EQ(fs.OpenFiles(), 0u);  // closed before Status 6
}

TEST_F(EngineFake, ACharacterCutOffByTheEndOfTheBodyIsStillDecoded) {
  // Characters split between chunks are carried over (see the server tests); one that
  // the body itself cuts off is decoded at the end rather than dropped.
  http.response = Http::Ok(base::ToGbk(u"ab中") + "\xD6");
  wd.SetPakesize(2);
  base::Text got = wd.DownLoadToText();
  EXPECT_EQ(got.substr(0, 3), u"ab中");
  EXPECT_EQ(got.size(), 4u);
  EXPECT_EQ(charset.inputs.back(), "\xD6");
}

}  // namespace
