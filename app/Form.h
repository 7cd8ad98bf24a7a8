#pragma once

#include <memory>

#include "app/FormId.h"
#include "base/ChangeText.h"
#include "platform/Ui.h"

namespace app {

class Program;

// A window of the program: its controls are members, its logic lives in handlers named
// after control and event. The Program creates, loads, unloads and destroys forms.
class Form {
 public:
  Form(Program& program, const platform::WindowSpec& spec);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  virtual void Form_Load() {}
  virtual void Form_Unload() {}

  // Modeless show and hide of the form's window.
  void Show();
  void Hide();

  platform::Window& Window() { return *window_; }
  // True when Hide was called before the window was shown for the first time.
  bool HiddenBeforeFirstShow() const { return hiddenBeforeShow_; }

 protected:
  // Declares a text box or a label on the window that shows the field's text from now on.
  void AddTextBox(base::TextField& field, const platform::ControlSpec& spec, int tabIndex);
  void AddLabel(base::Label& label, const platform::ControlSpec& spec, base::Colour colour);
  // Changes view: unloads this window, then shows the chosen one (loading it first).
  void SwitchTo(FormId id);

  Program& program_;
  std::unique_ptr<platform::Window> window_;

 private:
  friend class Program;
  bool shownOnce_ = false;
  bool hiddenBeforeShow_ = false;
  bool unloading_ = false;
};

}  // namespace app
