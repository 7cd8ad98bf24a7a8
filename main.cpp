// Quorin: wires the real adapters into a Program and shows the main window.

#include <QApplication>
#include <QIcon>

#include "app/Program.h"
#include "config/QuorinConfig.h"
#include "platform/qt/QtApplication.h"
#include "platform/real/RealPlatform.h"
#include "upgrade/Formsj2.h"
#include "windows/RegisterForms.h"

int main(int argc, char* argv[]) {
  platform::real::PrepareProcess();
  QApplication application(argc, argv);
  QApplication::setWindowIcon(platform::qt::ProgramIcon());

  platform::real::RealPlatform real;
  app::Program program(real.platform,
                       app::Config{QUORIN_PORTAL_BASE, QUORIN_MAKER_SITE, QUORIN_VIDEO_SERVICE,
                                   QUORIN_FILE_HOST, QUORIN_UPDATE_PUBLIC_KEY});
  upgrade::RegisterFormsj2(program);
  windows::RegisterForms(program);
  return program.Run();
}
