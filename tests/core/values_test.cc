// Currency arithmetic and date arithmetic.
#include <gtest/gtest.h>

#include <limits>

#include "core/com_error.h"
#include "core/currency.h"
#include "core/date.h"

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

TEST(DateTest, ZeroDateAndSerials) {
  EXPECT_EQ(Date().ToIso(), "1899-12-30 00:00:00");
  EXPECT_EQ(Date::FromCivil(1900, 1, 1).serial(), 2);
  EXPECT_EQ(Date::FromCivil(2009, 4, 18).serial(), 39921);
  // Before the zero date the fraction still counts forward from midnight.
  const Date before = Date::FromSerial(-1.25);
  EXPECT_EQ(before.ToIso(), "1899-12-29 06:00:00");
  EXPECT_LT(Date::FromCivil(1899, 12, 29, 5), before);
  EXPECT_LT(before, Date::FromCivil(1899, 12, 29, 7));
}

TEST(DateTest, CalendarArithmetic) {
  const Date d = Date::FromCivil(2024, 2, 29, 8, 30);
  EXPECT_EQ(d.AddDays(1).ToIso(), "2024-03-01 08:30:00");
  EXPECT_EQ(d.AddYears(1).ToIso(), "2025-02-28 08:30:00");
  EXPECT_EQ(d.AddYears(-100).ToIso(), "1924-02-29 08:30:00");
  EXPECT_EQ(Date::FromCivil(2009, 4, 1).DaysUntil(Date::FromCivil(2009, 4, 7, 23)), 6);
  EXPECT_EQ(Date::FromCivil(100, 1, 1).ToIso(), "0100-01-01 00:00:00");
  EXPECT_THROW(Date::FromCivil(9999, 12, 31).AddDays(1), ComError);
  EXPECT_THROW(Date::FromCivil(2023, 2, 29), ComError);
}

TEST(DateTest, IsoParsing) {
  EXPECT_EQ(Date::ParseIso("9999-12-31 23:59:59")->ToIso(), "9999-12-31 23:59:59");
  EXPECT_EQ(Date::ParseIso("2009-04-18T10:00:00")->ToIso(), "2009-04-18 10:00:00");
  EXPECT_FALSE(Date::ParseIso("2009-4-18"));
  EXPECT_FALSE(Date::ParseIso("2009-04-18 25:00:00"));
  EXPECT_FALSE(Date::ParseIso("20090418"));
}

}  // namespace
}  // namespace core
