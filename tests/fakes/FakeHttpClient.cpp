#include "fakes/FakeHttpClient.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/Ascii.h"

namespace fakes {

std::string FakeHttpClient::RawHeaders(std::initializer_list<std::string> lines) {
  std::string block;
  for (const std::string& line : lines) {
    block += line;
    block.push_back('\0');
  }
  return block;
}

FakeHttpClient::Response FakeHttpClient::Ok(std::string body) {
  Response r;
  r.rawHeaders = RawHeaders(
      {"HTTP/1.0 200 OK", "Content-Length: " + std::to_string(body.size()), "Server: fake"});
  r.body = std::move(body);
  return r;
}

FakeHttpClient::OpenHandle* FakeHttpClient::Find(Handle handle, Kind kind) {
  auto it = open_.find(handle);
  if (it == open_.end() || it->second.kind != kind) {
    ++badHandleCalls;
    return nullptr;
  }
  return &it->second;
}

platform::HttpClient::Handle FakeHttpClient::InternetOpen(const std::string& agent,
                                                          std::uint32_t accessType, const char*,
                                                          const char*, std::uint32_t) {
  if (failOpen) return kNone;
  Request r;
  r.agent = agent;
  r.accessType = accessType;
  requests.push_back(r);
  Handle h = next_++;
  open_[h] = {Kind::Session, requests.size() - 1, 0};
  return h;
}

platform::HttpClient::Handle FakeHttpClient::InternetConnect(
    Handle session, const std::string& serverName, std::int16_t serverPort, const char* userName,
    const char* password, std::uint32_t service, std::uint32_t, std::uintptr_t) {
  OpenHandle* s = Find(session, Kind::Session);
  if (!s || failConnect) return kNone;
  Request& r = requests[s->request];
  r.host = serverName;
  r.port = serverPort;
  r.userNameGiven = userName != nullptr;
  r.password = password ? password : "";
  r.service = service;
  Handle h = next_++;
  open_[h] = {Kind::Connection, s->request, 0};
  return h;
}

platform::HttpClient::Handle FakeHttpClient::HttpOpenRequest(Handle connection,
                                                             const std::string& verb,
                                                             const std::string& objectName,
                                                             const std::string& version,
                                                             const char*, const char* const*,
                                                             std::uint32_t flags, std::uintptr_t) {
  OpenHandle* c = Find(connection, Kind::Connection);
  if (!c || failRequest) return kNone;
  Request& r = requests[c->request];
  r.verb = verb;
  r.path = objectName;
  r.version = version;
  r.openFlags = flags;
  Handle h = next_++;
  open_[h] = {Kind::Request, c->request, 0};
  return h;
}

bool FakeHttpClient::HttpAddRequestHeaders(Handle request, const std::string& headers,
                                           std::uint32_t length, std::uint32_t modifiers) {
  OpenHandle* q = Find(request, Kind::Request);
  if (!q) return false;
  Request& r = requests[q->request];
  r.headers += headers;
  r.headersLength = length;
  r.headersModifiers = modifiers;
  return true;
}

bool FakeHttpClient::InternetSetCookie(const std::string& url, const char*,
                                       const std::string& data) {
  cookies[url] = data;
  return true;
}

bool FakeHttpClient::HttpSendRequest(Handle request, const char*, std::uint32_t,
                                     const std::string& optional, std::uint32_t optionalLength) {
  OpenHandle* q = Find(request, Kind::Request);
  if (!q) return false;
  Request& r = requests[q->request];
  r.sent = true;
  r.body = optional;
  r.bodyLength = optionalLength;
  return response.headersOk;
}

bool FakeHttpClient::HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                                   std::uint32_t& length, std::uint32_t&) {
  OpenHandle* q = Find(request, Kind::Request);
  if (!q || infoLevel != kQueryRawHeaders || !response.headersOk) return false;
  const std::string& block = response.rawHeaders;
  if (block.size() + 1 > length) return false;
  std::memcpy(buffer, block.data(), block.size());
  buffer[block.size()] = '\0';
  length = static_cast<std::uint32_t>(block.size());
  return true;
}

std::optional<std::size_t> FakeHttpClient::AnnouncedLength() const {
  // "Content-Length: digits" among the NUL-separated header lines.
  std::size_t start = 0;
  while (start < response.rawHeaders.size()) {
    std::size_t end = response.rawHeaders.find('\0', start);
    if (end == std::string::npos) end = response.rawHeaders.size();
    std::string line = response.rawHeaders.substr(start, end - start);
    start = end + 1;
    constexpr std::string_view kName = "content-length:";
    if (line.size() <= kName.size()) continue;
    if (!base::StartsNoCase(line, kName)) continue;
    std::string value = line.substr(kName.size());
    value.erase(0, value.find_first_not_of(' '));
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) continue;
    return static_cast<std::size_t>(std::stoull(value));
  }
  return std::nullopt;
}

bool FakeHttpClient::InternetReadFile(Handle request, std::uint8_t* buffer, std::uint32_t toRead,
                                      std::uint32_t& read) {
  ++reads;
  read = 0;
  if (onRead) onRead();
  OpenHandle* q = Find(request, Kind::Request);
  if (!q) return false;
  std::size_t limit = response.body.size();
  if (response.failAfter) {
    limit = std::min(limit, *response.failAfter);
    if (q->delivered >= limit) return false;
  }
  // As a transport does: a body that ends before the length its response announced
  // fails at its end.
  if (q->delivered >= limit && limit < AnnouncedLength().value_or(0)) return false;
  std::size_t n = std::min<std::size_t>({toRead, response.maxRead, limit - q->delivered});
  std::memcpy(buffer, response.body.data() + q->delivered, n);
  q->delivered += n;
  read = static_cast<std::uint32_t>(n);
  return true;
}

bool FakeHttpClient::InternetGetCookie(const std::string& url, const std::string&, char* buffer,
                                       std::uint32_t& size) {
  auto it = cookies.find(url);
  if (it == cookies.end() || it->second.size() + 1 > size) return false;
  std::memcpy(buffer, it->second.c_str(), it->second.size() + 1);
  size = static_cast<std::uint32_t>(it->second.size());
  return true;
}

bool FakeHttpClient::InternetCloseHandle(Handle handle) {
  auto it = open_.find(handle);
  if (it == open_.end()) {
    ++badHandleCalls;
    return false;
  }
  open_.erase(it);
  closed.push_back(handle);
  return true;
}

bool FakeHttpClient::DeleteUrlCacheEntry(const std::string& url) {
  cacheDeletes.push_back(url);
  return true;
}

}  // namespace fakes
