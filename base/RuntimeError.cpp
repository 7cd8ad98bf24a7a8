#include "base/RuntimeError.h"

namespace base {

const char* KindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Overflow:
      return "Overflow";
    case ErrorKind::TypeMismatch:
      return "TypeMismatch";
    case ErrorKind::DivisionByZero:
      return "DivisionByZero";
    case ErrorKind::InvalidCall:
      return "InvalidCall";
  }
  return "Unknown";
}

}  // namespace base
