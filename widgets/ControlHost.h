#pragma once

#include <utility>

#include "base/Font.h"

namespace widgets {

// What a self-drawn control needs from the window (or designer) that holds it.
class ControlHost {
 public:
  virtual ~ControlHost() = default;

  // The control has settings its host has not saved yet (sent without a property name).
  virtual void PropertyChanged() = 0;
  // The font of the window that contains the control.
  virtual base::FontRef AmbientFont() const = 0;
  // The control's size, in twips.
  virtual float ControlWidth() const = 0;
  virtual float ControlHeight() const = 0;
};

// The host of a control on a running window: there is no designer to tell of changes,
// and the control keeps the size its window gave it.
class RunTimeHost : public ControlHost {
 public:
  RunTimeHost(float widthTwips, float heightTwips, base::FontRef ambientFont)
      : width_(widthTwips), height_(heightTwips), ambientFont_(std::move(ambientFont)) {}

  void PropertyChanged() override {}
  base::FontRef AmbientFont() const override { return ambientFont_; }
  float ControlWidth() const override { return width_; }
  float ControlHeight() const override { return height_; }

 private:
  float width_;
  float height_;
  base::FontRef ambientFont_;
};

}  // namespace widgets
