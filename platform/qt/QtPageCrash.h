#pragma once

#include <QObject>
#include <QWebEnginePage>

#include <optional>
#include <string>

class QLabel;
class QWebEngineView;

namespace platform::qt {

// Whether a page whose renderer died is loaded again by itself: once, but not when the
// same page died a short while ago already, so a page that kills its renderer every time
// is not reloaded in a loop.
class CrashReloadRule {
 public:
  // How long after a crash another one of the same page counts as "again".
  static constexpr double kAgainSeconds = 30;

  // The renderer died showing `page`, `now` seconds into a steady clock: reload it?
  bool ReloadAfterCrash(const std::string& page, double now);
  // The user asked for a page: what died before no longer counts.
  void Forget() { last_.reset(); }

 private:
  struct Crash {
    std::string page;
    double at;
  };
  std::optional<Crash> last_;
};

// A visible browser whose renderer died: the pane says so in a few words of the program's
// own, over the dead page, and the page is loaded again once by itself. The words go as
// soon as a page loaded after the crash is there.
class QtPageCrash : public QObject {
 public:
  QtPageCrash(QWebEngineView& view, QWebEnginePage& page);

  void Terminated(QWebEnginePage::RenderProcessTerminationStatus status);
  // The program asks for a page: a reload still to come is dropped, the words go.
  void Navigating();
  // The window goes: nothing more loads by itself.
  void Retire();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show(const QString& text);
  void Hide();

  QWebEngineView& view_;
  QWebEnginePage& page_;
  QLabel* notice_;
  CrashReloadRule rule_;
  unsigned generation_ = 0;  // any newer crash or navigation overtakes a reload to come
  bool crashed_ = false;
  bool loadSinceCrash_ = false;
  bool retired_ = false;
};

}  // namespace platform::qt
