#pragma once

#include "base/Text.h"

namespace platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // The directory of the running executable, without a trailing separator.
  virtual base::Text ProgramDirectory() = 0;
  // Starts the file as a program, no arguments, minimised with focus where the desktop
  // knows such a state. False when the file is missing or is not a program.
  virtual bool Launch(const base::Text& path) = 0;
  // Ends the process at once: no handler and no destructor of any window runs.
  [[noreturn]] virtual void EndProgram() = 0;
};

}  // namespace platform
