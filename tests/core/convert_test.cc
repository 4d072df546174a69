// Conversions between runtime values, as data-driven tables.
#include "core/convert.h"

#include <gtest/gtest.h>

#include <utility>

#include "test_support.h"

namespace core {
namespace {

using testing_support::ExpectComError;

TEST(ConvertTest, TextForms) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(true), "True"},          {Variant(false), "False"},
      {Variant(int16_t{-5}), "-5"},     {Variant(int32_t{261}), "261"},
      {Variant(0.1), "0.1"},            {Variant(1234.5), "1234.5"},
      {Variant(1e20), "1E+20"},         {Variant(std::string("text")), "text"},
      {Variant(), ""},                  {Variant(Currency::FromUnits(150)), "150"},
      {Variant(Currency::FromRaw(1505000)), "150.5"},
      {Variant(Currency::FromRaw(-2500)), "-0.25"},
      {Variant(Date::FromCivil(2009, 4, 18)), "2009-04-18"},
      {Variant(Date::FromCivil(2009, 4, 18, 13, 5, 9)), "2009-04-18 13:05:09"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(ToText(value), text);
}

TEST(ConvertTest, NullIsAnErrorExceptWhenJoined) {
  const Variant null = Variant::Null();
  EXPECT_EQ(JoinText(null), "");
  ExpectComError(kErrInvalidNull, "", [&] { ToText(null); });
  ExpectComError(kErrInvalidNull, "", [&] { ToInteger(null); });
  ExpectComError(kErrInvalidNull, "", [&] { ToCurrency(null); });
  ExpectComError(kErrInvalidNull, "", [&] { ToDate(null); });
  ExpectComError(kErrInvalidNull, "", [&] { ToBoolean(null); });
  ExpectComError(kErrInvalidNull, "", [&] { ToDouble(null); });
}

TEST(ConvertTest, IntegersRoundHalfToEvenAndOverflow) {
  const std::pair<double, int16_t> rounded[] = {{2.5, 2},     {3.5, 4},       {-2.5, -2},
                                                {0.5, 0},     {1.4999, 1},    {32767, 32767},
                                                {-32768, -32768}};
  for (const auto& [in, out] : rounded) EXPECT_EQ(ToInteger(Variant(in)), out) << in;
  for (const double in : {32767.5, -32769.0}) {
    ExpectComError(kErrOverflow, "", [&] { ToInteger(Variant(in)); });
  }
  EXPECT_EQ(ToInteger(Variant(std::string("7"))), 7);
  EXPECT_EQ(ToLong(Variant(2147483647.0)), 2147483647);
  ExpectComError(kErrOverflow, "", [] { ToLong(Variant(2147483648.0)); });
}

TEST(ConvertTest, BooleansFromText) {
  const std::pair<Variant, bool> cases[] = {
      {Variant("True"), true}, {Variant("true"), true},  {Variant("False"), false},
      {Variant("-1"), true},   {Variant("0"), false},    {Variant(int32_t{-1}), true}};
  for (const auto& [in, out] : cases) EXPECT_EQ(ToBoolean(in), out) << ToText(in);
  ExpectComError(kErrTypeMismatch, "", [] { ToBoolean(Variant("yes")); });
}

TEST(ConvertTest, CurrencyFromTextAndNumbers) {
  const std::pair<Variant, int64_t> cases[] = {
      {Variant("-0.00005"), 0},   {Variant("0.00015"), 2},  // half to even, down and up
      {Variant("12.5"), 125000},  {Variant("1234.56789"), 12345679},
      {Variant(0.1 + 0.2), 3000}, {Variant(int32_t{-7}), -70000},
  };
  for (const auto& [in, raw] : cases) EXPECT_EQ(ToCurrency(in).raw(), raw) << ToText(in);
  ExpectComError(kErrTypeMismatch, "", [] { ToCurrency(Variant("12 dollars")); });
  ExpectComError(kErrOverflow, "", [] { ToCurrency(Variant(1e300)); });
  ExpectComError(kErrOverflow, "", [] { ToCurrency(Variant("99999999999999999999")); });
}

TEST(ConvertTest, DatesFromText) {
  EXPECT_EQ(ToDate(Variant("2009-04-18")), Date::FromCivil(2009, 4, 18));
  EXPECT_EQ(ToDate(Variant("2009-04-18 10:11:12")), Date::FromCivil(2009, 4, 18, 10, 11, 12));
  ExpectComError(kErrTypeMismatch, "", [] { ToDate(Variant("someday")); });
  ExpectComError(kErrTypeMismatch, "", [] { ToDate(Variant("2009-02-30")); });
  // A date turned into text comes back as the same date.
  const Date d = Date::FromCivil(1850, 7, 4, 23, 59, 58);
  EXPECT_EQ(ToDate(Variant(ToText(Variant(d)))), d);
}

}  // namespace
}  // namespace core
