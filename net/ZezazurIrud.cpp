#include "net/ZezazurIrud.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/Numbers.h"
#include "base/RuntimeError.h"
#include "net/CreateDirectoryPath.h"

namespace net {

namespace {

using platform::HttpClient;

const base::Text kVersion = u"Corvat ZezazurIrud 1.0.0";
constexpr char kHttpVersion[] = "HTTP/1.0";
constexpr std::uint32_t kRawHeadersSize = 1024;
constexpr std::uint32_t kCookieBufferSize = 256;
// The most one chunk asks for: a larger Pakesize is read this much at a time, so no
// setting can make the engine ask for memory it would never fill.
constexpr std::int32_t kMaxChunk = 1 << 20;

// Runs a call that may wait for the network with the program's events going on
// meanwhile, so its windows stay alive and a stop can end the wait.
template <class Call>
void Waiting(platform::HttpClient& http, platform::EventLoop& loop, Call&& call) {
  struct Reset {
    platform::HttpClient& http;
    ~Reset() { http.SetWaitHandler(nullptr); }
  } reset{http};
  http.SetWaitHandler([&loop] { loop.DoEvents(); });
  call();
}

struct KnownHeader {
  base::TextView name;      // upper case, as asked for
  base::TextView searched;  // as it is searched for in the block
  std::size_t offset;       // from the match to the value: the name, the colon, one blank
};

constexpr std::array<KnownHeader, 5> kKnownHeaders{{
    {u"CONTENT-LENGTH", u"Content-Length", 16},
    {u"CONTENT-TYPE", u"Content-Type", 14},
    {u"DATE", u"Date", 6},
    {u"LAST-MODIFIED", u"Last-Modified", 15},
    {u"SERVER", u"Server", 8},
}};

}  // namespace

ZezazurIrud::ZezazurIrud(platform::HttpClient& http, platform::FileSystem& files,
                         platform::Clock& clock, platform::EventLoop& loop,
                         platform::Charset& charset)
    : http_(http), files_(files), clock_(clock), loop_(loop), decoder_(charset) {}

ZezazurIrud::~ZezazurIrud() {
  bRunning = false;
  // Handles a caller left open would otherwise outlive the object.
  base::SkipOnFailure([&] { ReleaseHandles(); });
}

void ZezazurIrud::SetEvents(Events events) {
  // A handler being run keeps its own copy alive (see Raise*), so handlers may be
  // replaced from inside a handler.
  events_ = std::make_shared<const Events>(std::move(events));
}

const base::Text& ZezazurIrud::Version() const {
  return kVersion;
}

void ZezazurIrud::RaiseProgress(double dbFileSize, double dbFinished, double dbSpeed) {
  auto events = events_;
  if (events && events->Progress) events->Progress(dbFileSize, dbFinished, dbSpeed);
}

void ZezazurIrud::RaiseDownloadEnd(bool bSuccess) {
  auto events = events_;
  if (events && events->DownloadEnd) events->DownloadEnd(bSuccess);
}

void ZezazurIrud::RaiseStatus(EngineStatus lStatus) {
  auto events = events_;
  if (events && events->Status) events->Status(lStatus);
}

void ZezazurIrud::RaiseError(EngineError lErrorCode) {
  auto events = events_;
  if (events && events->Error) events->Error(lErrorCode);
}

void ZezazurIrud::ReleaseHandles() {
  // Each member is cleared before its handle is closed, so nothing is closed twice.
  for (Handle* handle : {&hRequest, &hConnect, &hOpen}) {
    Handle open = std::exchange(*handle, HttpClient::kNone);
    if (open != HttpClient::kNone) http_.InternetCloseHandle(open);
  }
}

// ---- Request session ----

void ZezazurIrud::ParseUrl() {
  if (url_.empty()) return;
  base::Text s = base::ReplaceNoCase(url_, u"http://", u"");
  std::size_t p = base::InStr(s, u"/");
  if (p > 0) {
    sPath = base::Mid(s, p);
    sHost = base::Left(s, p - 1);
  } else {
    sPath.assign(1, u'/');  // (a literal here trips a false -Wrestrict in GCC 12)
    sHost = s;
  }
  std::size_t colon = base::InStr(sHost, u":");
  if (colon > 0) {
    std::size_t next = base::InStr(colon + 1, sHost, u":");
    base::Text port =
        next > 0 ? base::Mid(sHost, colon + 1, next - colon - 1) : base::Mid(sHost, colon + 1);
    sHost = base::Left(sHost, colon - 1);
    nPort = base::TextToInt32(port);
  } else {
    nPort = 80;
  }
}

bool ZezazurIrud::Download() {
  // A request left open by a failed Download (or by a caller that never stopped) is
  // released here rather than lost.
  ReleaseHandles();
  bRunning = true;
  ParseUrl();

  RaiseStatus(EngineStatus::kOpening);
  ReleaseHandles();  // in case a handler made a request of its own
  hOpen = http_.InternetOpen(base::ToGbk(userAgent_), HttpClient::kOpenTypePreconfig, nullptr,
                             nullptr, 0);
  if (hOpen == HttpClient::kNone) {
    RaiseError(EngineError::kSession);
    return false;
  }

  RaiseStatus(EngineStatus::kConnecting);
  std::int16_t port = base::ToInt16(static_cast<std::int64_t>(nPort));
  Handle connection = http_.InternetConnect(hOpen, base::ToGbk(sHost), port, nullptr, kHttpVersion,
                                            HttpClient::kServiceHttp, 0, 0);
  if (hConnect != HttpClient::kNone) http_.InternetCloseHandle(hConnect);
  hConnect = connection;
  if (hConnect == HttpClient::kNone) {
    RaiseError(EngineError::kConnection);
    return false;
  }

  RaiseStatus(EngineStatus::kRequesting);
  // A line break or NUL in what goes into the request head would start a header of its
  // own: such a request is not sent at all.
  for (const base::Text* part : {&method_, &sPath, &referer_, &userAgent_, &cookie_}) {
    if (part->find_first_of(base::TextView(u"\r\n\0", 3)) != base::Text::npos) {
      RaiseError(EngineError::kRequest);
      return false;
    }
  }
  Handle request =
      http_.HttpOpenRequest(hConnect, base::ToGbk(method_), base::ToGbk(sPath), kHttpVersion,
                            nullptr, nullptr, HttpClient::kFlagReload, 0);
  if (hRequest != HttpClient::kNone) http_.InternetCloseHandle(hRequest);
  hRequest = request;
  if (hRequest == HttpClient::kNone) {
    RaiseError(EngineError::kRequest);
    return false;
  }

  RaiseStatus(EngineStatus::kRequested);
  base::Text headers;
  if (!referer_.empty()) headers += u"Referer: " + referer_ + u"\r\n";
  if (base::UCase(method_) == u"POST") {
    headers += u"Content-Type: application/x-www-form-urlencoded\r\n";
  }
  std::string narrowHeaders = base::ToGbk(headers);
  http_.HttpAddRequestHeaders(hRequest, narrowHeaders,
                              static_cast<std::uint32_t>(narrowHeaders.size()),
                              HttpClient::kAddReqFlagAddReplace);

  if (!cookie_.empty()) http_.InternetSetCookie(base::ToGbk(url_), nullptr, base::ToGbk(cookie_));

  std::string body = base::ToGbk(postData_);
  Waiting(http_, loop_, [&] {
    http_.HttpSendRequest(hRequest, nullptr, 0, body, static_cast<std::uint32_t>(body.size()));
  });

  sRawHeaders.assign(kRawHeadersSize, u' ');
  lRawHeadersLen = kRawHeadersSize;
  char buffer[kRawHeadersSize];
  std::uint32_t length = kRawHeadersSize;
  std::uint32_t index = 0;
  bHaveHeaders = http_.HttpQueryInfo(hRequest, HttpClient::kQueryRawHeaders, buffer, length, index);
  if (bHaveHeaders) {
    length = std::min(length, kRawHeadersSize);
    lRawHeadersLen = static_cast<std::int32_t>(length);
    sRawHeaders = base::FromGbk(std::string_view(buffer, length));
  } else {
    sRawHeaders.clear();
  }
  return true;
}

void ZezazurIrud::bStop() {
  bRunning = false;
  ReleaseHandles();
  http_.DeleteUrlCacheEntry(base::ToGbk(url_));
}

// ---- Queries ----

base::Text ZezazurIrud::GetHeader(const base::Text& hdrName) {
  if (!bRunning) {
    base::SkipOnFailure([&] { bStop(); });
    return u"0";
  }
  if (sRawHeaders.empty()) return u"0";
  base::Text name = base::UCase(hdrName);
  if (name.empty()) return sRawHeaders;
  for (const KnownHeader& header : kKnownHeaders) {
    if (name != header.name) continue;
    std::size_t p = base::InStr(sRawHeaders, header.searched);
    // A header that is absent answers empty text, which reads as no number.
    if (p == 0) return {};
    base::Text rest = base::Mid(sRawHeaders, p + header.offset);
    std::size_t q = base::InStr(rest, base::TextView(u"\0", 1));
    if (q == 0) return {};
    return base::Left(rest, q - 1);
  }
  return u"0";
}

std::optional<std::int32_t> ZezazurIrud::ReadableContentLength() {
  base::Text text = GetHeader(u"Content-Length");
  std::optional<std::int32_t> length;
  base::SkipOnFailure([&] { length = base::TextToInt32(text); });
  return length;
}

std::int32_t ZezazurIrud::FileSize() {
  return ReadableContentLength().value_or(1);
}

base::Text ZezazurIrud::GetCookie(const base::Text& CookName) {
  char buffer[kCookieBufferSize];
  std::fill(std::begin(buffer), std::end(buffer), ' ');
  std::uint32_t size = kCookieBufferSize - 1;
  bool found = false;
  base::SkipOnFailure([&] {
    found = http_.InternetGetCookie(base::ToGbk(url_), base::ToGbk(CookName), buffer, size);
  });
  if (!found) return {};
  base::Text text = base::FromGbk(std::string_view(buffer, kCookieBufferSize));
  for (char16_t drop : {u'\0', u'\n', u'\r'}) {
    text.erase(std::remove(text.begin(), text.end(), drop), text.end());
    if (text.size() < kCookieBufferSize) text.resize(kCookieBufferSize, u' ');
  }
  return text;
}

// ---- Transfers ----

bool ZezazurIrud::Request() {
  bool requested = false;
  if (!base::SkipOnFailure([&] { requested = Download(); })) return false;
  return requested;
}

void ZezazurIrud::EndWithError(EngineError lErrorCode) {
  base::SkipOnFailure([&] { bStop(); });
  base::SkipOnFailure([&] { RaiseError(lErrorCode); });
  base::SkipOnFailure([&] { RaiseDownloadEnd(false); });
}

template <class Sink>
bool ZezazurIrud::ReadLoop(double total, Sink&& sink) {
  base::SkipOnFailure([&] { dbStartTime = clock_.SecondsSinceMidnight(); });
  double bytesSoFar = 0;
  // One buffer for the whole transfer, grown when a handler raises Pakesize; it is
  // never touched before a read fills it.
  std::unique_ptr<std::uint8_t[]> buffer;
  std::size_t capacity = 0;
  for (;;) {
    const std::int32_t size = std::min(pakesize_, kMaxChunk);
    std::uint32_t read = 0;
    bool ok = true;
    if (size > 0) {
      if (static_cast<std::size_t>(size) > capacity) {
        buffer.reset();
        capacity = 0;
        base::SkipOnFailure([&] {
          buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size));
          capacity = static_cast<std::size_t>(size);
        });
      }
      // A buffer that cannot be made ends the transfer: nothing was read.
      if (capacity == 0) {
        EndWithError(EngineError::kStopped);
        return false;
      }
      ok = false;
      base::SkipOnFailure([&] {
        Waiting(http_, loop_, [&] {
          ok = http_.InternetReadFile(hRequest, buffer.get(), static_cast<std::uint32_t>(size),
                                      read);
        });
      });
      read = std::min(read, static_cast<std::uint32_t>(size));
    }
    if (!ok || read == 0) {
      // The transport knows whether the body it delivered was whole (its own length,
      // the end of a chunked body): a failed read of a response that arrived is a
      // cut-off transfer, even before its first byte. Only a server that never answered
      // ends as an empty transfer.
      if (!ok && (bHaveHeaders || bytesSoFar > 0 || read > 0)) {
        EndWithError(EngineError::kStopped);
        return false;
      }
      return true;
    }

    bytesSoFar += read;
    if (!sink(buffer.get(), read)) {
      EndWithError(EngineError::kFile);
      return false;
    }
    base::SkipOnFailure([&] {
      dbElapsed = clock_.SecondsSinceMidnight() - dbStartTime;
      if (dbElapsed > 0) dbCurSpeed = bytesSoFar / dbElapsed;
    });
    base::SkipOnFailure([&] { RaiseStatus(EngineStatus::kReceiving); });
    base::SkipOnFailure([&] { RaiseProgress(total, bytesSoFar, dbCurSpeed); });
    base::SkipOnFailure([&] { loop_.DoEvents(); });
    if (!bRunning) {
      EndWithError(EngineError::kStopped);
      return false;
    }
  }
}

bool ZezazurIrud::DownloadToFile() {
  if (!Request()) return false;
  if (!bRunning) {
    EndWithError(EngineError::kStopped);
    return false;
  }
  const double total = ReadableContentLength().value_or(1);

  // A target the directory step would refuse (no root, no drive) is refused before
  // anything of that name is deleted from wherever the process happens to stand.
  if (!NamesRoot(filename_)) {
    EndWithError(EngineError::kDirectory);
    return false;
  }
  bool present = false;
  base::SkipOnFailure([&] {
    std::optional<std::int64_t> size;
    if (files_.FileExists(filename_)) size = files_.FileSize(filename_);
    present = size && static_cast<double>(*size) == total;
  });
  if (present && !reDown_) {
    EndWithError(EngineError::kExists);
    return false;
  }
  base::SkipOnFailure([&] { files_.DeleteFile(filename_); });

  bool made = false;
  base::SkipOnFailure([&] { made = CreateDirectoryPath(filename_, files_); });
  if (!made) {
    EndWithError(EngineError::kDirectory);
    return false;
  }

  platform::FileSystem::FileHandle file = platform::FileSystem::kInvalid;
  base::SkipOnFailure([&] { file = files_.OpenForWriting(filename_); });
  if (file == platform::FileSystem::kInvalid) {
    EndWithError(EngineError::kFile);
    return false;
  }
  base::SkipOnFailure([&] { files_.SeekToStart(file); });
  // No byte of an earlier file may survive past the new data.
  base::SkipOnFailure([&] { files_.Truncate(file); });

  bool complete = ReadLoop(total, [&](const std::uint8_t* data, std::uint32_t length) {
    bool written = false;
    base::SkipOnFailure([&] {
      std::uint32_t count = 0;
      written = files_.Write(file, data, length, count) && count == length;
    });
    return written;
  });

  bool closed = false;
  base::SkipOnFailure([&] { closed = files_.Close(file); });
  // The system may report a failed write only when the file is closed: the file is not
  // whole then, and the transfer has failed as a write would.
  if (complete && bRunning && !closed) {
    EndWithError(EngineError::kFile);
    return false;
  }
  bool result = false;
  if (complete && bRunning) {
    base::SkipOnFailure([&] { bStop(); });
    result = true;
    base::SkipOnFailure([&] { RaiseStatus(EngineStatus::kFinished); });
    base::SkipOnFailure([&] { RaiseDownloadEnd(true); });
  }
  return result;
}

base::Text ZezazurIrud::BytesToText(std::string_view bytes, const base::Text& charsetName,
                                    std::string& carry, bool final) {
  std::string joined;
  std::string_view input = bytes;
  if (!carry.empty()) {
    joined = std::move(carry);
    carry.clear();
    joined.append(bytes);
    input = joined;
  }
  // A failure drops this chunk and whatever was carried into it.
  platform::Charset::Result decoded = decoder_.Decode(input, charsetName, final);
  if (decoded.consumed < input.size()) carry.assign(input.substr(decoded.consumed));
  return std::move(decoded.text);
}

base::Text ZezazurIrud::DownLoadToText() {
  if (!Request()) return {};
  if (!bRunning) {
    EndWithError(EngineError::kStopped);
    return {};
  }
  const double total = ReadableContentLength().value_or(1);

  base::Text accumulated;
  std::string carry;
  bool complete = ReadLoop(total, [&](const std::uint8_t* data, std::uint32_t length) {
    std::string_view chunk(reinterpret_cast<const char*>(data), length);
    base::SkipOnFailure([&] { accumulated += BytesToText(chunk, charsetName_, carry, false); });
    return true;
  });
  if (!complete) return {};
  if (!carry.empty()) {
    base::SkipOnFailure([&] { accumulated += BytesToText({}, charsetName_, carry, true); });
  }

  base::Text result = std::move(accumulated);
  if (bRunning) {
    base::SkipOnFailure([&] { bStop(); });
    base::SkipOnFailure([&] { RaiseStatus(EngineStatus::kFinished); });
    base::SkipOnFailure([&] { RaiseDownloadEnd(true); });
  }
  return result;
}

}  // namespace net
