// Conversions between runtime values.
#include "core/convert.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/com_error.h"

namespace core {
namespace {

DateTextHooks& Hooks() {
  static DateTextHooks hooks;
  return hooks;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool EqualsIgnoreCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == 0;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

}  // namespace

void SetDateTextHooks(DateTextHooks hooks) { Hooks() = std::move(hooks); }

std::string DateToText(const Date& d) {
  if (Hooks().to_text) return Hooks().to_text(d);
  std::string iso = d.ToIso();
  return d.HasTime() ? iso : iso.substr(0, 10);
}

std::optional<Date> TextToDate(const std::string& text) {
  const std::string t = Trim(text);
  if (auto iso = Date::ParseIso(t)) return iso;
  if (Hooks().from_text) return Hooks().from_text(t);
  return std::nullopt;
}

std::string DoubleToText(double value) {
  if (value == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string s = buf;
  const size_t e = s.find('E');
  std::string mantissa = e == std::string::npos ? s : s.substr(0, e);
  const std::string exponent = e == std::string::npos ? "" : s.substr(e);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  if (exponent.empty()) return mantissa;
  // "1E+20" as the host writes it, without leading zeros in the exponent.
  const char sign = exponent[1];
  std::string digits = exponent.substr(2);
  while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
  return mantissa + "E" + sign + digits;
}

std::optional<double> ParseNumber(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  for (char c : t) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
          c == 'e' || c == 'E')) {
      return std::nullopt;
    }
  }
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size()) return std::nullopt;
  if (errno == ERANGE && std::isinf(value)) RaiseOverflow();
  return value;
}

std::string ToText(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
      return "";
    case VarType::kNull:
      RaiseInvalidNull();
    case VarType::kBoolean:
      return v.AsBoolean() ? "True" : "False";
    case VarType::kInteger:
      return std::to_string(v.AsInteger());
    case VarType::kLong:
      return std::to_string(v.AsLong());
    case VarType::kCurrency:
      return v.AsCurrency().ToString();
    case VarType::kDouble:
      return DoubleToText(v.AsDouble());
    case VarType::kDate:
      return DateToText(v.AsDate());
    case VarType::kString:
      return v.AsString();
    case VarType::kObject:
      RaiseTypeMismatch("an object has no text form");
  }
  RaiseTypeMismatch();
}

std::string JoinText(const Variant& v) {
  if (v.IsNull() || v.IsEmpty()) return "";
  return ToText(v);
}

double ToDouble(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
      return 0;
    case VarType::kNull:
      RaiseInvalidNull();
    case VarType::kBoolean:
      return v.AsBoolean() ? -1 : 0;
    case VarType::kInteger:
      return v.AsInteger();
    case VarType::kLong:
      return v.AsLong();
    case VarType::kCurrency:
      return v.AsCurrency().ToDouble();
    case VarType::kDouble:
      return v.AsDouble();
    case VarType::kDate:
      return v.AsDate().serial();
    case VarType::kString: {
      if (auto n = ParseNumber(v.AsString())) return *n;
      if (EqualsIgnoreCase(Trim(v.AsString()), "True")) return -1;
      if (EqualsIgnoreCase(Trim(v.AsString()), "False")) return 0;
      RaiseTypeMismatch("'" + v.AsString() + "' is not a number");
    }
    case VarType::kObject:
      RaiseTypeMismatch("an object is not a number");
  }
  RaiseTypeMismatch();
}

int16_t RoundToInteger(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) {
    RaiseOverflow();
  }
  return static_cast<int16_t>(r);
}

int16_t ToInteger(const Variant& v) {
  if (v.type() == VarType::kInteger) return v.AsInteger();
  if (v.type() == VarType::kCurrency) {
    // Exact: halves of currency values are representable, so round on the raw count.
    return RoundToInteger(v.AsCurrency().ToDouble());
  }
  return RoundToInteger(ToDouble(v));
}

int32_t ToLong(const Variant& v) {
  if (v.type() == VarType::kLong) return v.AsLong();
  const double r = RoundHalfEven(ToDouble(v));
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
    RaiseOverflow();
  }
  return static_cast<int32_t>(r);
}

Currency ToCurrency(const Variant& v) {
  switch (v.type()) {
    case VarType::kCurrency:
      return v.AsCurrency();
    case VarType::kInteger:
      return Currency::FromUnits(v.AsInteger());
    case VarType::kLong:
      return Currency::FromUnits(v.AsLong());
    case VarType::kString: {
      const std::string t = Trim(v.AsString());
      try {
        return Currency::Parse(t);
      } catch (const ComError& e) {
        if (e.number() != kErrTypeMismatch) throw;
      }
      return Currency::FromDouble(ToDouble(v));
    }
    default:
      return Currency::FromDouble(ToDouble(v));
  }
}

bool ToBoolean(const Variant& v) {
  switch (v.type()) {
    case VarType::kBoolean:
      return v.AsBoolean();
    case VarType::kString: {
      const std::string t = Trim(v.AsString());
      if (EqualsIgnoreCase(t, "True")) return true;
      if (EqualsIgnoreCase(t, "False")) return false;
      if (auto n = ParseNumber(t)) return *n != 0;
      RaiseTypeMismatch("'" + v.AsString() + "' is not True or False");
    }
    case VarType::kCurrency:
      return !v.AsCurrency().IsZero();
    default:
      return ToDouble(v) != 0;
  }
}

Date ToDate(const Variant& v) {
  switch (v.type()) {
    case VarType::kDate:
      return v.AsDate();
    case VarType::kNull:
      RaiseInvalidNull();
    case VarType::kString: {
      if (auto d = TextToDate(v.AsString())) return *d;
      RaiseTypeMismatch("'" + v.AsString() + "' is not a date");
    }
    case VarType::kBoolean:
    case VarType::kObject:
      RaiseTypeMismatch("not a date");
    default:
      return Date::FromSerial(ToDouble(v));
  }
}

}  // namespace core
