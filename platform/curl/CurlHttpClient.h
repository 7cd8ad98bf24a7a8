#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/HttpClient.h"
#include "platform/curl/RequestSettings.h"

namespace platform::curl {

class CookieStore;
class CurlRequest;

// The HTTP client over libcurl. Session and connection handles only hold settings;
// a request touches the network when it is sent. Cookies live in the store it is given,
// which outlives it: cookies set by a response go with the client's next requests.
class CurlHttpClient : public platform::HttpClient {
 public:
  explicit CurlHttpClient(CookieStore& cookies,
                          std::chrono::milliseconds connectTimeout = std::chrono::seconds(30),
                          std::chrono::milliseconds idleReadTimeout = std::chrono::seconds(60));
  ~CurlHttpClient() override;
  CurlHttpClient(const CurlHttpClient&) = delete;
  CurlHttpClient& operator=(const CurlHttpClient&) = delete;

  Handle InternetOpen(const std::string& agent, std::uint32_t accessType, const char* proxy,
                      const char* proxyBypass, std::uint32_t flags) override;
  Handle InternetConnect(Handle session, const std::string& serverName, std::int16_t serverPort,
                         const char* userName, const char* password, std::uint32_t service,
                         std::uint32_t flags, std::uintptr_t context) override;
  Handle HttpOpenRequest(Handle connection, const std::string& verb, const std::string& objectName,
                         const std::string& version, const char* referrer,
                         const char* const* acceptTypes, std::uint32_t flags,
                         std::uintptr_t context) override;
  bool HttpAddRequestHeaders(Handle request, const std::string& headers, std::uint32_t length,
                             std::uint32_t modifiers) override;
  bool InternetSetCookie(const std::string& url, const char* name,
                         const std::string& data) override;
  bool HttpSendRequest(Handle request, const char* headers, std::uint32_t headersLength,
                       const std::string& optional, std::uint32_t optionalLength) override;
  bool HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer, std::uint32_t& length,
                     std::uint32_t& index) override;
  bool InternetReadFile(Handle request, std::uint8_t* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override;
  bool InternetGetCookie(const std::string& url, const std::string& name, char* buffer,
                         std::uint32_t& size) override;
  bool InternetCloseHandle(Handle handle) override;
  bool DeleteUrlCacheEntry(const std::string& url) override;
  void SetWaitHandler(std::function<void()> handler) override { waitHandler_ = std::move(handler); }

 private:
  enum class Kind { Session, Connection, Request };
  struct Object {
    Kind kind = Kind::Session;
    // A session's and a connection's part of the settings of the requests made on them.
    RequestSettings settings;
    std::unique_ptr<CurlRequest> request;
    int calls = 0;        // sends and reads of this request under way
    bool closed = false;  // closed during one of them: it goes when the last returns
  };

  Object* Find(Handle handle, Kind kind);
  Handle Add(Object object);
  // Runs a send or a read of the request: the wait handler may run inside it, and may
  // close the request, which then ends the call and goes once no call uses it.
  template <class Call>
  bool Use(Handle request, Call&& call);

  CookieStore& cookies_;
  std::chrono::milliseconds connectTimeout_;
  std::chrono::milliseconds idleTimeout_;
  std::unordered_map<Handle, Object> objects_;
  std::function<void()> waitHandler_;
  Handle nextHandle_ = 0x100;
};

}  // namespace platform::curl
