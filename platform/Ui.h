#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/Colour.h"
#include "base/Text.h"
#include "platform/Browser.h"
#include "platform/Canvas.h"

namespace platform {

// Rectangles and sizes of the design tables, in twips (15 twips per logical pixel).
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

constexpr int kTwipsPerPixel = 15;

enum class FrameStyle {
  FixedSingle,  // fixed size, minimise button, no maximise button
  FixedDialog,  // fixed size, neither minimise nor maximise button
  Sizable,      // resizable, both buttons; the controls keep their places and sizes
};

struct WindowSpec {
  base::Text name;
  base::Text caption;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  FrameStyle style = FrameStyle::FixedSingle;
};

// Where a control goes: its name, its rectangle relative to its parent, and the parent
// frame's name (empty: the window's client area).
// Written with designated initializers; what is left out keeps these values.
struct ControlSpec {
  base::Text name{};
  Rect rect{};
  base::Text parent{};  // the frame it stands in; none: the window's client area
  bool visible = true;
};

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual void SetText(const base::Text& text) = 0;
  virtual base::Text Text() const = 0;
  // Replaces the selection, or inserts at the caret when nothing is selected.
  virtual void ReplaceSelection(const base::Text& text) = 0;
  virtual void SetFocus() = 0;
  // A mouse click in the box (press of the left button).
  virtual void OnClick(std::function<void()> handler) = 0;
};

class LabelView {
 public:
  virtual ~LabelView() = default;
  virtual void SetText(const base::Text& text) = 0;
  virtual base::Text Text() const = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetInterval(int milliseconds) = 0;
  virtual int Interval() const = 0;
};

// One top-level window and the controls its form declares on it. Controls live as long
// as the window.
class Window {
 public:
  virtual ~Window() = default;

  virtual void AddMenuItem(const base::Text& name, const base::Text& caption,
                           std::function<void()> onClick) = 0;
  virtual Browser& AddBrowser(const ControlSpec& spec, int tabIndex) = 0;
  virtual TextBox& AddTextBox(const ControlSpec& spec, const base::Text& text, int tabIndex) = 0;
  virtual LabelView& AddLabel(const ControlSpec& spec, const base::Text& text,
                              base::Colour foreColour) = 0;
  virtual void AddFrame(const ControlSpec& spec, const base::Text& caption,
                        base::Colour foreColour) = 0;
  virtual void AddButton(const ControlSpec& spec, const base::Text& caption, int tabIndex,
                         std::function<void()> onClick) = 0;
  // A picture showing the given image file's bytes (GIF, PNG).
  virtual void AddPicture(const ControlSpec& spec, const std::string& imageBytes) = 0;
  virtual Timer& AddTimer(const base::Text& name, int intervalMs, bool enabled,
                          std::function<void()> onTick) = 0;
  // The drawing surface of a progress control.
  virtual Canvas& AddCanvas(const ControlSpec& spec) = 0;

  // Centred on the screen the first time it is shown.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // Takes the window off the screen for good; the object stays valid until destroyed.
  virtual void Close() = 0;
  // Keeps the window above all other windows, without moving or resizing it.
  virtual void SetTopmost() = 0;
  // The user asked to close the window (close button, system menu). The window stays
  // as it is; the handler decides.
  virtual void OnCloseRequest(std::function<void()> handler) = 0;
};

enum class MsgBoxButtons { Ok, YesNo };
enum class MsgBoxIcon { Information, Error };
enum class MsgBoxResult { Ok, Yes, No, Closed };

class Ui {
 public:
  virtual ~Ui() = default;
  virtual std::unique_ptr<Window> CreateWindow(const WindowSpec& spec) = 0;
  // Modal; the first button is the default.
  virtual MsgBoxResult MessageBox(const base::Text& text, const base::Text& title,
                                  MsgBoxButtons buttons, MsgBoxIcon icon) = 0;
  // The clipboard's text; empty when it holds none.
  virtual base::Text ClipboardText() = 0;
};

}  // namespace platform
