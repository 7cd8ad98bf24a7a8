#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fakes/FakeClock.h"
#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlHttpClient.h"
#include "support/ScriptedServer.h"

namespace curltest {

using platform::HttpClient;
using Srv = support::ScriptedServer;

// One client against one scripted server, with short timeouts and a cookie store of its
// own on a clock that stands still; proxies from the environment are kept out of the
// loopback tests.
class ClientTest : public ::testing::Test {
 protected:
  ClientTest() {
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    unsetenv("all_proxy");
    unsetenv("ALL_PROXY");
  }
  ~ClientTest() override {
    for (HttpClient::Handle h : handles_) client_.InternetCloseHandle(h);
  }

  // Session, connection and request for a path on the scripted server.
  HttpClient::Handle Open(const std::string& verb, const std::string& path,
                          const std::string& agent = "QuorinTest/1.0", int port = 0) {
    HttpClient::Handle session =
        client_.InternetOpen(agent, HttpClient::kOpenTypePreconfig, nullptr, nullptr, 0);
    HttpClient::Handle connection = client_.InternetConnect(
        session, "127.0.0.1", static_cast<std::int16_t>(port ? port : server_.Port()), nullptr,
        "HTTP/1.0", HttpClient::kServiceHttp, 0, 0);
    HttpClient::Handle request = client_.HttpOpenRequest(
        connection, verb, path, "HTTP/1.0", nullptr, nullptr, HttpClient::kFlagReload, 0);
    handles_.insert(handles_.end(), {request, connection, session});
    return request;
  }

  bool Send(HttpClient::Handle request, const std::string& headers = "",
            const std::string& body = "") {
    client_.HttpAddRequestHeaders(request, headers, static_cast<std::uint32_t>(headers.size()),
                                  HttpClient::kAddReqFlagAddReplace);
    return client_.HttpSendRequest(request, nullptr, 0, body,
                                   static_cast<std::uint32_t>(body.size()));
  }

  // The raw header block with its NULs, or "FAILED".
  std::string RawHeaders(HttpClient::Handle request, std::uint32_t bufferSize = 1024) {
    std::string buffer(bufferSize, '\x7f');
    std::uint32_t length = bufferSize;
    std::uint32_t index = 0;
    if (!client_.HttpQueryInfo(request, HttpClient::kQueryRawHeaders, buffer.data(), length,
                               index)) {
      return "FAILED";
    }
    EXPECT_EQ(buffer[length], '\0') << "the block ends with one more NUL";
    return buffer.substr(0, length);
  }

  // Reads to the end in reads of `chunk` bytes; `ok` false when a read failed.
  std::string ReadAll(HttpClient::Handle request, std::uint32_t chunk, bool& ok) {
    std::string body;
    std::string buffer(chunk, '\0');
    for (;;) {
      std::uint32_t read = 0;
      ok = client_.InternetReadFile(request, reinterpret_cast<std::uint8_t*>(buffer.data()), chunk,
                                    read);
      if (!ok || read == 0) return body;
      body.append(buffer, 0, read);
    }
  }

  std::string Cookie(const std::string& url, std::uint32_t size = 255) {
    std::string buffer(size + 1, '\x7f');
    if (!client_.InternetGetCookie(url, "ignored", buffer.data(), size)) return "FAILED";
    return std::string(buffer.c_str());
  }

  Srv server_;
  fakes::FakeClock clock_;
  platform::curl::CookieStore cookies_{clock_};
  platform::curl::CurlHttpClient client_{cookies_, std::chrono::milliseconds(2000),
                                         std::chrono::milliseconds(400)};
  std::vector<HttpClient::Handle> handles_;
};

inline std::string Ok(const std::string& body, Srv::Headers headers = {}) {
  headers.insert(headers.begin(), {"Content-Length", std::to_string(body.size())});
  return Srv::Response(200, "OK", std::move(headers), body);
}

}  // namespace curltest
