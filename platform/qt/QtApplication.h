#pragma once

class QIcon;

namespace platform::qt {

// Sets up the embedded browser engine; call at the top of main, before the QApplication
// exists. As root Chromium refuses to start with its sandbox on, so the sandbox is
// turned off then (and only then). The engine's own background traffic (component
// updates, reporting) is switched off: the program talks to its portal and nothing else.
void PrepareWebEngine();

// The program speaks Chinese whatever the desktop's language: Qt's own texts (the
// standard dialogs, the browsers' menu) and the browser engine's (its error pages, the
// language pages are asked for) come from the system's Chinese translations, and Qt's
// default locale is Chinese. The C library's locale, and with it every number the
// program writes, stays the desktop's. Call once the application object exists, before
// the first browser.
void UseChinese();

// The 16 x 16 icon every window of the program carries.
QIcon ProgramIcon();

}  // namespace platform::qt
