#include "windows/RegisterForms.h"

#include "windows/Form3.h"
#include "windows/Form4.h"

namespace windows {

void RegisterForms(app::Program& program) {
  program.Register<Form3>();
  program.Register<Form4>();
}

}  // namespace windows
