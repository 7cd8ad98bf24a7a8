#include "platform/curl/CurlHttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlRequest.h"

namespace platform::curl {
namespace {

constexpr std::uint32_t kAddReqFlagReplace = 0x80000000u;
constexpr std::uint16_t kDefaultHttpPort = 80;
constexpr std::uint32_t kOpenTypeDirect = 1;
constexpr std::uint32_t kOpenTypeProxy = 3;

// A length of all ones means "up to the terminating NUL".
std::string_view Prefix(const std::string& text, std::uint32_t length) {
  if (length == 0xFFFFFFFFu) return std::string_view(text.c_str());
  return std::string_view(text).substr(0, length);
}

// The access type as a session is opened with it; an unknown one takes the system's
// settings, as the preconfigured type does.
AccessType AccessTypeOf(std::uint32_t value) {
  switch (value) {
    case kOpenTypeDirect:
      return AccessType::kDirect;
    case kOpenTypeProxy:
      return AccessType::kProxy;
    default:
      return AccessType::kPreconfig;
  }
}

}  // namespace

CurlHttpClient::CurlHttpClient(CookieStore& cookies, std::chrono::milliseconds connectTimeout,
                               std::chrono::milliseconds idleReadTimeout)
    : cookies_(cookies), connectTimeout_(connectTimeout), idleTimeout_(idleReadTimeout) {
  // On the thread that makes the client, before any request; a failure shows in each send.
  CurlRequest::GlobalInit();
}

CurlHttpClient::~CurlHttpClient() = default;

CurlHttpClient::Object* CurlHttpClient::Find(Handle handle, Kind kind) {
  auto it = objects_.find(handle);
  if (it == objects_.end() || it->second.kind != kind) return nullptr;
  return &it->second;
}

HttpClient::Handle CurlHttpClient::Add(Object object) {
  Handle handle = nextHandle_++;
  objects_.emplace(handle, std::move(object));
  return handle;
}

HttpClient::Handle CurlHttpClient::InternetOpen(const std::string& agent, std::uint32_t accessType,
                                                const char* proxy, const char* proxyBypass,
                                                std::uint32_t /*flags*/) {
  Object session;
  session.kind = Kind::Session;
  session.settings.agent = agent;
  session.settings.accessType = AccessTypeOf(accessType);
  if (proxy) session.settings.proxy = proxy;
  if (proxyBypass) session.settings.proxyBypass = proxyBypass;
  return Add(std::move(session));
}

HttpClient::Handle CurlHttpClient::InternetConnect(Handle session, const std::string& serverName,
                                                   std::int16_t serverPort,
                                                   const char* /*userName*/,
                                                   const char* /*password*/, std::uint32_t service,
                                                   std::uint32_t /*flags*/,
                                                   std::uintptr_t /*context*/) {
  const Object* owner = Find(session, Kind::Session);
  if (!owner || service != kServiceHttp || serverName.empty()) return kNone;
  Object connection;
  connection.kind = Kind::Connection;
  connection.settings = owner->settings;
  connection.settings.host = serverName;
  // The port travels as a signed 16-bit value; 0 stands for the default port.
  auto port = static_cast<std::uint16_t>(serverPort);
  connection.settings.port = port == 0 ? kDefaultHttpPort : port;
  return Add(std::move(connection));
}

HttpClient::Handle CurlHttpClient::HttpOpenRequest(
    Handle connection, const std::string& verb, const std::string& objectName,
    const std::string& version, const char* /*referrer*/, const char* const* /*acceptTypes*/,
    std::uint32_t /*flags*/, std::uintptr_t /*context*/) {
  const Object* owner = Find(connection, Kind::Connection);
  if (!owner) return kNone;
  RequestSettings settings = owner->settings;
  settings.verb = verb.empty() ? "GET" : verb;
  settings.path = objectName;
  settings.version = version.empty() ? "HTTP/1.1" : version;
  settings.connectTimeout = connectTimeout_;
  settings.idleTimeout = idleTimeout_;
  Object request;
  request.kind = Kind::Request;
  request.request = std::make_unique<CurlRequest>(std::move(settings), cookies_);
  return Add(std::move(request));
}

bool CurlHttpClient::HttpAddRequestHeaders(Handle request, const std::string& headers,
                                           std::uint32_t length, std::uint32_t modifiers) {
  Object* object = Find(request, Kind::Request);
  if (!object) return false;
  object->request->AddHeaders(Prefix(headers, length), (modifiers & kAddReqFlagReplace) != 0);
  return true;
}

bool CurlHttpClient::InternetSetCookie(const std::string& url, const char* name,
                                       const std::string& data) {
  auto address = CookieStore::Parse(url);
  if (!address) return false;
  std::string text = name && *name ? std::string(name) + "=" + data : data;
  return cookies_.Set(*address, text);
}

template <class Call>
bool CurlHttpClient::Use(Handle request, Call&& call) {
  Object* object = Find(request, Kind::Request);
  if (!object || object->closed) return false;
  // The object may move while handlers run (the table grows); the request itself stays.
  CurlRequest& curl = *object->request;
  ++object->calls;
  curl.SetWaiter([this, request] {
    if (waitHandler_) {
      const auto handler = waitHandler_;
      handler();
    }
    auto it = objects_.find(request);
    return it != objects_.end() && !it->second.closed;
  });
  const bool result = call(curl);
  auto it = objects_.find(request);
  if (--it->second.calls == 0) {
    curl.SetWaiter(nullptr);
    if (it->second.closed) {
      objects_.erase(it);
      return false;
    }
  }
  return result;
}

bool CurlHttpClient::HttpSendRequest(Handle request, const char* headers,
                                     std::uint32_t headersLength, const std::string& optional,
                                     std::uint32_t optionalLength) {
  Object* object = Find(request, Kind::Request);
  if (!object || object->closed) return false;
  if (headers && headersLength > 0) {
    std::string extra(headers);
    object->request->AddHeaders(Prefix(extra, headersLength), false);
  }
  std::string body(Prefix(optional, optionalLength));
  return Use(request, [&](CurlRequest& curl) { return curl.Send(std::move(body)); });
}

bool CurlHttpClient::HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                                   std::uint32_t& length, std::uint32_t& /*index*/) {
  Object* object = Find(request, Kind::Request);
  if (!object || object->closed || infoLevel != kQueryRawHeaders) return false;
  return object->request->RawHeaders(buffer, length);
}

bool CurlHttpClient::InternetReadFile(Handle request, std::uint8_t* buffer, std::uint32_t toRead,
                                      std::uint32_t& read) {
  read = 0;
  if (!buffer && toRead > 0) return false;
  return Use(request, [&](CurlRequest& curl) { return curl.Read(buffer, toRead, read); });
}

bool CurlHttpClient::InternetGetCookie(const std::string& url, const std::string& /*name*/,
                                       char* buffer, std::uint32_t& size) {
  // The name is accepted and not used, as on the platforms this client stands in for.
  auto address = CookieStore::Parse(url);
  if (!address) return false;
  std::string text = cookies_.CookieHeader(*address);
  if (text.empty()) return false;
  if (!buffer || text.size() + 1 > size) {
    size = static_cast<std::uint32_t>(text.size() + 1);
    return false;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  size = static_cast<std::uint32_t>(text.size());
  return true;
}

bool CurlHttpClient::InternetCloseHandle(Handle handle) {
  auto it = objects_.find(handle);
  if (it == objects_.end() || it->second.closed) return false;
  // A request whose send or read is waiting further up the stack goes when that returns.
  if (it->second.calls > 0) {
    it->second.closed = true;
    return true;
  }
  objects_.erase(it);
  return true;
}

bool CurlHttpClient::DeleteUrlCacheEntry(const std::string& /*url*/) {
  // Nothing is ever cached, so there is no entry to discard.
  return false;
}

}  // namespace platform::curl
