// Readable test failure output for money and dates.
#ifndef DUNMERROW_TESTS_RENT_PRINTERS_H_
#define DUNMERROW_TESTS_RENT_PRINTERS_H_

#include <ostream>

#include "core/currency.h"
#include "core/date.h"

namespace core {

inline void PrintTo(const Currency& amount, std::ostream* os) { *os << amount.ToString(); }
inline void PrintTo(const Date& date, std::ostream* os) { *os << date.ToIso(); }

}  // namespace core

#endif  // DUNMERROW_TESTS_RENT_PRINTERS_H_
