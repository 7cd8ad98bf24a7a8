#include "platform/qt/QtWebPage.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QWebEngineCertificateError>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

namespace platform::qt {

QtWebPage::QtWebPage(QObject* parent) : QWebEnginePage(parent) {
  // The portal's pages and the update manifest often declare no character set; they
  // are written in GBK.
  settings()->setDefaultTextEncoding(QStringLiteral("GBK"));
  settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);

  // Requests that would need a dialog. The program has none of its own to offer, so
  // they are refused in either mode; in silent mode that is the rule.
  connect(this, &QWebEnginePage::authenticationRequired, this,
          [](const QUrl&, QAuthenticator* authenticator) { *authenticator = QAuthenticator(); });
  connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
          [](const QUrl&, QAuthenticator* authenticator, const QString&) {
            *authenticator = QAuthenticator();
          });
  connect(this, &QWebEnginePage::certificateError, this,
          [](const QWebEngineCertificateError& error) {
            QWebEngineCertificateError refused = error;
            refused.rejectCertificate();
          });
  connect(this, &QWebEnginePage::selectClientCertificate, this,
          [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
  connect(this, &QWebEnginePage::featurePermissionRequested, this,
          [this](const QUrl& origin, Feature feature) {
            setFeaturePermission(origin, feature, PermissionDeniedByUser);
          });
  connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
          [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
  connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
          [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
  connect(this, &QWebEnginePage::fullScreenRequested, this,
          [](QWebEngineFullScreenRequest request) { request.reject(); });
  // A window of its own is the desktop's browser's job, and only for a page the user
  // asked for; popups a script opens by itself go nowhere.
  connect(this, &QWebEnginePage::newWindowRequested, this, [](QWebEngineNewWindowRequest& request) {
    const QString scheme = request.requestedUrl().scheme();
    if (request.isUserInitiated() && (scheme == u"http" || scheme == u"https"))
      QDesktopServices::openUrl(request.requestedUrl());
  });
  // A link to a file: nothing is saved and no dialog asks where to.
  connect(profile(), &QWebEngineProfile::downloadRequested, this,
          [this](QWebEngineDownloadRequest* download) {
            if (download->page() == this && silent_) download->cancel();
          });
}

bool QtWebPage::HandledScheme(const QString& scheme) {
  for (const char* handled : {"http", "https", "about", "data", "blob", "file", "qrc"})
    if (scheme == QLatin1String(handled)) return true;
  return false;
}

bool QtWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  // Any other scheme would go to the desktop's opener for that scheme.
  if (!HandledScheme(url.scheme())) return false;
  if (isMainFrame && onMainFrameNavigation) onMainFrameNavigation(type);
  return true;
}

QWebEnginePage* QtWebPage::createWindow(WebWindowType) {
  return nullptr;  // see newWindowRequested
}

void QtWebPage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg) {
  if (!silent_) QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool QtWebPage::IsLeaveQuestion(const QString& msg) {
  // The engine asks a page's "leave this page?" handler through the confirm dialog, with
  // this text of its own (translated the same way here as there).
  return msg == QCoreApplication::translate(
                    "QWebEnginePage",
                    "Are you sure you want to leave this page? Changes that you made may not "
                    "be saved.");
}

bool QtWebPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
  // A silent page answers its own questions "no", but the program's navigations always
  // go ahead: a page that asks before it is left is left.
  if (silent_) return IsLeaveQuestion(msg);
  return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool QtWebPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                 const QString& defaultValue, QString* result) {
  if (silent_) return false;
  return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void QtWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                         const QString& message, int lineNumber,
                                         const QString& sourceID) {
  // Script errors of a silent page go nowhere.
  if (!silent_) QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
}

}  // namespace platform::qt
