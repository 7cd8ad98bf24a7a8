#pragma once

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Ui.h"
#include "platform/qt/QtHandler.h"

class QMenuBar;

namespace platform::qt {

class QtBrowser;
class QtTextBox;
class QtTimer;

// The top-level widget of a window. Its close button only asks: the form decides.
// Tab and Shift+Tab go round its controls in their tab order.
class QtWindowFrame : public QMainWindow {
 public:
  QtWindowFrame() = default;

  QtHandler closeRequest;

  // Adds a control to the tab order; equal indexes keep the order they were added in.
  void InTabOrder(int tabIndex, QWidget* control);
  // Gives the focus to the first control of the tab order that can take it.
  void FocusFirst();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Qt's own focus chain cannot hold a browser: its focus lives in a child that the
  // engine makes and replaces as pages load. The browser hands the focus on through here
  // too when Tab leaves the last element of its page.
  bool focusNextPrevChild(bool next) override;

 private:
  // Whether the control can take the focus now.
  bool Reachable(const QWidget* control) const;

  std::vector<std::pair<int, QWidget*>> tabOrder_;
};

// One window of a form: fixed size, its client area (below the menu bar) as the form's
// design gives it in twips, controls at their twip rectangles and clipped to that area.
// Destroying the object retires every handler at once and leaves the widgets to Qt's
// deferred deletion, so it is safe while one of the window's handlers is on the stack.
class QtWindow : public platform::Window {
 public:
  explicit QtWindow(const platform::WindowSpec& spec);
  ~QtWindow() override;

  void AddMenuItem(const base::Text& name, const base::Text& caption,
                   std::function<void()> onClick) override;
  Browser& AddBrowser(const ControlSpec& spec, int tabIndex) override;
  TextBox& AddTextBox(const ControlSpec& spec, const base::Text& text, int tabIndex) override;
  LabelView& AddLabel(const ControlSpec& spec, const base::Text& text,
                      base::Colour foreColour) override;
  void AddFrame(const ControlSpec& spec, const base::Text& caption,
                base::Colour foreColour) override;
  void AddButton(const ControlSpec& spec, const base::Text& caption, int tabIndex,
                 std::function<void()> onClick) override;
  void AddPicture(const ControlSpec& spec, const std::string& imageBytes) override;
  Timer& AddTimer(const base::Text& name, int intervalMs, bool enabled,
                  std::function<void()> onTick) override;
  Canvas& AddCanvas(const ControlSpec& spec) override;

  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  void Close() override;
  void SetTopmost() override;
  void OnCloseRequest(std::function<void()> handler) override;

  // The top-level widget and the client area, for looking at the window.
  QMainWindow* Frame() const { return frame_; }
  QWidget* ClientArea() const { return client_; }
  QMenuBar* Menu() const { return menuBar_; }
  // A control by the name its spec gave (nullptr when there is none).
  QWidget* Control(const base::Text& name) const;

 private:
  QWidget* ParentOf(const ControlSpec& spec) const;
  // Puts a new control at its place; the name is how a frame's children find it.
  void Place(QWidget* widget, const ControlSpec& spec);
  void FixSize();

  QPointer<QtWindowFrame> frame_;
  QWidget* client_;
  QMenuBar* menuBar_ = nullptr;
  int clientWidth_;  // pixels
  int clientHeight_;
  bool shown_ = false;
  bool sizable_ = false;
  bool closed_ = false;
  std::map<base::Text, QWidget*> controls_;
  std::vector<QtHandler> handlers_;
  std::vector<QtTimer*> timers_;
  std::vector<QtBrowser*> browsers_;
  std::vector<QtTextBox*> textBoxes_;
};

}  // namespace platform::qt
