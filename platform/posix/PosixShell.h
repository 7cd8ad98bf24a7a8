#pragma once

#include "platform/Shell.h"

namespace platform::posix {

// The running program's directory, starting other programs, and ending this one.
class PosixShell : public platform::Shell {
 public:
  base::Text ProgramDirectory() override;
  // Marks the file executable by its owner and starts it in a session of its own, not
  // as our child, without arguments, with its standard streams on /dev/null and nothing
  // else of ours: no other descriptor, no ignored or blocked signal. False when the file
  // is missing, is not a regular file, cannot be marked executable or cannot be executed.
  bool Launch(const base::Text& path) override;
  // Flushes the standard streams and ends the process at once, without destructors or
  // exit handlers. Every process descended from this one (the browser engine's helpers)
  // is killed first, so none outlives it; programs started by Launch are not descendants
  // and run on.
  [[noreturn]] void EndProgram() override;
};

}  // namespace platform::posix
