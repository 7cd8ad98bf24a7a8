#include "app/Form.h"

#include "app/Program.h"

namespace app {

Form::Form(Program& program, const platform::WindowSpec& spec)
    : program_(program), window_(program.Platform().ui.CreateWindow(spec)) {
  // The close button unloads the form, as the window framework does by default.
  window_->OnCloseRequest([this] { program_.Unload(*this); });
}

Form::~Form() = default;

void Form::Show() {
  shownOnce_ = true;
  hiddenBeforeShow_ = false;
  window_->Show();
}

void Form::AddTextBox(base::TextField& field, const platform::ControlSpec& spec, int tabIndex) {
  platform::TextBox& box = window_->AddTextBox(spec, field.GetText(), tabIndex);
  field.SetMirror([&box](const base::Text& text) { box.SetText(text); });
}

void Form::AddLabel(base::Label& label, const platform::ControlSpec& spec, base::Colour colour) {
  platform::LabelView& view = window_->AddLabel(spec, label.GetText(), colour);
  label.SetMirror([&view](const base::Text& text) { view.SetText(text); });
}

void Form::SwitchTo(FormId id) {
  program_.Unload(*this);
  program_.Show(id);
}

void Form::Hide() {
  if (!shownOnce_) hiddenBeforeShow_ = true;
  window_->Hide();
}

}  // namespace app
