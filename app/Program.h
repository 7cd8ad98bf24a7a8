#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <memory>
#include <vector>

#include "app/Config.h"
#include "app/Form.h"
#include "app/FormId.h"
#include "platform/Platform.h"

namespace app {

class Form2;

// A window class of the program: a form that names its own id and is made from the
// program alone. Registering and typed references go through this, so a window can only
// ever sit in the slot of its own id.
template <class F>
concept FormType = std::derived_from<F, Form> && std::same_as<decltype(F::kId), const FormId> &&
    std::constructible_from<F, Program&>;

// The forms registry. Each window class has at most one loaded instance; a reference
// to a form that is not loaded creates it and runs its Form_Load first. Unloading runs
// Form_Unload, closes the window and retires the instance; retired instances are
// destroyed at the event loop's next top-level pass, so a form may unload itself from
// its own handler and go on. The run ends when no form is loaded once control is back at
// the top of the event loop.
//
// The main window lives beside the registry; every other window lives in a library of
// its own that depends on this one and is made through the factory its library
// registers (main.cpp does it for the program). A form reaches another through
// Reference: by id when it only shows or unloads it, typed when it reads its fields.
class Program {
 public:
  Program(platform::Platform& platform, Config config);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Makes the window known under its own id; the main window is known from the start.
  template <FormType F>
  void Register() {
    factories_[Index(F::kId)] = [](Program& program) -> std::unique_ptr<Form> {
      return std::make_unique<F>(program);
    };
  }

  // The loaded instance, created and loaded first when there is none.
  Form& Reference(FormId id);
  // Typed: the slot of F's id only ever holds an F (see Register).
  template <FormType F>
  F& Reference() {
    return static_cast<F&>(Reference(F::kId));
  }
  // The main window.
  Form2& form2();
  // Shows the window modelessly, loading it first when it is not loaded; a window that
  // was closed or hid itself during that load stays as it left itself.
  void Show(FormId id);

  bool IsLoaded(const Form& form) const;
  bool IsLoaded(FormId id) const { return slots_[Index(id)] != nullptr; }
  std::size_t LoadedCount() const;
  // Whether any loaded form other than `except` is on the screen.
  bool AnyOtherVisible(const Form& except) const;

  // Runs the form's Form_Unload, then closes and retires it. Unloading a form that is
  // not loaded, or that is already being unloaded, does nothing.
  void Unload(Form& form);

  // Ends the run once the handlers on the stack have returned, as unloading the last
  // form does; forms still loaded are destroyed with the program without their
  // Form_Unload.
  void EndRun();

  // Ends the program at once: no handler of any window runs any more.
  [[noreturn]] void EndProgram();

  // Loads and shows the main window, then runs the event loop until the last form is
  // unloaded. Returns the loop's exit code.
  int Run();

  platform::Platform& Platform() { return platform_; }
  const Config& GetConfig() const { return config_; }

 private:
  using Factory = std::unique_ptr<Form> (*)(Program&);
  static constexpr std::size_t Index(FormId id) { return static_cast<std::size_t>(id); }
  void DestroyRetired();

  platform::Platform& platform_;
  Config config_;
  std::array<Factory, kFormCount> factories_{};
  std::array<std::unique_ptr<Form>, kFormCount> slots_;
  std::vector<std::unique_ptr<Form>> retired_;
  bool destroyPosted_ = false;
};

}  // namespace app
