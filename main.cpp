// Quorin: wires the real adapters into a Program and shows the main window.

#include <QApplication>
#include <QIcon>

#include "QuorinConfig.h"
#include "app/Program.h"
#include "platform/Platform.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixShell.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"
#include "upgrade/Formsj2.h"
#include "windows/Form4.h"

int main(int argc, char* argv[]) {
  platform::qt::PrepareWebEngine();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(platform::qt::ProgramIcon());

  platform::qt::QtUi ui;
  platform::qt::QtEventLoop loop;
  platform::curl::CurlHttpClient http;
  platform::posix::PosixFileSystem files;
  platform::posix::PosixClock clock;
  platform::posix::PosixShell shell;
  platform::posix::IconvCharset charset;
  platform::Platform platform{ui, loop, http, files, clock, shell, charset};

  app::Program program(platform, app::Config{QUORIN_PORTAL_BASE, QUORIN_MAKER_SITE,
                                             QUORIN_VIDEO_SERVICE, QUORIN_FILE_HOST});
  upgrade::RegisterFormsj2(program);
  windows::RegisterForms(program);
  return program.Run();
}
