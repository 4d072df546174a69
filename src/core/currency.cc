// Currency arithmetic and text forms.
#include "core/currency.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/com_error.h"

namespace core {

Currency Currency::FromUnits(int64_t units) {
  int64_t raw = 0;
  if (__builtin_mul_overflow(units, kScale, &raw)) RaiseOverflow();
  return FromRaw(raw);
}

Currency Currency::FromDouble(double value) {
  // Scaling the whole value by 10^4 in double arithmetic would round large
  // amounts to the spacing of doubles near 10^18 (up to 1024 ten-thousandths):
  // 922337203685477 would read as 922337203685476.9664. The whole
  // part is scaled exactly in integers; only the fraction, below one, is
  // rounded to four places.
  if (!std::isfinite(value) || std::fabs(value) >= 1e15) RaiseOverflow();
  const double whole = std::trunc(value);
  const auto units = static_cast<int64_t>(whole);
  const auto fraction = static_cast<int64_t>(
      std::nearbyint((value - whole) * static_cast<double>(kScale)));  // half to even
  int64_t raw = 0;
  if (__builtin_mul_overflow(units, kScale, &raw) || __builtin_add_overflow(raw, fraction, &raw)) {
    RaiseOverflow();
  }
  return FromRaw(raw);
}

Currency Currency::Parse(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  __int128 units = 0;
  int digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    units = units * 10 + (text[i++] - '0');
    if (++digits > 19) RaiseOverflow();
  }
  __int128 frac = 0;
  int places = 0;
  int next_digit = -1;
  bool sticky = false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      const int d = text[i++] - '0';
      if (places < 4) {
        frac = frac * 10 + d;
        ++places;
        ++digits;
      } else if (next_digit < 0) {
        next_digit = d;
      } else if (d != 0) {
        sticky = true;
      }
    }
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (digits == 0 || i != text.size()) RaiseTypeMismatch("'" + text + "' is not a number");
  for (; places < 4; ++places) frac *= 10;
  __int128 raw = units * kScale + frac;
  if (next_digit > 5 || (next_digit == 5 && (sticky || (raw & 1)))) ++raw;
  if (negative) raw = -raw;
  if (raw > std::numeric_limits<int64_t>::max() || raw < std::numeric_limits<int64_t>::min()) {
    RaiseOverflow();
  }
  return FromRaw(static_cast<int64_t>(raw));
}

std::string Currency::ToString() const {
  const bool negative = raw_ < 0;
  const unsigned __int128 magnitude =
      negative ? static_cast<unsigned __int128>(-static_cast<__int128>(raw_)) : raw_;
  const auto units = static_cast<unsigned long long>(magnitude / kScale);
  auto frac = static_cast<unsigned>(magnitude % kScale);
  std::string out = negative ? "-" : "";
  out += std::to_string(units);
  if (frac != 0) {
    std::string f = std::to_string(frac);
    f.insert(0, 4 - f.size(), '0');
    while (!f.empty() && f.back() == '0') f.pop_back();
    out += "." + f;
  }
  return out;
}

Currency Currency::operator+(Currency other) const {
  int64_t raw = 0;
  if (__builtin_add_overflow(raw_, other.raw_, &raw)) RaiseOverflow();
  return FromRaw(raw);
}

Currency Currency::operator-(Currency other) const {
  int64_t raw = 0;
  if (__builtin_sub_overflow(raw_, other.raw_, &raw)) RaiseOverflow();
  return FromRaw(raw);
}

Currency Currency::operator-() const {
  if (raw_ == std::numeric_limits<int64_t>::min()) RaiseOverflow();
  return FromRaw(-raw_);
}

}  // namespace core
