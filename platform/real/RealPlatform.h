#pragma once

#include "platform/Platform.h"
#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/openssl/OpenSslSignatureVerifier.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixShell.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"

namespace platform::real {

// Process-wide settings of the real adapters; call first thing in main, before the
// QApplication exists.
void PrepareProcess();

// The program's platform: Qt windows and browsers, curl, POSIX files, clock and shell,
// iconv, OpenSSL. Needs a QApplication. Members are made in the order written: the clock
// before the cookie store that judges expiry by it, the store before the HTTP client.
struct RealPlatform {
  qt::QtUi ui;
  qt::QtEventLoop loop;
  posix::PosixClock clock;
  curl::CookieStore cookies{clock};
  curl::CurlHttpClient http{cookies};
  posix::PosixFileSystem files;
  posix::PosixShell shell;
  posix::IconvCharset charset;
  openssl::OpenSslSignatureVerifier signatures;
  Platform platform{ui, loop, http, files, clock, shell, charset, signatures};
};

}  // namespace platform::real
