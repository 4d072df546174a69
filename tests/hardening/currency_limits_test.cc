// Money read from a double column at the edges of the currency's range:
// exact to the ten-thousandth wherever the double itself is, overflow past
// the range, never a wrapped or shifted amount.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/com_error.h"
#include "core/currency.h"

namespace {

using core::Currency;

TEST(CurrencyLimitsTest, LargeAmountsReadExactlyAndOverflowPastTheRange) {
  struct Case {
    double value;
    int64_t raw;
  };
  const Case cases[] = {
      {922337203685477.0, 9223372036854770000},
      {-922337203685477.0, -9223372036854770000},
      {922337203685477.5, 9223372036854775000},
      {-922337203685477.5, -9223372036854775000},
      {123456789012.25, 1234567890122500},
      {0.00005, 0},  // half to even, as before
      {-2.5, -25000},
      {1234.5678, 12345678},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Currency::FromDouble(c.value).raw(), c.raw) << c.value;
  }
  for (const double value : {922337203685478.0, -922337203685478.0, 1e15, 1e300,
                             std::numeric_limits<double>::infinity(), std::nan("")}) {
    try {
      (void)Currency::FromDouble(value);
      ADD_FAILURE() << value << " did not overflow";
    } catch (const core::ComError& e) {
      EXPECT_EQ(e.number(), 6) << value;
    }
  }
}

}  // namespace
