// Fixed-point money: a 64-bit count of ten-thousandths with exact addition and
// subtraction. Every operation that would leave the range raises Overflow (6).
#ifndef DUNMERROW_CORE_CURRENCY_H_
#define DUNMERROW_CORE_CURRENCY_H_

#include <compare>
#include <cstdint>
#include <string>

namespace core {

class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;

  // Exact construction from ten-thousandths.
  static constexpr Currency FromRaw(int64_t ten_thousandths) {
    Currency c;
    c.raw_ = ten_thousandths;
    return c;
  }
  // Whole units; raises Overflow when out of range.
  static Currency FromUnits(int64_t units);
  // Rounds to four places, halves to even, as the host's conversion does.
  // Raises Overflow for a value outside the range or not a number.
  static Currency FromDouble(double value);
  // Parses plain decimal text ("-12.5", "1234.5678"); extra places are
  // rounded half to even. Raises Type mismatch for anything else.
  static Currency Parse(const std::string& text);

  constexpr int64_t raw() const { return raw_; }
  double ToDouble() const { return static_cast<double>(raw_) / kScale; }
  // Plain text without grouping or trailing zeros: "150", "150.5", "-0.25".
  std::string ToString() const;

  Currency operator+(Currency other) const;
  Currency operator-(Currency other) const;
  Currency operator-() const;
  Currency& operator+=(Currency other) { return *this = *this + other; }
  Currency& operator-=(Currency other) { return *this = *this - other; }
  Currency Abs() const { return raw_ < 0 ? -*this : *this; }

  constexpr auto operator<=>(const Currency&) const = default;
  constexpr bool IsZero() const { return raw_ == 0; }

 private:
  int64_t raw_ = 0;
};

}  // namespace core

#endif  // DUNMERROW_CORE_CURRENCY_H_
