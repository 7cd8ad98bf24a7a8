#pragma once

#include <functional>

#include "base/Text.h"

namespace platform {

// An embedded web browser control.
class Browser {
 public:
  virtual ~Browser() = default;

  static constexpr int kComplete = 4;

  // Start loading the address; both return at once. The page replaces the current one.
  virtual void Navigate(const base::Text& address) = 0;
  virtual void Navigate2(const base::Text& address) = 0;

  // True suppresses every dialog of the browser's own (script dialogs, authentication,
  // certificates, permissions, new windows). A file chooser the user opens with a click
  // or a key on the page is shown either way.
  virtual void SetSilent(bool silent) = 0;
  virtual bool Silent() const = 0;

  // 4 once the current load is complete and its body text has been captured; lower
  // from the moment a navigation starts.
  virtual int ReadyState() const = 0;

  // The body text of the completed document, every line break as CR LF. Throws
  // base::RuntimeError when there is no document or body to read.
  virtual base::Text BodyInnerText() const = 0;

  // Raised (no arguments) whenever the browser starts a download.
  virtual void OnDownloadBegin(std::function<void()> handler) = 0;
  // False: the documents' own scripts do not run (the body text is still read).
  virtual void SetScriptsEnabled(bool enabled) = 0;
};

}  // namespace platform
