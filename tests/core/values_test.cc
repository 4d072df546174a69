// Currency arithmetic, date arithmetic and the reading of ISO date texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "core/com_error.h"
#include "core/currency.h"
#include "core/date.h"
#include "test_support.h"

namespace core {
namespace {

TEST(CurrencyTest, ExactArithmeticAndOverflow) {
  Currency total;
  for (int i = 0; i < 10; ++i) total += Currency::FromDouble(0.1);
  EXPECT_EQ(total, Currency::FromUnits(1));
  EXPECT_EQ((Currency::FromUnits(100) - Currency::FromUnits(30)).ToString(), "70");
  const Currency max = Currency::FromRaw(std::numeric_limits<int64_t>::max());
  EXPECT_THROW(max + Currency::FromRaw(1), ComError);
  EXPECT_THROW(-Currency::FromRaw(std::numeric_limits<int64_t>::min()), ComError);
  EXPECT_EQ(max.ToString(), "922337203685477.5807");
  EXPECT_EQ(Currency::FromRaw(std::numeric_limits<int64_t>::min()).ToString(),
            "-922337203685477.5808");
}

// Money read from a double column at the edges of the range: exact to the
// ten-thousandth wherever the double itself is, overflow past the range,
// never a wrapped or shifted amount.
TEST(CurrencyTest, DoublesAtTheLimitsReadExactlyOrOverflow) {
  const std::pair<double, int64_t> exact[] = {
      {922337203685477.0, 9223372036854770000},   {-922337203685477.0, -9223372036854770000},
      {922337203685477.5, 9223372036854775000},   {-922337203685477.5, -9223372036854775000},
      {123456789012.25, 1234567890122500},        {0.00005, 0},  // half to even
      {-2.5, -25000},                             {1234.5678, 12345678}};
  for (const auto& [value, raw] : exact) EXPECT_EQ(Currency::FromDouble(value).raw(), raw) << value;
  for (const double value : {922337203685478.0, -922337203685478.0, 1e15, 1e300,
                             std::numeric_limits<double>::infinity(), std::nan("")}) {
    testing_support::ExpectComError(kErrOverflow, "", [&] { (void)Currency::FromDouble(value); });
  }
}

TEST(DateTest, SerialsAndCalendarArithmeticToTheLimits) {
  EXPECT_EQ(Date().ToIso(), "1899-12-30 00:00:00");
  EXPECT_EQ(Date::FromCivil(1900, 1, 1).serial(), 2);
  EXPECT_EQ(Date::FromCivil(2009, 4, 18).serial(), 39921);
  // Before the zero date the fraction still counts forward from midnight.
  const Date before = Date::FromSerial(-1.25);
  EXPECT_EQ(before.ToIso(), "1899-12-29 06:00:00");
  EXPECT_LT(Date::FromCivil(1899, 12, 29, 5), before);
  EXPECT_LT(before, Date::FromCivil(1899, 12, 29, 7));

  const Date d = Date::FromCivil(2024, 2, 29, 8, 30);
  EXPECT_EQ(d.AddDays(1).ToIso(), "2024-03-01 08:30:00");
  EXPECT_EQ(d.AddYears(1).ToIso(), "2025-02-28 08:30:00");
  EXPECT_EQ(d.AddYears(-100).ToIso(), "1924-02-29 08:30:00");
  EXPECT_EQ(Date::FromCivil(2009, 4, 1).DaysUntil(Date::FromCivil(2009, 4, 7, 23)), 6);
  EXPECT_EQ(Date::FromCivil(100, 1, 1).ToIso(), "0100-01-01 00:00:00");
  EXPECT_THROW(Date::FromCivil(9999, 12, 31).AddDays(1), ComError);
  EXPECT_THROW(Date::FromCivil(2023, 2, 29), ComError);
}

// The stored forms read directly; the general reading of odd forms gives the
// same dates as before.
TEST(DateTest, ParseIsoReadsStoredAndOddFormsAsTheyAlwaysHave) {
  const std::pair<const char*, const char*> cases[] = {  // no second: not a date
      {"2026-01-31 00:00:00", "2026-01-31 00:00:00"},
      {"2026-01-31T23:59:58", "2026-01-31 23:59:58"},
      {"2026-01-31", "2026-01-31 00:00:00"},
      {"1899-12-30 12:00:00", "1899-12-30 12:00:00"},
      {"9999-12-31 23:59:59", "9999-12-31 23:59:59"},
      // What the general reading has always taken: blanks and signs in a place.
      {"2009- 4-18", "2009-04-18 00:00:00"},
      {"2009-04-+8", "2009-04-08 00:00:00"},
      {"2009-04-18 +1:02:03", "2009-04-18 01:02:03"},
      {"2009-04-18x00:00:00", nullptr}, {"2009-13-01", nullptr}, {"2009-02-30", nullptr},
      {"2009-04-18 24:00:00", nullptr}, {"2009/04/18", nullptr}, {"2009-4-18", nullptr},
      {"2009-04-18 25:00:00", nullptr}, {"20090418", nullptr},   {"2009-04-1a", nullptr},
      {"", nullptr},
  };
  for (const auto& [text, iso] : cases) {
    const std::optional<Date> date = Date::ParseIso(text);
    EXPECT_EQ(date ? date->ToIso() : "not a date", iso ? iso : "not a date") << text;
  }
}

}  // namespace
}  // namespace core
