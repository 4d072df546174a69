// The error every layer of the component raises and catches: a number, a
// description and the name of the part that raised it, as the host expects.
#ifndef DUNMERROW_CORE_COM_ERROR_H_
#define DUNMERROW_CORE_COM_ERROR_H_

#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/error_numbers.h"

namespace core {

class ComError : public std::runtime_error {
 public:
  ComError(int32_t number, std::string description, std::string source = "Dunmerrow");

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

// The standard errors of the runtime, with their usual texts.
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseTypeMismatch(const std::string& what = "");
[[noreturn]] void RaiseInvalidNull();

}  // namespace core

#endif  // DUNMERROW_CORE_COM_ERROR_H_
