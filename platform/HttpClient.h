#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The HTTP client, with operations named after the WinINet functions they stand for.
// Narrow text is bytes in the wire's code page. Opening the session, connection and
// request never touches the network; sending does, and a server that cannot be
// reached shows only in the header query and the reads.
class HttpClient {
 public:
  using Handle = std::uintptr_t;
  static constexpr Handle kNone = 0;

  static constexpr std::uint32_t kOpenTypePreconfig = 0;
  static constexpr std::uint32_t kServiceHttp = 3;
  static constexpr std::uint32_t kFlagReload = 0x80000000u;
  static constexpr std::uint32_t kAddReqFlagAddReplace = 0xA0000000u;
  static constexpr std::uint32_t kQueryRawHeaders = 21;

  virtual ~HttpClient() = default;

  virtual Handle InternetOpen(const std::string& agent, std::uint32_t accessType, const char* proxy,
                              const char* proxyBypass, std::uint32_t flags) = 0;
  virtual Handle InternetConnect(Handle session, const std::string& serverName,
                                 std::int16_t serverPort, const char* userName,
                                 const char* password, std::uint32_t service, std::uint32_t flags,
                                 std::uintptr_t context) = 0;
  virtual Handle HttpOpenRequest(Handle connection, const std::string& verb,
                                 const std::string& objectName, const std::string& version,
                                 const char* referrer, const char* const* acceptTypes,
                                 std::uint32_t flags, std::uintptr_t context) = 0;
  virtual bool HttpAddRequestHeaders(Handle request, const std::string& headers,
                                     std::uint32_t length, std::uint32_t modifiers) = 0;
  // name may be null.
  virtual bool InternetSetCookie(const std::string& url, const char* name,
                                 const std::string& data) = 0;
  virtual bool HttpSendRequest(Handle request, const char* headers, std::uint32_t headersLength,
                               const std::string& optional, std::uint32_t optionalLength) = 0;
  // On entry length is the buffer's size; on success it is the length written
  // (without the final NUL). Fails when the result does not fit.
  virtual bool HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                             std::uint32_t& length, std::uint32_t& index) = 0;
  // Fills the buffer unless the body ends or fails; 0 bytes read means the end.
  virtual bool InternetReadFile(Handle request, std::uint8_t* buffer, std::uint32_t toRead,
                                std::uint32_t& read) = 0;
  // On entry size is the buffer's size; fails when there is no cookie for the address
  // or the text with its NUL does not fit.
  virtual bool InternetGetCookie(const std::string& url, const std::string& name, char* buffer,
                                 std::uint32_t& size) = 0;
  virtual bool InternetCloseHandle(Handle handle) = 0;
  virtual bool DeleteUrlCacheEntry(const std::string& url) = 0;

  // Runs while a send or a read waits for the network, at least every 50 ms, so that the
  // caller's windows stay alive. It may close the very handle being waited on: that wait
  // then ends at once and its call fails. Without one the client just waits. A client
  // that never waits may ignore it.
  virtual void SetWaitHandler(std::function<void()> handler) { (void)handler; }
};

}  // namespace platform
