#pragma once

#include <QWebEnginePage>

class QMenu;
class QPoint;
class QWebEngineView;

namespace platform::qt {

// Whether an entry of the engine's standard menu does something in this program: the
// ones that would open another window or tab, or the page's source or inspector, lead
// nowhere here; saves land in the download folder.
bool MenuEntryWorks(QWebEnginePage::WebAction action);

// Takes out of the engine's standard menu of the page every entry that does not work
// here or cannot be chosen now, and the separators left with nothing to separate.
void KeepWorkingEntries(QMenu& menu, QWebEnginePage& page);

// The browser's right-click menu at the point on the screen: the engine's own, in the
// program's language, with working entries only. Nothing shows when none is left.
void ShowBrowserMenu(QWebEngineView& view, const QPoint& at);

}  // namespace platform::qt
