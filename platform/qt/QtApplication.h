#pragma once

class QIcon;

namespace platform::qt {

// Sets up the embedded browser engine; call at the top of main, before the QApplication
// exists. As root Chromium refuses to start with its sandbox on, so the sandbox is
// turned off then (and only then). The engine's own background traffic (component
// updates, reporting) is switched off: the program talks to its portal and nothing else.
void PrepareWebEngine();

// The 16 x 16 icon every window of the program carries.
QIcon ProgramIcon();

}  // namespace platform::qt
