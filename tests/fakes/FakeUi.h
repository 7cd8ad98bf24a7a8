#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "fakes/FakeBrowser.h"
#include "platform/Ui.h"

namespace fakes {

// Every text a text box was given, as (box name, text), across all windows.
using TextLog = std::vector<std::pair<base::Text, base::Text>>;

class FakeTextBox : public platform::TextBox {
 public:
  FakeTextBox(base::Text name, base::Text text, TextLog& log)
      : name_(std::move(name)), text_(std::move(text)), log_(log) {}
  void SetText(const base::Text& text) override {
    log_.emplace_back(name_, text);
    text_ = text;
    selStart_ = text_.size();
    selLength_ = 0;
  }
  base::Text Text() const override { return text_; }
  void ReplaceSelection(const base::Text& text) override;
  void SetFocus() override { ++focusCount_; }
  void OnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

  void Select(std::size_t start, std::size_t length) {
    selStart_ = start;
    selLength_ = length;
  }
  void Click() {
    if (onClick_) onClick_();
  }
  int FocusCount() const { return focusCount_; }

 private:
  base::Text name_;
  base::Text text_;
  TextLog& log_;
  std::size_t selStart_ = 0;
  std::size_t selLength_ = 0;
  std::function<void()> onClick_;
  int focusCount_ = 0;
};

class FakeLabel : public platform::LabelView {
 public:
  FakeLabel(base::Text text, base::Colour colour) : text_(std::move(text)), colour_(colour) {}
  void SetText(const base::Text& text) override { text_ = text; }
  base::Text Text() const override { return text_; }
  base::Colour Colour() const { return colour_; }

 private:
  base::Text text_;
  base::Colour colour_;
};

class FakeTimer : public platform::Timer {
 public:
  FakeTimer(int interval, bool enabled, std::function<void()> onTick)
      : interval_(interval), enabled_(enabled), onTick_(std::move(onTick)) {}
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }
  void SetInterval(int milliseconds) override { interval_ = milliseconds; }
  int Interval() const override { return interval_; }
  // One tick, as the real timer raises it when enabled.
  void Tick() {
    if (enabled_ && onTick_) onTick_();
  }

 private:
  int interval_;
  bool enabled_;
  std::function<void()> onTick_;
};

class FakeUi;

class FakeWindow : public platform::Window {
 public:
  struct MenuItem {
    base::Text name;
    base::Text caption;
    std::function<void()> onClick;
  };
  struct Control {
    platform::ControlSpec spec;
    base::Text caption;
    int tabIndex = -1;
    std::function<void()> onClick;
  };

  FakeWindow(FakeUi& ui, FakeWeb& web, platform::WindowSpec spec);
  ~FakeWindow() override;

  void AddMenuItem(const base::Text& name, const base::Text& caption,
                   std::function<void()> onClick) override;
  platform::Browser& AddBrowser(const platform::ControlSpec& spec, int tabIndex) override;
  platform::TextBox& AddTextBox(const platform::ControlSpec& spec, const base::Text& text,
                                int tabIndex) override;
  platform::LabelView& AddLabel(const platform::ControlSpec& spec, const base::Text& text,
                                base::Colour foreColour) override;
  void AddFrame(const platform::ControlSpec& spec, const base::Text& caption,
                base::Colour foreColour) override;
  void AddButton(const platform::ControlSpec& spec, const base::Text& caption, int tabIndex,
                 std::function<void()> onClick) override;
  void AddPicture(const platform::ControlSpec& spec, const std::string& imageBytes) override;
  platform::Timer& AddTimer(const base::Text& name, int intervalMs, bool enabled,
                            std::function<void()> onTick) override;
  platform::Canvas& AddCanvas(const platform::ControlSpec& spec) override;

  void Show() override {
    visible_ = true;
    ++showCount_;
  }
  void Hide() override { visible_ = false; }
  bool IsVisible() const override { return visible_; }
  void Close() override {
    visible_ = false;
    closed_ = true;
  }
  void SetTopmost() override { topmost_ = true; }
  void OnCloseRequest(std::function<void()> handler) override {
    onCloseRequest_ = std::move(handler);
  }

  // What a user does.
  void ClickMenu(const base::Text& name);
  void ClickButton(const base::Text& name);
  void RequestClose();

  const platform::WindowSpec& Spec() const { return spec_; }
  const std::vector<MenuItem>& MenuItems() const { return menu_; }
  const std::map<base::Text, Control>& Controls() const { return controls_; }
  FakeBrowser& Browser(const base::Text& name) const { return *browsers_.at(name); }
  FakeTextBox& TextBox(const base::Text& name) const { return *textBoxes_.at(name); }
  FakeLabel& Label(const base::Text& name) const { return *labels_.at(name); }
  FakeTimer& Timer(const base::Text& name) const { return *timers_.at(name); }
  platform::Canvas& Canvas(const base::Text& name) const { return *canvases_.at(name); }
  bool Closed() const { return closed_; }
  bool Topmost() const { return topmost_; }
  int ShowCount() const { return showCount_; }

 private:
  void Remember(const platform::ControlSpec& spec, base::Text caption = {}, int tabIndex = -1,
                std::function<void()> onClick = nullptr);

  FakeUi& ui_;
  FakeWeb& web_;
  platform::WindowSpec spec_;
  std::vector<MenuItem> menu_;
  std::map<base::Text, Control> controls_;
  std::map<base::Text, std::unique_ptr<FakeBrowser>> browsers_;
  std::map<base::Text, std::unique_ptr<FakeTextBox>> textBoxes_;
  std::map<base::Text, std::unique_ptr<FakeLabel>> labels_;
  std::map<base::Text, std::unique_ptr<FakeTimer>> timers_;
  std::map<base::Text, std::unique_ptr<platform::Canvas>> canvases_;
  std::function<void()> onCloseRequest_;
  bool visible_ = false;
  bool closed_ = false;
  bool topmost_ = false;
  int showCount_ = 0;
};

class FakeUi : public platform::Ui {
 public:
  struct MessageBoxCall {
    base::Text text;
    base::Text title;
    platform::MsgBoxButtons buttons;
    platform::MsgBoxIcon icon;
  };

  explicit FakeUi(FakeWeb& web) : web_(web) {}

  std::unique_ptr<platform::Window> CreateWindow(const platform::WindowSpec& spec) override;
  platform::MsgBoxResult MessageBox(const base::Text& text, const base::Text& title,
                                    platform::MsgBoxButtons buttons,
                                    platform::MsgBoxIcon icon) override;
  base::Text ClipboardText() override { return clipboard_; }

  // Answers for the next message boxes, in order; without one a box answers Closed.
  void Answer(platform::MsgBoxResult result) { answers_.push_back(result); }
  // Runs while the next message box is up (a nested event loop would run it).
  void WhileMessageBoxShown(std::function<void()> action) {
    whileShown_.push_back(std::move(action));
  }
  void SetClipboardText(base::Text text) { clipboard_ = std::move(text); }
  // Makes the drawing surfaces of new windows.
  void SetCanvasFactory(std::function<std::unique_ptr<platform::Canvas>()> factory) {
    canvasFactory_ = std::move(factory);
  }

  const std::vector<MessageBoxCall>& MessageBoxes() const { return boxes_; }
  TextLog& TextBoxLog() { return textLog_; }
  // The live windows, oldest first.
  const std::vector<FakeWindow*>& Windows() const { return windows_; }
  // The newest live window with this name, or null.
  FakeWindow* Find(const base::Text& name) const;
  int CreatedCount(const base::Text& name) const;

 private:
  friend class FakeWindow;
  FakeWeb& web_;
  std::vector<FakeWindow*> windows_;
  std::map<base::Text, int> created_;
  std::vector<MessageBoxCall> boxes_;
  std::deque<platform::MsgBoxResult> answers_;
  std::deque<std::function<void()>> whileShown_;
  base::Text clipboard_;
  TextLog textLog_;
  std::function<std::unique_ptr<platform::Canvas>()> canvasFactory_;
};

}  // namespace fakes
