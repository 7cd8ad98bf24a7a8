#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "base/RuntimeError.h"
#include "fakes/FakeCanvas.h"
#include "widgets/ControlHost.h"
#include "widgets/ctlProgress.h"

namespace widgets::testing {

// The kind of runtime error the call throws (a test failure when it throws none).
inline base::ErrorKind KindOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const base::RuntimeError& e) {
    return e.Kind();
  }
  ADD_FAILURE() << "no error";
  return base::ErrorKind::InvalidCall;
}

// A designer-like host that counts the control's property-changed notifications.
class RecordingHost : public ControlHost {
 public:
  void PropertyChanged() override { ++notifications; }
  base::FontRef AmbientFont() const override { return ambient; }
  float ControlWidth() const override { return width; }
  float ControlHeight() const override { return height; }

  int notifications = 0;
  base::FontRef ambient = std::make_shared<base::Font>(base::Font{u"Tahoma", 8, 400, 0});
  float width = 7095;
  float height = 375;
};

// The upgrade window's bar on a recording surface of the same size.
struct ProgressWorld {
  fakes::FakeCanvas pic{7095, 375};
  RecordingHost host;
  ctlProgress bar{pic, host};
};

}  // namespace widgets::testing
