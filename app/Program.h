#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

#include "app/Config.h"
#include "app/Form.h"
#include "platform/Platform.h"

namespace app {

class Form2;

// The forms registry. Each window class has at most one loaded instance; a reference
// to a form that is not loaded creates it and runs its Form_Load first. Unloading runs
// Form_Unload, closes the window and retires the instance; retired instances are
// destroyed at the event loop's next top-level pass, so a form may unload itself from
// its own handler and go on. The run ends when the last loaded form is unloaded.
class Program {
 public:
  Program(platform::Platform& platform, Config config);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The main window.
  Form2& form2();

  bool IsLoaded(const Form& form) const;
  std::size_t LoadedCount() const;

  // Runs the form's Form_Unload, then closes and retires it. Unloading a form that is
  // not loaded, or that is already being unloaded, does nothing.
  void Unload(Form& form);

  // Ends the program at once: no handler of any window runs any more.
  [[noreturn]] void EndProgram();

  // Loads and shows the main window, then runs the event loop until the last form is
  // unloaded. Returns the loop's exit code.
  int Run();

  platform::Platform& Platform() { return platform_; }
  const Config& GetConfig() const { return config_; }

 private:
  enum Slot : std::size_t { kForm2, kSlotCount };

  template <class F>
  F& Reference(Slot slot);
  void DestroyRetired();

  platform::Platform& platform_;
  Config config_;
  std::array<std::unique_ptr<Form>, kSlotCount> slots_;
  std::vector<std::unique_ptr<Form>> retired_;
  bool destroyPosted_ = false;
};

}  // namespace app
