// The clock, fixed by DUNMERROW_NOW when set.
#include "platform/clock.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace platform {

core::Date Now() {
  if (const char* fixed = std::getenv("DUNMERROW_NOW"); fixed && *fixed) {
    if (auto d = core::Date::ParseIso(fixed)) return *d;
  }
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return core::Date::FromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour, local.tm_min, local.tm_sec);
}

core::Date Today() { return Now().DatePart(); }

}  // namespace platform
