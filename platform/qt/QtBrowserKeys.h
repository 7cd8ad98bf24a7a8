#pragma once

class QWebEnginePage;
class QWidget;

namespace platform::qt {

// What the keys a viewer expects of a browser do. They are the browser's, taken before
// the page sees them, as in any desktop browser.
enum class BrowserKey {
  Back,       // Alt+Left: the previous page of the history
  Forward,    // Alt+Right: the next page of the history
  Reload,     // F5, Ctrl+R
  ZoomIn,     // Ctrl+plus, Ctrl+=, Ctrl+keypad plus: one step larger
  ZoomOut,    // Ctrl+minus, Ctrl+keypad minus: one step smaller
  ZoomReset,  // Ctrl+0: the page's own size
};

// The zoom factor after the key, from the current one, on the usual ladder of browser
// zoom steps (a factor between two steps goes to the nearer one in the key's direction);
// the current factor for any other key.
double ZoomAfter(BrowserKey key, double current);

// Gives `view` the keys while the focus is in it, acting on `page`. The factor a key sets
// is the page's own: the page keeps it through every navigation, for as long as it lives,
// and nothing of it is stored.
void AddBrowserKeys(QWidget& view, QWebEnginePage& page);

// Called as the page begins to navigate: a factor the user chose with Ctrl+wheel is the
// engine's for the site shown only, and would be lost on another; made the page's own,
// it stays like the keys' do.
void KeepZoom(QWebEnginePage& page);

}  // namespace platform::qt
