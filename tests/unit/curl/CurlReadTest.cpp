#include <gtest/gtest.h>

#include <string>

#include "ClientFixture.h"
#include "support/Wait.h"

namespace curltest {
namespace {

using namespace std::chrono_literals;

struct Read {
  bool ok;
  std::uint32_t bytes;
};

class ReadTest : public ClientTest {
 protected:
  Read ReadOnce(HttpClient::Handle request, std::uint32_t size, std::string* into = nullptr) {
    std::string buffer(size, '\0');
    std::uint32_t read = 12345;
    bool ok = client_.InternetReadFile(request, reinterpret_cast<std::uint8_t*>(buffer.data()),
                                       size, read);
    if (into) into->append(buffer, 0, read);
    return {ok, read};
  }
};

std::string Head(std::uint64_t contentLength) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(contentLength) + "\r\n\r\n";
}

TEST_F(ReadTest, EachReadIsFilledAcrossManySmallServerWrites) {
  std::vector<Srv::Action> script{Srv::Send(Head(2000))};
  for (int i = 0; i < 40; ++i) {
    script.push_back(Srv::Send(Srv::Pattern(i * 50, 50)));
    script.push_back(Srv::Pause(1ms));
  }
  server_.Answer(script);
  HttpClient::Handle request = Open("GET", "/");
  ASSERT_TRUE(Send(request));
  std::string body;
  for (std::uint32_t expected : {700u, 700u, 600u, 0u}) {
    Read r = ReadOnce(request, 700, &body);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.bytes, expected);
  }
  EXPECT_EQ(body, Srv::Pattern(0, 2000));
}

TEST_F(ReadTest, LargeBodyArrivesIntactWhateverTheReadSize) {
  constexpr std::uint64_t kSize = 6 * 1024 * 1024 + 17;
  for (std::uint32_t chunk : {1u, 1000u, 1024u, 65536u, 1u << 20}) {
    SCOPED_TRACE(chunk);
    Srv server;
    server.Answer({Srv::Send(Head(kSize)), Srv::SendPattern(kSize)});
    HttpClient::Handle session = client_.InternetOpen("A", 0, nullptr, nullptr, 0);
    HttpClient::Handle connection = client_.InternetConnect(
        session, "127.0.0.1", static_cast<std::int16_t>(server.Port()), nullptr, nullptr, 3, 0, 0);
    HttpClient::Handle request =
        client_.HttpOpenRequest(connection, "GET", "/big", "HTTP/1.0", nullptr, nullptr, 0, 0);
    handles_.insert(handles_.end(), {request, connection, session});
    ASSERT_TRUE(Send(request));
    // The server runs ahead as far as the connection lets it, so that the transfer has
    // to pause and resume.
    ASSERT_TRUE(server.WaitUntilBlocked(support::kGenerousLimit));
    std::string buffer(chunk, '\0');
    std::uint64_t offset = 0;
    bool intact = true;
    for (;;) {
      std::uint32_t read = 0;
      ASSERT_TRUE(client_.InternetReadFile(request, reinterpret_cast<std::uint8_t*>(buffer.data()),
                                           chunk, read));
      if (read == 0) break;
      if (offset + chunk <= kSize) {
        ASSERT_EQ(read, chunk) << "at offset " << offset;
      }
      for (std::uint32_t i = 0; i < read && intact; ++i) {
        intact = static_cast<std::uint8_t>(buffer[i]) == Srv::PatternByte(offset + i);
      }
      ASSERT_TRUE(intact) << "at offset " << offset;
      offset += read;
    }
    EXPECT_EQ(offset, kSize);
  }
}

struct CutCase {
  const char* name;
  std::vector<Srv::Action> script;
  std::string expectedData;
};

TEST_F(ReadTest, BodyCutShortFailsAfterItsData) {
  const CutCase cases[] = {
      {"closed before Content-Length",
       {Srv::Send(Head(1000) + std::string(300, 'a')), Srv::Close()},
       std::string(300, 'a')},
      {"closed after a pause",
       {Srv::Send(Head(1000) + std::string(100, 'b')), Srv::Pause(30ms),
        Srv::Send(std::string(50, 'c')), Srv::Close()},
       std::string(100, 'b') + std::string(50, 'c')},
      {"reset",
       {Srv::Send(Head(1000) + std::string(200, 'd')), Srv::Pause(30ms), Srv::Reset()},
       std::string(200, 'd')},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::uint32_t chunk : {64u, 4096u}) {
      SCOPED_TRACE(chunk);
      server_.Answer(c.script);
      HttpClient::Handle request = Open("GET", "/");
      ASSERT_TRUE(Send(request));
      std::string data;
      Read r{true, 1};
      while (r.ok && r.bytes > 0) r = ReadOnce(request, chunk, &data);
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.bytes, 0u);
      EXPECT_EQ(data, c.expectedData);
      EXPECT_FALSE(ReadOnce(request, chunk).ok) << "a failed transfer stays failed";
    }
  }
}

TEST_F(ReadTest, BodyWithoutLengthEndsWithTheConnection) {
  server_.Answer({Srv::Send("HTTP/1.0 200 OK\r\n\r\nfirst "), Srv::Pause(20ms), Srv::Send("second"),
                  Srv::Close()});
  HttpClient::Handle request = Open("GET", "/");
  ASSERT_TRUE(Send(request));
  bool ok = false;
  EXPECT_EQ(ReadAll(request, 4, ok), "first second");
  EXPECT_TRUE(ok);
  Read again = ReadOnce(request, 4);
  EXPECT_TRUE(again.ok);
  EXPECT_EQ(again.bytes, 0u);
}

TEST_F(ReadTest, StalledBodyFailsAfterTheIdleTimeout) {
  server_.Answer({Srv::Send(Head(1000) + std::string(100, 'x')), Srv::Pause(10min)});
  HttpClient::Handle request = Open("GET", "/");
  ASSERT_TRUE(Send(request));
  auto start = std::chrono::steady_clock::now();
  Read first = ReadOnce(request, 1000);
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.bytes, 100u) << "the data before the stall still comes";
  Read second = ReadOnce(request, 1000);
  EXPECT_FALSE(second.ok);
  EXPECT_EQ(second.bytes, 0u);
  EXPECT_EQ(server_.Finished(), 0) << "given up while the server still pauses";
  EXPECT_GE(std::chrono::steady_clock::now() - start, 350ms) << "not before the idle timeout";
}

TEST_F(ReadTest, TimeBetweenReadsIsNotIdleTime) {
  server_.Answer({Srv::Send(Head(3000)), Srv::SendPattern(3000)});
  HttpClient::Handle request = Open("GET", "/");
  ASSERT_TRUE(Send(request));
  std::string body;
  EXPECT_EQ(ReadOnce(request, 1000, &body).bytes, 1000u);

  // An idle timeout passes: one begun later, on a server that goes silent, runs out.
  Srv silent;
  silent.Answer({Srv::Send(Head(1000)), Srv::Pause(10min)});
  HttpClient::Handle stalled = Open("GET", "/", "QuorinTest/1.0", silent.Port());
  ASSERT_TRUE(Send(stalled));
  ASSERT_FALSE(ReadOnce(stalled, 1000).ok);

  EXPECT_EQ(ReadOnce(request, 1000, &body).bytes, 1000u);
  EXPECT_EQ(ReadOnce(request, 1000, &body).bytes, 1000u);
  EXPECT_EQ(body, Srv::Pattern(0, 3000));
}

TEST_F(ReadTest, HeadRequestHasNoBodyToWaitFor) {
  // Waiting for the announced body would run into the idle timeout and fail the read.
  server_.Answer({Srv::Send(Head(5000)), Srv::Pause(10min)});
  HttpClient::Handle request = Open("HEAD", "/");
  ASSERT_TRUE(Send(request));
  Read r = ReadOnce(request, 100);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.bytes, 0u);
}

TEST_F(ReadTest, ClosingARequestInTheMiddleOfItsBodyLetsTheNextOneRun) {
  server_.Answer({Srv::Send(Head(1 << 24)), Srv::SendPattern(1 << 24)});
  HttpClient::Handle first = Open("GET", "/");
  ASSERT_TRUE(Send(first));
  EXPECT_EQ(ReadOnce(first, 1024).bytes, 1024u);
  EXPECT_TRUE(client_.InternetCloseHandle(first));
  server_.Answer({Srv::Send(Ok("next"))});
  HttpClient::Handle second = Open("GET", "/");
  ASSERT_TRUE(Send(second));
  bool ok = false;
  EXPECT_EQ(ReadAll(second, 1024, ok), "next");
}

}  // namespace
}  // namespace curltest
