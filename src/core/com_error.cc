// Construction of ComError and the runtime's standard errors.
#include "core/com_error.h"

#include <utility>

namespace core {

ComError::ComError(int32_t number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

void RaiseOverflow() { throw ComError(kErrOverflow, "Overflow"); }

void RaiseTypeMismatch(const std::string& what) {
  if (what.empty()) throw ComError(kErrTypeMismatch, "Type mismatch");
  throw ComError(kErrTypeMismatch, "Type mismatch: " + what);
}

void RaiseInvalidNull() { throw ComError(kErrInvalidNull, "Invalid use of Null"); }

}  // namespace core
