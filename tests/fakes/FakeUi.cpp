#include "fakes/FakeUi.h"

#include <algorithm>
#include <stdexcept>

namespace fakes {

void FakeTextBox::ReplaceSelection(const base::Text& text) {
  const std::size_t start = std::min(selStart_, text_.size());
  const std::size_t length = std::min(selLength_, text_.size() - start);
  text_.replace(start, length, text);
  selStart_ = start + text.size();
  selLength_ = 0;
}

FakeWindow::FakeWindow(FakeUi& ui, FakeWeb& web, platform::WindowSpec spec)
    : ui_(ui), web_(web), spec_(std::move(spec)) {
  ui_.windows_.push_back(this);
}

FakeWindow::~FakeWindow() {
  std::erase(ui_.windows_, this);
}

void FakeWindow::Remember(const platform::ControlSpec& spec, base::Text caption, int tabIndex,
                          std::function<void()> onClick) {
  if (controls_.count(spec.name)) throw std::logic_error("control declared twice");
  controls_[spec.name] = Control{spec, std::move(caption), tabIndex, std::move(onClick)};
}

void FakeWindow::AddMenuItem(const base::Text& name, const base::Text& caption,
                             std::function<void()> onClick) {
  menu_.push_back({name, caption, std::move(onClick)});
}

platform::Browser& FakeWindow::AddBrowser(const platform::ControlSpec& spec, int tabIndex) {
  Remember(spec, {}, tabIndex);
  return *(browsers_[spec.name] = std::make_unique<FakeBrowser>(web_));
}

platform::TextBox& FakeWindow::AddTextBox(const platform::ControlSpec& spec, const base::Text& text,
                                          int tabIndex) {
  Remember(spec, {}, tabIndex);
  return *(textBoxes_[spec.name] = std::make_unique<FakeTextBox>(spec.name, text, ui_.textLog_));
}

platform::LabelView& FakeWindow::AddLabel(const platform::ControlSpec& spec, const base::Text& text,
                                          base::Colour foreColour) {
  Remember(spec, text);
  return *(labels_[spec.name] = std::make_unique<FakeLabel>(text, foreColour));
}

void FakeWindow::AddFrame(const platform::ControlSpec& spec, const base::Text& caption,
                          base::Colour) {
  Remember(spec, caption);
}

void FakeWindow::AddButton(const platform::ControlSpec& spec, const base::Text& caption,
                           int tabIndex, std::function<void()> onClick) {
  Remember(spec, caption, tabIndex, std::move(onClick));
}

void FakeWindow::AddPicture(const platform::ControlSpec& spec, const std::string&) {
  Remember(spec);
}

platform::Timer& FakeWindow::AddTimer(const base::Text& name, int intervalMs, bool enabled,
                                      std::function<void()> onTick) {
  return *(timers_[name] = std::make_unique<FakeTimer>(intervalMs, enabled, std::move(onTick)));
}

platform::Canvas& FakeWindow::AddCanvas(const platform::ControlSpec& spec) {
  if (!ui_.canvasFactory_) throw std::logic_error("this test gave the fake UI no canvas factory");
  Remember(spec);
  return *(canvases_[spec.name] = ui_.canvasFactory_());
}

void FakeWindow::ClickMenu(const base::Text& name) {
  for (const auto& item : menu_) {
    if (item.name != name) continue;
    // The item may unload the window: run a copy of the handler.
    auto handler = item.onClick;
    if (handler) handler();
    return;
  }
  throw std::logic_error("no such menu item");
}

void FakeWindow::ClickButton(const base::Text& name) {
  auto handler = controls_.at(name).onClick;
  if (handler) handler();
}

void FakeWindow::RequestClose() {
  auto handler = onCloseRequest_;
  if (handler) handler();
}

std::unique_ptr<platform::Window> FakeUi::CreateWindow(const platform::WindowSpec& spec) {
  ++created_[spec.name];
  return std::make_unique<FakeWindow>(*this, web_, spec);
}

platform::MsgBoxResult FakeUi::MessageBox(const base::Text& text, const base::Text& title,
                                          platform::MsgBoxButtons buttons,
                                          platform::MsgBoxIcon icon) {
  boxes_.push_back({text, title, buttons, icon});
  if (!whileShown_.empty()) {
    auto action = std::move(whileShown_.front());
    whileShown_.pop_front();
    action();
  }
  if (answers_.empty()) return platform::MsgBoxResult::Closed;
  auto answer = answers_.front();
  answers_.pop_front();
  return answer;
}

FakeWindow* FakeUi::Find(const base::Text& name) const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if ((*it)->Spec().name == name) return *it;
  return nullptr;
}

int FakeUi::CreatedCount(const base::Text& name) const {
  auto it = created_.find(name);
  return it == created_.end() ? 0 : it->second;
}

}  // namespace fakes
