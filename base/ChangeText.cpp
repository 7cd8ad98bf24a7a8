#include "base/ChangeText.h"

namespace base {

void ChangeText::SetText(Text text) {
  if (text == text_) return;
  text_ = std::move(text);
  if (mirror_) mirror_(text_);
  // Copy the handler: it may replace itself (or the field's owner may rebind it)
  // while it runs.
  if (onChange_) {
    auto handler = onChange_;
    handler();
  }
}

void ChangeText::SetMirror(std::function<void(const Text&)> mirror) {
  mirror_ = std::move(mirror);
  if (mirror_) mirror_(text_);
}

}  // namespace base
