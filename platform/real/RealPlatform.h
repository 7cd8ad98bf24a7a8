#pragma once

#include "platform/Platform.h"
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
// iconv, OpenSSL. Needs a QApplication.
struct RealPlatform {
  qt::QtUi ui;
  qt::QtEventLoop loop;
  curl::CurlHttpClient http;
  posix::PosixFileSystem files;
  posix::PosixClock clock;
  posix::PosixShell shell;
  posix::IconvCharset charset;
  openssl::OpenSslSignatureVerifier signatures;
  Platform platform{ui, loop, http, files, clock, shell, charset, signatures};
};

}  // namespace platform::real
