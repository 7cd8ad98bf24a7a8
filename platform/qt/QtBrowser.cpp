#include "platform/qt/QtBrowser.h"

#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include "base/RuntimeError.h"
#include "platform/qt/QtWebPage.h"

namespace platform::qt {

namespace {

// Every line break of the captured text as CR LF: the engine gives LF (a CR in the
// source, alone or before LF, has already become LF); a lone CR is taken care of anyway.
base::Text WithCrLf(const QString& text) {
  base::Text out;
  out.reserve(static_cast<std::size_t>(text.size()) + 64);
  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    const char16_t c = text.at(i).unicode();
    if (c == u'\r') {
      if (i + 1 < n && text.at(i + 1) == u'\n') ++i;
      out += u"\r\n";
    } else if (c == u'\n') {
      out += u"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

QUrl ToUrl(const base::Text& address) {
  // Taken as given: a pasted address handed to a service keeps even its outer blanks.
  const QString text = QString::fromStdU16String(address);
  QUrl url(text, QUrl::TolerantMode);
  // An address without a scheme is taken as a web address, as a user would mean it.
  if (url.scheme().isEmpty()) url = QUrl::fromUserInput(text);
  return url;
}

// Whether the engine would start a load for it at all: for an address it cannot parse
// it does nothing, not even fail.
bool Loadable(const QUrl& url) {
  // The engine refuses, without a word, an address longer than this once encoded.
  constexpr qsizetype kMaxEncodedLength = 2 * 1024 * 1024;
  if (!url.isValid() || url.toEncoded().size() > kMaxEncodedLength) return false;
  // The page refuses what the engine would hand to the desktop: nothing would load.
  if (!QtWebPage::HandledScheme(url.scheme())) return false;
  const QString scheme = url.scheme();
  const bool needsHost = scheme == u"http" || scheme == u"https" || scheme == u"ftp" ||
                         scheme == u"ws" || scheme == u"wss";
  return !needsHost || !url.host().isEmpty();
}

// Hides a plain-text document from the start, so that its renderer never lays it out: a
// long line in a small browser (the update manifest's) takes many seconds to wrap, and a
// hidden browser shows nothing anyway. Its body text is read all the same.
const QString kUnshownTextName = QStringLiteral("quorin-unshown-text");

QWebEngineScript UnshownTextScript() {
  QWebEngineScript script;
  script.setName(kUnshownTextName);
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::ApplicationWorld);
  script.setRunsOnSubFrames(false);
  script.setSourceCode(
      QStringLiteral("if (document.contentType == 'text/plain' && document.documentElement) {"
                     "  const style = document.createElement('style');"
                     "  style.id = '%1';"
                     "  style.textContent = 'html { display: none !important }';"
                     "  document.documentElement.appendChild(style);"
                     "}")
          .arg(kUnshownTextName));
  return script;
}

}  // namespace

QtBrowser::QtBrowser(QWidget* parent) : QWebEngineView(parent), page_(new QtWebPage(this)) {
  setPage(page_);
  page_->onMainFrameNavigation = [this](QWebEnginePage::NavigationType type) {
    NavigationBegun(type == QWebEnginePage::NavigationTypeTyped,
                    type == QWebEnginePage::NavigationTypeRedirect);
  };
  connect(page_, &QWebEnginePage::loadStarted, this, [this] { LoadStarted(); });
  connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) { LoadFinished(); });
  connect(page_, &QWebEnginePage::urlChanged, this, [this](const QUrl&) { UrlChanged(); });
  connect(page_, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
            if (retired_) return;
            // The document is gone; a wait on this browser must still end.
            awaitingNavigation_ = false;
            loading_ = false;
            Restart();
            Complete(std::nullopt);
          });
}

void QtBrowser::setVisible(bool visible) {
  // Every control is given its visibility when placed, so this also runs before the
  // first navigation.
  QWebEngineView::setVisible(visible);
  LayOutPlainTextOnlyWhenShown();
}

void QtBrowser::LayOutPlainTextOnlyWhenShown() {
  QWebEngineScriptCollection& scripts = page_->scripts();
  const QList<QWebEngineScript> installed = scripts.find(kUnshownTextName);
  if (isHidden()) {
    if (installed.isEmpty()) scripts.insert(UnshownTextScript());
    return;
  }
  if (installed.isEmpty()) return;
  for (const QWebEngineScript& script : installed) scripts.remove(script);
  // The document loaded while hidden is shown as it is.
  page_->runJavaScript(
      QStringLiteral("document.getElementById('%1')?.remove()").arg(kUnshownTextName),
      QWebEngineScript::ApplicationWorld);
}

QtBrowser::~QtBrowser() {
  page_->onMainFrameNavigation = nullptr;
  page_->disconnect(this);
}

void QtBrowser::SetScriptsEnabled(bool enabled) {
  // The page's own world only: the body text is read by a script of the program's world.
  page_->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, enabled);
}

void QtBrowser::Retire() {
  retired_ = true;
  ++generation_;
  downloadBegin_.Clear();
  page_->onMainFrameNavigation = nullptr;
  page_->triggerAction(QWebEnginePage::Stop);
}

void QtBrowser::Navigate(const base::Text& address) {
  const QUrl url = ToUrl(address);
  Restart();
  awaitingNavigation_ = true;
  requested_ = url;
  if (!Loadable(url)) {
    // Nothing the engine could load: the navigation ends at once without a document.
    QTimer::singleShot(0, this, [this, generation = generation_] {
      if (generation != generation_) return;
      awaitingNavigation_ = false;
      Complete(std::nullopt);
    });
    return;
  }
  page_->load(url);
}

void QtBrowser::Navigate2(const base::Text& address) {
  Navigate(address);
}

void QtBrowser::SetSilent(bool silent) {
  page_->SetSilent(silent);
}

bool QtBrowser::Silent() const {
  return page_->Silent();
}

base::Text QtBrowser::BodyInnerText() const {
  if (readyState_ != platform::Browser::kComplete || !body_) {
    throw base::RuntimeError(base::ErrorKind::InvalidCall, "the browser holds no document body");
  }
  return *body_;
}

void QtBrowser::OnDownloadBegin(std::function<void()> handler) {
  downloadBegin_.Set(std::move(handler));
}

void QtBrowser::Restart() {
  ++generation_;
  readyState_ = kLoading;
  body_.reset();
}

void QtBrowser::NavigationBegun(bool typed, bool redirect) {
  if (retired_) return;
  if (typed) awaitingNavigation_ = false;
  Restart();
  // A navigation that overtakes one still loading gets no load start of its own.
  if (loading_ && !redirect) RaiseDownloadBegin();
}

void QtBrowser::LoadStarted() {
  if (retired_) return;
  // A load the program did not ask for (a link, a script) also starts afresh.
  awaitingNavigation_ = false;
  loading_ = true;
  Restart();
  RaiseDownloadBegin();
}

void QtBrowser::RaiseDownloadBegin() {
  // Called last: the form's handler may do anything, close this browser's window included.
  const QtHandler handler = downloadBegin_;
  handler();
}

void QtBrowser::LoadFinished() {
  if (retired_) return;
  loading_ = false;
  // The end of the page being left, reported after Navigate asked for the next one;
  // unless it is the page asked for: the engine reports no beginning for some (a blank
  // page asked for while another loads).
  if (awaitingNavigation_ && page_->url() != requested_) return;
  awaitingNavigation_ = false;
  Capture();
}

void QtBrowser::UrlChanged() {
  // A navigation within the same document (an anchor) neither starts nor finishes a load.
  if (!retired_ && awaitingNavigation_ && !page_->isLoading()) {
    awaitingNavigation_ = false;
    Capture();
  }
}

void QtBrowser::Capture() {
  readyState_ = kInteractive;
  const unsigned generation = generation_;
  std::weak_ptr<const bool> alive = alive_;
  page_->runJavaScript(QStringLiteral("document.body ? document.body.innerText : null"),
                       QWebEngineScript::ApplicationWorld,
                       [self = this, alive, generation](const QVariant& result) {
                         if (alive.expired() || generation != self->generation_) return;
                         if (result.typeId() == QMetaType::QString) {
                           self->Complete(WithCrLf(result.toString()));
                         } else {
                           self->Complete(std::nullopt);
                         }
                       });
}

void QtBrowser::Complete(std::optional<base::Text> body) {
  body_ = std::move(body);
  readyState_ = platform::Browser::kComplete;
}

}  // namespace platform::qt
