// The one place that turns an operating-system error (errno) into ours.
#ifndef DUNMERROW_PLATFORM_OS_ERROR_H_
#define DUNMERROW_PLATFORM_OS_ERROR_H_

#include <string>

#include "core/com_error.h"

namespace platform {

// The error for `err` (an errno value) met while doing `what`, which names
// the action and its object ("cannot write /out/statements.pdf"): a number
// by kind (53 not found, 70 permission denied, 61 disk full, 52 a name too
// long, 57 device I/O, 75 anything else) and the description
// "WHAT: the system's reason".
core::ComError OsError(const std::string& what, int err, const std::string& source = "Dunmerrow");

// The error number of core/error_numbers.h for `err`.
int32_t OsErrorNumber(int err);

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_OS_ERROR_H_
