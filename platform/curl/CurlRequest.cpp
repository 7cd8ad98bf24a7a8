#include "platform/curl/CurlRequest.h"

#include <algorithm>
#include <cstring>

#include "base/Ascii.h"

namespace platform::curl {
namespace {

// curl's receive buffer; the body buffer holds one full receive plus one write chunk,
// so a receive that arrives while the reader's buffer is empty never has to pause.
constexpr long kReceiveBuffer = 256 * 1024;
constexpr std::size_t kBodyBuffer = kReceiveBuffer + CURL_MAX_WRITE_SIZE;
constexpr int kMaxRedirects = 10;

using base::EqualsNoCase;
using base::StartsNoCase;
using base::TrimAny;
// Header lines are cut at their line ends before they are trimmed: a CR left inside one is
// part of the line as the caller or the server gave it, not a blank.
using base::kBlanks;

// The multi interface has no transfer code of its own for its failures.
CURLcode FromMulti(CURLMcode code) {
  return code == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
}

// The platform escapes spaces in the path and nothing else.
std::string EscapeSpaces(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == ' ') {
      out += "%20";
    } else {
      out += c;
    }
  }
  return out;
}

// "Name: value" as curl's header list wants it: a header with an empty value is
// written "Name;" (a bare "Name:" would remove the header instead).
std::string CurlHeaderLine(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon != std::string_view::npos && TrimAny(line.substr(colon + 1), kBlanks).empty()) {
    return std::string(line.substr(0, colon)) + ";";
  }
  return std::string(line);
}

}  // namespace

CurlRequest::CurlRequest(Settings settings, CookieStore& cookies)
    : settings_(std::move(settings)), cookies_(cookies) {}

CURLcode CurlRequest::GlobalInit() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  return result;
}

CurlRequest::~CurlRequest() {
  EndHop();
  if (multi_) curl_multi_cleanup(multi_);
}

void CurlRequest::AddHeaders(std::string_view text, bool replace) {
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name = base::AsciiLowerCopy(TrimAny(line.substr(0, colon), kBlanks));
    if (name.empty()) continue;
    auto same = std::find_if(headers_.begin(), headers_.end(),
                             [&](const auto& header) { return header.first == name; });
    if (replace && same != headers_.end()) {
      same->second = std::string(line);
    } else {
      headers_.emplace_back(std::move(name), std::string(line));
    }
  }
}

bool CurlRequest::Send(std::string body) {
  EndHop();
  verb_ = settings_.verb;
  body_ = std::move(body);
  noBody_ = EqualsNoCase(verb_, "HEAD");
  bodyDropped_ = false;
  hops_ = 0;
  refused_ = false;
  finished_ = false;
  result_ = CURLE_OK;
  phase_ = Phase::kAwaitingHead;

  std::string host = settings_.host;
  // The text is a host name, as the platform takes it: one that could be read as holding
  // a user name, a path or a second address names no host, so nothing is sent.
  constexpr std::string_view kNotInAHostName("@/\\?#% \t\r\n\0", 11);
  if (host.find_first_of(kNotInAHostName) != std::string::npos) {
    Finish(CURLE_COULDNT_RESOLVE_HOST);
    return false;
  }
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  std::string path = settings_.path.empty() ? "/" : settings_.path;
  if (path.front() != '/') path.insert(path.begin(), '/');
  url_ = "http://" + host;
  if (settings_.port != 80) url_ += ":" + std::to_string(settings_.port);
  url_ += EscapeSpaces(path);

  if (const CURLcode init = GlobalInit(); init != CURLE_OK) {
    Finish(init);
    return false;
  }
  if (!multi_) multi_ = curl_multi_init();
  if (!multi_) {
    Finish(CURLE_OUT_OF_MEMORY);
    return false;
  }
  if (const CURLcode started = StartHop(url_); started != CURLE_OK) {
    Finish(started);
    return false;
  }
  Drive([this] { return phase_ == Phase::kHeadDone; });
  // The head of a refused redirect is given; its body is not, and reading it fails.
  if (refused_) Finish(CURLE_TOO_MANY_REDIRECTS);
  // A server that sent its status line and then failed (a length the transport will
  // not read, silence, a close) did answer: its head as far as it came is the final one,
  // and reading its body fails.
  // So did one whose answer is no HTTP at all: it has an empty head.
  const bool answered = status_ > 0 || (connected_ && (result_ == CURLE_WEIRD_SERVER_REPLY ||
                                                       result_ == CURLE_UNSUPPORTED_PROTOCOL));
  if (phase_ != Phase::kHeadDone && phase_ != Phase::kRedirecting && finished_ && answered) {
    phase_ = Phase::kHeadDone;
    if (result_ == CURLE_OK) result_ = CURLE_WEIRD_SERVER_REPLY;  // the head never ended
  }
  return phase_ == Phase::kHeadDone;
}

CURLcode CurlRequest::StartHop(const std::string& url) {
  phase_ = Phase::kAwaitingHead;
  status_ = 0;
  lines_.clear();
  location_.clear();
  connected_ = false;
  activity_ = false;
  paused_ = false;
  head_ = tail_ = 0;
  address_ = CookieStore::Parse(url).value_or(CookieStore::Address{});

  easy_ = curl_easy_init();
  if (!easy_) return CURLE_OUT_OF_MEMORY;

  // The first failure is the request's; an option curl refuses (an older library, a
  // value past its limits) would otherwise leave the request going out without it.
  CURLcode result = CURLE_OK;
  auto check = [&result](CURLcode code) {
    if (result == CURLE_OK) result = code;
  };

  // Only what an HTTP/1.0 client must send (Host, and the agent) plus the caller's
  // headers: curl's own Accept, Expect and form Content-Type are suppressed.
  auto has = [this](std::string_view name) {
    return std::any_of(headers_.begin(), headers_.end(),
                       [&](const auto& header) { return header.first == name; });
  };
  auto append = [&](const std::string& line) {
    curl_slist* list = curl_slist_append(headerList_, line.c_str());
    if (list) {
      headerList_ = list;
    } else {
      check(CURLE_OUT_OF_MEMORY);
    }
  };
  for (const auto& [name, line] : headers_) {
    if (bodyDropped_ && name == "content-type") continue;
    append(CurlHeaderLine(line));
  }
  if (!has("content-type") || bodyDropped_) append("Content-Type:");
  if (!has("accept")) append("Accept:");
  append("Expect:");
  std::string cookies = cookies_.CookieHeader(address_);
  if (!cookies.empty() && !has("cookie")) append("Cookie: " + cookies);

  check(curl_easy_setopt(easy_, CURLOPT_URL, url.c_str()));
  check(curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http"));
  check(curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L));
  check(curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L));
  // Credentials never come from an address, a redirect's included.
  check(curl_easy_setopt(easy_, CURLOPT_DISALLOW_USERNAME_IN_URL, 1L));
  check(curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION,
                         settings_.version == "HTTP/1.1"
                             ? static_cast<long>(CURL_HTTP_VERSION_1_1)
                             : static_cast<long>(CURL_HTTP_VERSION_1_0)));
  if (!body_.empty() || EqualsNoCase(verb_, "POST")) {
    check(curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE,
                           static_cast<curl_off_t>(body_.size())));
    check(curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.data()));
  }
  if (noBody_) check(curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L));
  check(curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb_.c_str()));
  if (!settings_.agent.empty()) {
    check(curl_easy_setopt(easy_, CURLOPT_USERAGENT, settings_.agent.c_str()));
  }
  check(curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_));
  switch (settings_.accessType) {
    case AccessType::kPreconfig:  // curl reads the system's settings itself
      break;
    case AccessType::kDirect:
      check(curl_easy_setopt(easy_, CURLOPT_PROXY, ""));
      break;
    case AccessType::kProxy:
      check(curl_easy_setopt(easy_, CURLOPT_PROXY, settings_.proxy.c_str()));
      check(curl_easy_setopt(easy_, CURLOPT_NOPROXY, settings_.proxyBypass.c_str()));
      break;
  }
  check(curl_easy_setopt(
      easy_, CURLOPT_CONNECTTIMEOUT_MS,
      static_cast<long>(std::max<long long>(1, settings_.connectTimeout.count()))));
  check(curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBuffer));
  check(curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlRequest::OnHeader));
  check(curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this));
  check(curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlRequest::OnBody));
  check(curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this));
  check(curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &CurlRequest::OnConnected));
  check(curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this));
  if (result != CURLE_OK) return result;
  const CURLMcode added = curl_multi_add_handle(multi_, easy_);
  return added == CURLM_OK ? CURLE_OK : FromMulti(added);
}

void CurlRequest::EndHop() {
  if (easy_) {
    curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
  }
  if (headerList_) {
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
  }
  paused_ = false;
}

void CurlRequest::Finish(CURLcode result) {
  finished_ = true;
  result_ = result;
  EndHop();
}

void CurlRequest::FollowRedirect() {
  // Location may be relative to the address just asked for.
  CURLU* address = curl_url();
  if (!address) {
    Finish(CURLE_OUT_OF_MEMORY);
    return;
  }
  std::string target;
  char* resolved = nullptr;
  CURLUcode parsed = curl_url_set(address, CURLUPART_URL, url_.c_str(), 0);
  if (parsed == CURLUE_OK) {
    parsed = curl_url_set(address, CURLUPART_URL, EscapeSpaces(location_).c_str(), 0);
  }
  if (parsed == CURLUE_OK) parsed = curl_url_get(address, CURLUPART_URL, &resolved, 0);
  if (parsed == CURLUE_OK) target = resolved;
  curl_free(resolved);
  curl_url_cleanup(address);
  if (parsed == CURLUE_OUT_OF_MEMORY) {
    Finish(CURLE_OUT_OF_MEMORY);
    return;
  }
  if (parsed != CURLUE_OK || target.empty()) {
    // A Location that makes no address: this response is the final one.
    phase_ = Phase::kHeadDone;
    return;
  }
  if (!StartsNoCase(target, "http://")) {
    // The engine speaks plain HTTP only: a redirect elsewhere fails at once.
    refused_ = true;
    phase_ = Phase::kHeadDone;
    return;
  }
  int code = status_;
  EndHop();
  // 301, 302 and 303 turn any verb but GET and HEAD into GET and drop the body; 307 and
  // 308 repeat the request as it was.
  if (code != 307 && code != 308) {
    if (!EqualsNoCase(verb_, "GET") && !EqualsNoCase(verb_, "HEAD")) verb_ = "GET";
    body_.clear();
    bodyDropped_ = true;
  }
  ++hops_;
  url_ = std::move(target);
  if (const CURLcode started = StartHop(url_); started != CURLE_OK) Finish(started);
}

template <class Done>
void CurlRequest::Drive(Done done) {
  using Clock = std::chrono::steady_clock;
  auto lastActivity = Clock::now();
  auto lastPass = lastActivity;
  for (;;) {
    if (finished_ || done()) return;
    int running = 0;
    if (const CURLMcode performed = curl_multi_perform(multi_, &running); performed != CURLM_OK) {
      Finish(FromMulti(performed));
      return;
    }
    bool hopEnded = false;
    CURLcode hopResult = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
        hopEnded = true;
        hopResult = message->data.result;
      }
    }
    if (phase_ == Phase::kRedirecting) {
      FollowRedirect();
      lastActivity = Clock::now();
      continue;
    }
    if (hopEnded) {
      Finish(hopResult);
      return;
    }
    if (done()) return;

    auto now = Clock::now();
    if (activity_) {
      activity_ = false;
      lastActivity = now;
    }
    auto waitMs = std::chrono::milliseconds(1000);
    if (connected_) {
      auto idleLeft = settings_.idleTimeout -
                      std::chrono::duration_cast<std::chrono::milliseconds>(now - lastActivity);
      if (idleLeft <= std::chrono::milliseconds(0)) {
        Finish(CURLE_OPERATION_TIMEDOUT);
        return;
      }
      waitMs = std::min(waitMs, idleLeft);
    }
    if (waiter_) {
      // The caller's events run between polls, not at every poll: a fast transfer is
      // not slowed by them.
      if (now - lastPass >= kWaitPass) {
        lastPass = now;
        const auto waiter = waiter_;
        if (!waiter()) {
          Finish(CURLE_ABORTED_BY_CALLBACK);
          return;
        }
        continue;
      }
      waitMs = std::min(waitMs, std::chrono::duration_cast<std::chrono::milliseconds>(
                                    kWaitPass - (now - lastPass)) +
                                    std::chrono::milliseconds(1));
    }
    // A poll that fails would fail again at once: the loop would spin.
    if (const CURLMcode polled =
            curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMs.count()), nullptr);
        polled != CURLM_OK) {
      Finish(FromMulti(polled));
      return;
    }
  }
}

size_t CurlRequest::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* r = static_cast<CurlRequest*>(self);
  std::size_t length = size * count;
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  r->activity_ = true;
  // Lines after a head has ended are trailers of its body: the head stays as it came.
  if (r->phase_ == Phase::kHeadDone || r->phase_ == Phase::kRedirecting) return length;

  if (r->phase_ != Phase::kInHead) {
    if (line.empty()) return length;
    // The status line, rebuilt from its version, code and reason.
    r->phase_ = Phase::kInHead;
    r->lines_.clear();
    r->location_.clear();
    std::size_t space = line.find(' ');
    std::string_view version = line.substr(0, space);
    std::string_view rest = space == std::string_view::npos
                                ? std::string_view{}
                                : TrimAny(line.substr(space + 1), kBlanks);
    std::size_t codeEnd = rest.find(' ');
    std::string_view code = rest.substr(0, codeEnd);
    std::string_view reason = codeEnd == std::string_view::npos
                                  ? std::string_view{}
                                  : TrimAny(rest.substr(codeEnd + 1), kBlanks);
    r->status_ = 0;
    for (char c : code) {
      if (c < '0' || c > '9') break;
      r->status_ = r->status_ * 10 + (c - '0');
    }
    std::string status = std::string(version) + " " + std::string(code);
    if (!reason.empty()) status += " " + std::string(reason);
    r->lines_.push_back(std::move(status));
    return length;
  }

  if (line.empty()) {
    if (r->status_ >= 100 && r->status_ < 200) {
      r->phase_ = Phase::kAwaitingHead;  // an interim response
      return length;
    }
    const bool redirect = r->status_ == 301 || r->status_ == 302 || r->status_ == 303 ||
                          r->status_ == 307 || r->status_ == 308;
    if (redirect && !r->location_.empty() && r->hops_ < kMaxRedirects) {
      r->phase_ = Phase::kRedirecting;
    } else {
      // A redirect past the limit (a loop, most likely) is the final head, and it has
      // no body worth reading.
      r->refused_ = redirect && !r->location_.empty();
      r->phase_ = Phase::kHeadDone;
    }
    return length;
  }

  r->lines_.emplace_back(line);
  if (StartsNoCase(line, "set-cookie:")) {
    r->cookies_.Set(r->address_, TrimAny(line.substr(11), kBlanks));
  } else if (StartsNoCase(line, "location:")) {
    r->location_ = std::string(TrimAny(line.substr(9), kBlanks));
  }
  return length;
}

size_t CurlRequest::OnBody(char* data, size_t size, size_t count, void* self) {
  auto* r = static_cast<CurlRequest*>(self);
  std::size_t length = size * count;
  r->activity_ = true;
  // A redirect's own body.
  if (r->phase_ != Phase::kHeadDone || r->refused_) return length;

  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  std::size_t rest = length;
  // Straight into a waiting reader's buffer when nothing is queued before it.
  if (r->Buffered() == 0 && r->targetLeft_ > 0) {
    std::size_t direct = std::min(rest, r->targetLeft_);
    std::memcpy(r->target_, bytes, direct);
    r->target_ += direct;
    r->targetLeft_ -= direct;
    bytes += direct;
    rest -= direct;
  }
  if (rest == 0) return length;

  if (r->buffer_.empty()) r->buffer_.resize(kBodyBuffer);
  if (r->tail_ + rest > r->buffer_.size() && r->head_ > 0) {
    std::memmove(r->buffer_.data(), r->buffer_.data() + r->head_, r->Buffered());
    r->tail_ -= r->head_;
    r->head_ = 0;
  }
  if (r->tail_ + rest > r->buffer_.size()) {
    if (rest == length) {
      r->paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    // Part of the chunk is already with the reader, so it cannot be handed back.
    r->buffer_.resize(r->tail_ + rest);
  }
  std::memcpy(r->buffer_.data() + r->tail_, bytes, rest);
  r->tail_ += rest;
  return length;
}

int CurlRequest::OnConnected(void* self, char*, char*, int, int) {
  auto* r = static_cast<CurlRequest*>(self);
  r->connected_ = true;
  r->activity_ = true;
  return CURL_PREREQFUNC_OK;
}

bool CurlRequest::RawHeaders(char* buffer, std::uint32_t& length) const {
  if (phase_ != Phase::kHeadDone) return false;
  std::size_t total = 1;
  for (const std::string& line : lines_) total += line.size() + 1;
  if (!buffer || total > length) {
    length = static_cast<std::uint32_t>(total);
    return false;
  }
  char* out = buffer;
  for (const std::string& line : lines_) {
    std::memcpy(out, line.data(), line.size());
    out += line.size();
    *out++ = '\0';
  }
  *out = '\0';
  length = static_cast<std::uint32_t>(total - 1);
  return true;
}

bool CurlRequest::Read(std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& read) {
  read = 0;
  if (phase_ != Phase::kHeadDone) return false;

  std::size_t take = std::min<std::size_t>(Buffered(), toRead);
  if (take > 0) std::memcpy(buffer, buffer_.data() + head_, take);
  head_ += take;
  if (head_ == tail_) head_ = tail_ = 0;
  read = static_cast<std::uint32_t>(take);
  if (read == toRead) return true;
  if (finished_) return result_ == CURLE_OK || read > 0;

  target_ = buffer + read;
  targetLeft_ = toRead - read;
  if (paused_) {
    // May hand over what curl kept back at once, through OnBody.
    paused_ = false;
    if (const CURLcode resumed = curl_easy_pause(easy_, CURLPAUSE_CONT); resumed != CURLE_OK) {
      Finish(resumed);
    }
  }
  Drive([this] { return targetLeft_ == 0 || paused_; });
  read = toRead - static_cast<std::uint32_t>(targetLeft_);
  target_ = nullptr;
  targetLeft_ = 0;
  if (read > 0) return true;
  return finished_ && result_ == CURLE_OK;
}

}  // namespace platform::curl
