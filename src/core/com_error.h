// The error every layer of the component raises and catches: a number, a
// description and the name of the part that raised it, as the host expects.
#ifndef DUNMERROW_CORE_COM_ERROR_H_
#define DUNMERROW_CORE_COM_ERROR_H_

#include <cstdint>
#include <stdexcept>
#include <string>

namespace core {

// Error numbers shared across the component.
inline constexpr int32_t kErrInvalidArgument = 5;  // a setting or argument that is not allowed
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrSubscript = 9;
inline constexpr int32_t kErrTypeMismatch = 13;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrInvalidNull = 94;
inline constexpr int32_t kErrCantCreateObject = 429;
inline constexpr int32_t kErrInvalidPicture = 481;  // a picture over the size limits
inline constexpr int32_t kErrPrinter = 482;         // the printer refused or did not take a job
inline constexpr int32_t kErrDuplicateKey = 457;
inline constexpr int32_t kErrNotImplemented = 445;
inline constexpr int32_t kErrItemNotFound = 3265;
inline constexpr int32_t kErrObjectClosed = 3704;

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
