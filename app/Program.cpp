#include "app/Program.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "app/Form2.h"

namespace app {

Program::Program(platform::Platform& platform, Config config)
    : platform_(platform), config_(std::move(config)) {
  Register<Form2>();
}

Program::~Program() = default;

Form& Program::Reference(FormId id) {
  if (Index(id) >= kFormCount) throw std::logic_error("not a window of the program");
  auto& slot = slots_[Index(id)];
  if (slot) return *slot;
  const Factory factory = factories_[Index(id)];
  if (!factory) throw std::logic_error("no factory registered for this form");
  // The slot holds the instance before Form_Load runs, so references made during the
  // load (by handlers it raises) reach this same instance.
  slot = factory(*this);
  Form& created = *slot;
  created.Form_Load();
  return created;
}

Form2& Program::form2() {
  return Reference<Form2>();
}

bool Program::IsLoaded(const Form& form) const {
  for (const auto& slot : slots_)
    if (slot.get() == &form) return true;
  return false;
}

bool Program::AnyOtherVisible(const Form& except) const {
  for (const auto& slot : slots_)
    if (slot && slot.get() != &except && slot->window_->IsVisible()) return true;
  return false;
}

std::size_t Program::LoadedCount() const {
  std::size_t count = 0;
  for (const auto& slot : slots_)
    if (slot) ++count;
  return count;
}

void Program::Unload(Form& form) {
  if (!IsLoaded(form) || form.unloading_) return;
  form.unloading_ = true;
  form.Form_Unload();

  // Form_Unload may have dispatched events; find the form's slot afresh.
  for (auto& slot : slots_) {
    if (slot.get() != &form) continue;
    slot->window_->Close();
    retired_.push_back(std::move(slot));
    break;
  }
  // Whether that was the last window is decided back at the top of the loop: a handler
  // that unloads its own window and then shows another one keeps the run going.
  if (!destroyPosted_) {
    destroyPosted_ = true;
    platform_.loop.Post([this] { DestroyRetired(); });
  }
}

void Program::DestroyRetired() {
  destroyPosted_ = false;
  auto retired = std::move(retired_);
  retired_.clear();
  retired.clear();
  if (LoadedCount() == 0) platform_.loop.Quit(0);
}

void Program::EndRun() {
  platform_.loop.Quit(0);
}

void Program::EndProgram() {
  platform_.shell.EndProgram();
  std::abort();  // the shell never returns from ending the program
}

void Program::Show(FormId id) {
  const bool fresh = !IsLoaded(id);
  Form& form = Reference(id);
  // Closed during its own load, or hidden by it (an upgrade accepted as it loaded).
  if (!IsLoaded(form) || (fresh && form.HiddenBeforeFirstShow())) return;
  form.Show();
}

int Program::Run() {
  Show(FormId::Form2);
  // The main window may already be gone (closed during its load): nothing to run.
  int code = LoadedCount() == 0 ? 0 : platform_.loop.Run();
  DestroyRetired();
  return code;
}

}  // namespace app
