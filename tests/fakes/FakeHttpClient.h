#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/HttpClient.h"

namespace fakes {

// A scriptable HTTP client: opens that fail, a header block (or a failing header
// query), a body handed out in reads of at most `maxRead` bytes, and a read that fails
// once `failAfter` bytes have gone out. It records every request and keeps a cookie
// store keyed by address.
class FakeHttpClient : public platform::HttpClient {
 public:
  struct Response {
    bool headersOk = true;
    // The block as the query returns it: each line followed by one NUL (see RawHeaders).
    std::string rawHeaders;
    std::string body;
    // Reads fail once this many body bytes have been handed out.
    std::optional<std::size_t> failAfter;
    std::size_t maxRead = static_cast<std::size_t>(-1);
  };

  struct Request {
    std::string agent;
    std::uint32_t accessType = 0;
    std::string host;
    std::int16_t port = 0;
    bool userNameGiven = false;
    std::string password;
    std::uint32_t service = 0;
    std::string verb;
    std::string path;
    std::string version;
    std::uint32_t openFlags = 0;
    std::string headers;
    std::uint32_t headersLength = 0;
    std::uint32_t headersModifiers = 0;
    bool sent = false;
    std::string body;
    std::uint32_t bodyLength = 0;
  };

  // "line\0line\0..." from the lines given.
  static std::string RawHeaders(std::initializer_list<std::string> lines);
  // A 200 response announcing `body`'s length.
  static Response Ok(std::string body);

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

  // Handles opened and not yet closed.
  std::size_t OpenHandles() const { return open_.size(); }

  bool failOpen = false;
  bool failConnect = false;
  bool failRequest = false;
  Response response;
  // Runs at the start of every read (to script a clock or a stop mid-transfer).
  std::function<void()> onRead;

  std::vector<Request> requests;  // one per opened request, in order
  std::vector<std::string> cacheDeletes;
  std::map<std::string, std::string> cookies;  // address -> cookie text
  std::vector<Handle> closed;
  int reads = 0;
  int badHandleCalls = 0;  // operations on a handle that is not open

 private:
  // The length the response's own Content-Length header announces, when it is a number.
  std::optional<std::size_t> AnnouncedLength() const;
  enum class Kind { Session, Connection, Request };
  struct OpenHandle {
    Kind kind;
    std::size_t request = 0;  // index into requests
    std::size_t delivered = 0;
  };
  OpenHandle* Find(Handle handle, Kind kind);

  Handle next_ = 100;
  std::map<Handle, OpenHandle> open_;
};

}  // namespace fakes
