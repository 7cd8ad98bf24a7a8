#pragma once

#include <functional>
#include <utility>

#include "base/Text.h"

namespace base {

// Text with the change rule of the window framework: setting a different text raises
// the change handler synchronously, before the setter returns; setting the same text
// raises nothing. A view (the on-screen control) mirrors every stored text; views never
// raise change handling of their own.
class ChangeText {
 public:
  explicit ChangeText(Text initial = {}) : text_(std::move(initial)) {}
  ChangeText(const ChangeText&) = delete;
  ChangeText& operator=(const ChangeText&) = delete;

  const Text& GetText() const { return text_; }
  void SetText(Text text);

  void OnChange(std::function<void()> handler) { onChange_ = std::move(handler); }
  // The view is told the current text at once and every stored text afterwards.
  void SetMirror(std::function<void(const Text&)> mirror);

 private:
  Text text_;
  std::function<void()> onChange_;
  std::function<void(const Text&)> mirror_;
};

// A text box's text, as the forms hold it.
class TextField : public ChangeText {
 public:
  using ChangeText::ChangeText;
};

// A label's caption, as the forms hold it.
class Label : public ChangeText {
 public:
  using ChangeText::ChangeText;
};

}  // namespace base
