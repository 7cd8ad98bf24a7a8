#pragma once

#include <QWebEnginePage>

#include <functional>

namespace platform::qt {

// The browser's page. In silent mode it shows nothing of its own: script dialogs are
// answered as if dismissed, and authentication, certificate, permission and download
// requests are refused. A file chooser is the user's, not the browser's, and is shown in
// either mode with no check of ours: the engine asks for one only within seconds of the
// user's own click or key press on the page, and refuses a script that opens one by
// itself. In either mode no address leaves for the desktop unasked: a scheme the browser
// does not handle itself is refused, and a new window goes to the desktop's web browser
// only when the user clicked for an http or https page.
class QtWebPage : public QWebEnginePage {
 public:
  explicit QtWebPage(QObject* parent);

  void SetSilent(bool silent) { silent_ = silent; }
  bool Silent() const { return silent_; }

  // Whether the browser loads addresses of this scheme itself.
  static bool HandledScheme(const QString& scheme);

  // Called when a navigation of the main frame begins.
  std::function<void(NavigationType type)> onMainFrameNavigation;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;
  void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                        QString* result) override;
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int lineNumber, const QString& sourceID) override;

 private:
  // Whether a confirm dialog is the engine's own "leave this page?" question.
  static bool IsLeaveQuestion(const QString& msg);

  bool silent_ = false;
};

}  // namespace platform::qt
