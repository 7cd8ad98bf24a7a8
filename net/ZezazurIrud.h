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
    std::function<void(std::int32_t lStatus)> Status;
    std::function<void(std::int32_t lErrorCode)> Error;
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

  // Makes the request. True when the request was opened; false after Error 1, 2 or 3.
  // Throws base::RuntimeError for a port that is not a number (TypeMismatch, before
  // Status 1) or does not fit 16 bits (Overflow, after Status 2).
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
  void RaiseStatus(std::int32_t lStatus);
  void RaiseError(std::int32_t lErrorCode);

  // Closes whatever handles are open, raising nothing.
  void ReleaseHandles();
  // The Content-Length as a number, when the header block holds a readable one.
  std::optional<std::int32_t> ReadableContentLength();
  // Download, absorbing what it throws; false when the transfer cannot go on.
  bool Request();
  // How every transfer that got past Download fails: bStop, the error, DownloadEnd false.
  void EndWithError(std::int32_t lErrorCode);
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
  base::Text method_;
  base::Text url_;
  base::Text referer_;
  base::Text userAgent_;
  base::Text cookie_;
  base::Text charsetName_;
  std::int32_t pakesize_ = 0;
  bool reDown_ = false;
  base::Text filename_;
  base::Text postData_;
  bool isUpload_ = false;

  // Private members.
  base::Text sHost;
  std::int32_t nPort = 0;
  base::Text sPath;
  bool bRunning = false;
  Handle hOpen = platform::HttpClient::kNone;
  Handle hConnect = platform::HttpClient::kNone;
  Handle hRequest = platform::HttpClient::kNone;
  base::Text sRawHeaders;
  std::int32_t lRawHeadersLen = 0;
  bool bHaveHeaders = false;
  double dbStartTime = 0;
  double dbElapsed = 0;
  double dbCurSpeed = 0;
};

}  // namespace net
