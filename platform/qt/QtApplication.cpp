#include "platform/qt/QtApplication.h"

#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QIcon>
#include <QLoggingCategory>

#if defined(__SANITIZE_ADDRESS__)
// Sanitized builds of a program that embeds the browser engine: the engine is built
// without the sanitizers and frees some of its objects with a sized delete of another
// size. The options still come second to ASAN_OPTIONS.
extern "C" const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}

// The leak check stays on. What the browser engine and the system libraries it starts
// (the desktop bus, fonts, devices) keep until the process ends is theirs: a report
// with a frame in one of these libraries is left out, and only such reports.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6WebEngineCore.so\n"
         "leak:libdbus-1.so\n"
         "leak:libfontconfig.so\n"
         "leak:libudev.so\n";
}

// Libraries stay loaded to the end of a sanitized run. The GL driver is otherwise unloaded
// before the leak check, and what it keeps through its own variables would be reported
// from frames nobody can name any more.
extern "C" int dlclose(void*) {
  return 0;
}
#endif

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
