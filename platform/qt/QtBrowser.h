#pragma once

#include <QWebEngineView>

#include <memory>
#include <optional>

#include "platform/Browser.h"
#include "platform/qt/QtHandler.h"

namespace platform::qt {

class QtWebPage;

// The embedded browser on QtWebEngine. A load is complete (ReadyState 4) only once the
// body text of the document it left has been captured, so BodyInnerText never reads a
// half-built page; a load overtaken by a newer navigation never completes.
class QtBrowser : public QWebEngineView, public platform::Browser {
 public:
  explicit QtBrowser(QWidget* parent);
  ~QtBrowser() override;

  void Navigate(const base::Text& address) override;
  void Navigate2(const base::Text& address) override;
  void SetSilent(bool silent) override;
  bool Silent() const override;
  int ReadyState() const override { return readyState_; }
  base::Text BodyInnerText() const override;
  void OnDownloadBegin(std::function<void()> handler) override;
  void SetScriptsEnabled(bool enabled) override;

  // The window is going away: no more notifications, nothing more loads.
  void Retire();

  // Shown or hidden by the program.
  void setVisible(bool visible) override;

 private:
  static constexpr int kUninitialised = 0;
  static constexpr int kLoading = 1;
  static constexpr int kInteractive = 3;

  // Any newer navigation invalidates a capture still on its way.
  void Restart();
  void NavigationBegun(bool typed, bool redirect);
  void LoadStarted();
  void LoadFinished();
  void UrlChanged();
  void Capture();
  void RaiseDownloadBegin();
  void Complete(std::optional<base::Text> body);
  // A plain-text document in a browser that is not shown is never laid out.
  void LayOutPlainTextOnlyWhenShown();

  QtWebPage* page_;
  int readyState_ = kUninitialised;
  unsigned generation_ = 0;
  // Navigate was called and the engine has not yet begun that navigation: what it
  // reports meanwhile belongs to the page being left.
  bool awaitingNavigation_ = false;
  QUrl requested_;
  bool loading_ = false;  // between the engine's load start and load end
  bool retired_ = false;
  std::optional<base::Text> body_;
  QtHandler downloadBegin_;
  // Gone before the page: the engine answers a capture still on its way when the page is
  // destroyed, by then only the widget base of this browser is left.
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace platform::qt
