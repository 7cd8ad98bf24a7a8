#pragma once

#include <set>
#include <vector>

#include "base/Text.h"
#include "platform/Shell.h"

namespace fakes {

// Thrown where the real shell would end the process. Nothing in the program catches
// it: it is neither a runtime error nor an allocation failure.
struct ProgramEnded {};

class FakeShell : public platform::Shell {
 public:
  base::Text ProgramDirectory() override { return directory_; }
  bool Launch(const base::Text& path) override {
    launched_.push_back(path);
    return programs_.count(path) > 0;
  }
  [[noreturn]] void EndProgram() override {
    ++endCount_;
    throw ProgramEnded{};
  }

  void SetProgramDirectory(base::Text directory) { directory_ = std::move(directory); }
  // Paths that start as programs; every other launch fails.
  void AddProgram(const base::Text& path) { programs_.insert(path); }
  const std::vector<base::Text>& Launched() const { return launched_; }
  int EndCount() const { return endCount_; }

 private:
  base::Text directory_ = u"/opt/quorin";
  std::set<base::Text> programs_;
  std::vector<base::Text> launched_;
  int endCount_ = 0;
};

}  // namespace fakes
