#pragma once

#include <new>
#include <stdexcept>
#include <string>

namespace base {

// Errors of the runtime the forms and the engine are written against.
enum class ErrorKind {
  Overflow,        // a number does not fit the target width
  TypeMismatch,    // a text does not read as the number asked for
  DivisionByZero,  // also 0 / 0 and other invalid floating-point operations
  InvalidCall,     // an argument or an object in the wrong state
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  ErrorKind Kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

const char* KindName(ErrorKind kind);

// Runs one step in skip-on-failure mode: a RuntimeError or an allocation failure is
// swallowed and reported as false. Nothing else is caught, so ending the program
// (and any programming error) still goes through.
template <class Step>
bool SkipOnFailure(Step&& step) {
  try {
    step();
    return true;
  } catch (const RuntimeError&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace base
