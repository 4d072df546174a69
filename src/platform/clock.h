// The clock. DUNMERROW_NOW=YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS fixes "now" and
// "today" for reproducible runs; otherwise the system's local time.
#ifndef DUNMERROW_PLATFORM_CLOCK_H_
#define DUNMERROW_PLATFORM_CLOCK_H_

#include "core/date.h"

namespace platform {

core::Date Now();
// Now without the time of day.
core::Date Today();

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_CLOCK_H_
