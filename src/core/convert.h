// Conversions between runtime values, with the host language's rules and
// errors:
//   - a Null turned into a number, date, boolean or text raises 94
//     "Invalid use of Null" (JoinText turns it into "" instead);
//   - text that is not a number, date or boolean raises 13 "Type mismatch";
//   - a value outside the target's range raises 6 "Overflow";
//   - Empty converts to 0, "", false and the zero date.
// Dates turn into text and back through the regional date hooks, which the
// platform layer installs; the default is the unambiguous ISO form.
#ifndef DUNMERROW_CORE_CONVERT_H_
#define DUNMERROW_CORE_CONVERT_H_

#include <functional>
#include <optional>
#include <string>

#include "core/variant.h"

namespace core {

// Text forms: booleans "True"/"False"; numbers plainly ("150", "150.5",
// "0.25"); currency likewise; dates through the date-to-text hook.
std::string ToText(const Variant& v);
// Text joined to text: a Null (and Empty) gives "", everything else ToText.
std::string JoinText(const Variant& v);

bool ToBoolean(const Variant& v);
// 16-bit integer, rounded half to even.
int16_t ToInteger(const Variant& v);
// 32-bit integer, rounded half to even.
int32_t ToLong(const Variant& v);
Currency ToCurrency(const Variant& v);
double ToDouble(const Variant& v);
Date ToDate(const Variant& v);

// Rounds half to even and checks the range of a 16-bit integer.
int16_t RoundToInteger(double value);
// Plain text of a double: up to 15 significant digits, no trailing zeros.
std::string DoubleToText(double value);
// Parses a number written plainly ("12", "-3.5", "1e3"); nullopt otherwise.
std::optional<double> ParseNumber(const std::string& text);

// Regional date text. The platform installs hooks that follow the user's
// short date; both must round-trip a date.
struct DateTextHooks {
  std::function<std::string(const Date&)> to_text;
  std::function<std::optional<Date>(const std::string&)> from_text;
};
void SetDateTextHooks(DateTextHooks hooks);
std::string DateToText(const Date& d);
std::optional<Date> TextToDate(const std::string& text);

}  // namespace core

#endif  // DUNMERROW_CORE_CONVERT_H_
