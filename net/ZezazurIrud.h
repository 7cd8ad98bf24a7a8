#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Text.h"
#include "platform/Charset.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"

namespace net {

// What the Status event reports: the step a request or transfer has reached.
enum class EngineStatus : std::int32_t {
  kOpening = 1,     // the internet session is about to be opened; first event of Download
  kConnecting = 2,  // the connection is about to be made
  kRequesting = 3,  // the request is about to be opened
  kRequested = 4,   // the request is open; its headers are not added nor is it sent yet
  kReceiving = 5,   // a chunk has arrived; Progress follows at once
  kFinished = 6,    // the whole body has arrived; DownloadEnd with true follows at once
};

// What the Error event reports: the step that failed. 1 to 3 come from Download, which
// then returns false without DownloadEnd; 4 to 7 end a transfer, DownloadEnd false follows.
enum class EngineError : std::int32_t {
  kSession = 1,     // opening the internet session failed
  kConnection = 2,  // making the connection failed
  kRequest = 3,     // opening the request failed, or its head would hold a line break
  kStopped = 4,     // the transfer was stopped (bStop, a failed read, no chunk buffer)
  kExists = 5,      // the target file is there complete and ReDown is false
  kDirectory = 6,   // the target file's directory path cannot be made
  kFile = 7,        // the target file cannot be opened or written
};

// The HTTP downloader: a caller sets the properties, calls one operation and hears the
// four events. Everything runs on the caller's thread; events are delivered
// synchronously and the engine goes on only after the handler has returned.
//
// Events are std::function callbacks installed together with SetEvents. A handler may
// call any member (in practice bStop) and may install new handlers; the ones being run
// stay alive until they return. A handler must not destroy the object.
class ZezazurIrud {
 public:
  struct Events {
    std::function<void(double dbFileSize, double dbFinished, double dbSpeed)> Progress;
    std::function<void(bool bSuccess)> DownloadEnd;
    std::function<void(EngineStatus lStatus)> Status;
    std::function<void(EngineError lErrorCode)> Error;
  };

  ZezazurIrud(platform::HttpClient& http, platform::FileSystem& files, platform::Clock& clock,
              platform::EventLoop& loop, platform::Charset& charset);
  ~ZezazurIrud();
  ZezazurIrud(const ZezazurIrud&) = delete;
  ZezazurIrud& operator=(const ZezazurIrud&) = delete;

  void SetEvents(Events events);

  // Properties, each setter before its getter.
  const base::Text& Version() const;
  void SetMethod(const base::Text& oValue) { method_ = oValue; }
  const base::Text& Method() const { return method_; }
  void SetURL(const base::Text& oValue) { url_ = oValue; }
  const base::Text& URL() const { return url_; }
  void SetReferer(const base::Text& oValue) { referer_ = oValue; }
  const base::Text& Referer() const { return referer_; }
  void SetUserAgent(const base::Text& oValue) { userAgent_ = oValue; }
  const base::Text& UserAgent() const { return userAgent_; }
  void SetCookie(const base::Text& oValue) { cookie_ = oValue; }
  const base::Text& Cookie() const { return cookie_; }
  void SetCharset(const base::Text& oValue) { charsetName_ = oValue; }
  const base::Text& Charset() const { return charsetName_; }
  void SetPakesize(std::int32_t oValue) { pakesize_ = oValue; }
  std::int32_t Pakesize() const { return pakesize_; }
  void SetReDown(bool oValue) { reDown_ = oValue; }
  bool ReDown() const { return reDown_; }
  void SetFilename(const base::Text& oValue) { filename_ = oValue; }
  const base::Text& Filename() const { return filename_; }
  void SetPostData(const base::Text& oValue) { postData_ = oValue; }
  const base::Text& PostData() const { return postData_; }
  void SetIsUpload(bool oValue) { isUpload_ = oValue; }
  bool IsUpload() const { return isUpload_; }
  // Accepts a value and keeps nothing.
  void SetSplitCode(const base::Text& oValue) { (void)oValue; }
  base::Text SplitCode() const { return {}; }

  // Makes the request. True when the request was opened; false after the errors kSession,
  // kConnection or kRequest. Throws base::RuntimeError for a port that is not a number
  // (TypeMismatch, before kOpening) or does not fit 16 bits (Overflow, after kConnecting).
  bool Download();
  void bStop();
  base::Text GetHeader(const base::Text& hdrName);
  std::int32_t FileSize();
  base::Text GetCookie(const base::Text& CookName);
  // Never throw, except what a handler throws to end the program.
  base::Text DownLoadToText();
  bool DownloadToFile();

 private:
  using Handle = platform::HttpClient::Handle;

  void ParseUrl();
  // Decodes one chunk. Bytes of a character cut off at the chunk's end are left in
  // `carry` for the next chunk (unless `final`).
  base::Text BytesToText(std::string_view bytes, const base::Text& charsetName, std::string& carry,
                         bool final);

  void RaiseProgress(double dbFileSize, double dbFinished, double dbSpeed);
  void RaiseDownloadEnd(bool bSuccess);
  void RaiseStatus(EngineStatus lStatus);
  void RaiseError(EngineError lErrorCode);

  // Closes whatever handles are open, raising nothing.
  void ReleaseHandles();
  // The Content-Length as a number, when the header block holds a readable one.
  std::optional<std::int32_t> ReadableContentLength();
  // Download, absorbing what it throws; false when the transfer cannot go on.
  bool Request();
  // How every transfer that got past Download fails: bStop, the error, DownloadEnd false.
  void EndWithError(EngineError lErrorCode);
  // The read loop shared by both transfers. `sink` takes each chunk and answers false
  // when it cannot (a failing write). True when the body ended normally; otherwise the
  // transfer has already been ended with its error.
  template <class Sink>
  bool ReadLoop(double total, Sink&& sink);

  platform::HttpClient& http_;
  platform::FileSystem& files_;
  platform::Clock& clock_;
  platform::EventLoop& loop_;
  platform::Charset& decoder_;
  std::shared_ptr<const Events> events_;

  // Properties.
  base::Text method_ = u"GET";
  base::Text url_;
  base::Text referer_;
  base::Text userAgent_ = u"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
  base::Text cookie_;
  base::Text charsetName_ = u"gb2312";
  std::int32_t pakesize_ = 1024;
  bool reDown_ = true;
  base::Text filename_;
  base::Text postData_;
  bool isUpload_ = false;  // kept for callers that set it; no request depends on it

  // Private members.
  base::Text sHost;
  std::int32_t nPort = 80;
  base::Text sPath;
  bool bRunning = false;
  Handle hOpen = platform::HttpClient::kNone;
  Handle hConnect = platform::HttpClient::kNone;
  Handle hRequest = platform::HttpClient::kNone;
  base::Text sRawHeaders;
  std::int32_t lRawHeadersLen = 0;  // the raw block's length as reported; nothing reads it
  bool bHaveHeaders = false;
  double dbStartTime = 0;
  double dbElapsed = 0;
  double dbCurSpeed = 0;
};

}  // namespace net
