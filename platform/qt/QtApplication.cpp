#include "platform/qt/QtApplication.h"

#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QIcon>
#include <QLoggingCategory>

namespace platform::qt {

void PrepareWebEngine() {
  // Qt 6.4 ignores a bare --no-sandbox argument; the variable is what it reads. A value
  // the user set is left alone.
  if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  for (const char* flag : {"--disable-background-networking", "--disable-component-update",
                           "--disable-domain-reliability"}) {
    if (!flags.contains(flag)) {
      if (!flags.isEmpty()) flags += ' ';
      flags += flag;
    }
  }
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
  // The browser engine shares its GL context with the widgets; it has to be said before
  // the application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The engine's start-up report (GL type, its arguments) is not for the user's terminal.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

QIcon ProgramIcon() {
  // A blue screen with a white play sign, drawn for this program.
  return QIcon(QStringLiteral(":/quorin/quorin-icon.png"));
}

}  // namespace platform::qt
