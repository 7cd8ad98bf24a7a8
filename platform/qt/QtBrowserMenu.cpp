#include "platform/qt/QtBrowserMenu.h"

#include <QAction>
#include <QMenu>
#include <QWebEngineView>

#include <set>

namespace platform::qt {

bool MenuEntryWorks(QWebEnginePage::WebAction action) {
  switch (action) {
    case QWebEnginePage::Back:
    case QWebEnginePage::Forward:
    case QWebEnginePage::Stop:
    case QWebEnginePage::Reload:
    case QWebEnginePage::ReloadAndBypassCache:
    case QWebEnginePage::Cut:
    case QWebEnginePage::Copy:
    case QWebEnginePage::Paste:
    case QWebEnginePage::PasteAndMatchStyle:
    case QWebEnginePage::Undo:
    case QWebEnginePage::Redo:
    case QWebEnginePage::SelectAll:
    case QWebEnginePage::Unselect:
    case QWebEnginePage::CopyLinkToClipboard:
    case QWebEnginePage::DownloadLinkToDisk:
    case QWebEnginePage::CopyImageToClipboard:
    case QWebEnginePage::CopyImageUrlToClipboard:
    case QWebEnginePage::DownloadImageToDisk:
    case QWebEnginePage::CopyMediaUrlToClipboard:
    case QWebEnginePage::ToggleMediaControls:
    case QWebEnginePage::ToggleMediaLoop:
    case QWebEnginePage::ToggleMediaPlayPause:
    case QWebEnginePage::ToggleMediaMute:
    case QWebEnginePage::DownloadMediaToDisk:
    case QWebEnginePage::ExitFullScreen:
    case QWebEnginePage::SavePage:
      return true;
    default:
      return false;
  }
}

void KeepWorkingEntries(QMenu& menu, QWebEnginePage& page) {
  std::set<const QAction*> working;
  for (int action = 0; action < QWebEnginePage::WebActionCount; ++action) {
    const auto webAction = static_cast<QWebEnginePage::WebAction>(action);
    if (MenuEntryWorks(webAction)) working.insert(page.action(webAction));
  }
  const QAction* previous = nullptr;  // the last entry kept
  for (QAction* entry : menu.actions()) {
    const bool keep = entry->isSeparator()
                          ? previous != nullptr && !previous->isSeparator()
                          : working.count(entry) != 0 && entry->isEnabled() && entry->isVisible();
    if (keep) {
      previous = entry;
    } else {
      menu.removeAction(entry);
    }
  }
  if (previous != nullptr && previous->isSeparator()) menu.removeAction(menu.actions().back());
}

void ShowBrowserMenu(QWebEngineView& view, const QPoint& at) {
  QMenu* menu = view.createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose, true);
  KeepWorkingEntries(*menu, *view.page());
  if (menu->actions().isEmpty()) {
    delete menu;
    return;
  }
  menu->popup(at);
}

}  // namespace platform::qt
