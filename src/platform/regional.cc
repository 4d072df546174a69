// Regional formats with ICU.
#include "platform/regional.h"

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <atomic>
#include <mutex>

#include "core/com_error.h"
#include "core/convert.h"

namespace platform {
namespace {

struct RegionalState {
  std::mutex mutex;
  std::string locale_name;
  std::string short_date_pattern;
  std::unique_ptr<icu::NumberFormat> currency;
  std::string months[12];
  std::atomic<bool> ready{false};
};

RegionalState& State() {
  static RegionalState state;
  return state;
}

std::string ToUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

std::string LocaleFromEnvironment() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "";
}

// "en_AU.UTF-8" -> "en_AU"; C and POSIX -> en_US.
std::string NormalizeLocale(std::string name) {
  const size_t cut = name.find_first_of(".@");
  if (cut != std::string::npos) name.resize(cut);
  if (name.empty() || name == "C" || name == "POSIX") return "en_US";
  return name;
}

std::string FourDigitYear(std::string pattern) {
  size_t y = pattern.find('y');
  if (y == std::string::npos) return pattern;
  size_t end = y;
  while (end < pattern.size() && pattern[end] == 'y') ++end;
  pattern.replace(y, end - y, "yyyy");
  return pattern;
}

void Initialize(RegionalState& s, const std::string& requested) {
  s.locale_name = NormalizeLocale(requested.empty() ? LocaleFromEnvironment() : requested);
  const icu::Locale locale(s.locale_name.c_str());
  UErrorCode status = U_ZERO_ERROR;

  if (s.locale_name == "en_AU" || s.locale_name == "en_GB" || s.locale_name == "en_NZ") {
    s.short_date_pattern = "dd/MM/yyyy";
  } else if (s.locale_name == "en_US") {
    s.short_date_pattern = "M/d/yyyy";
  } else {
    std::unique_ptr<icu::DateFormat> df(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
    icu::UnicodeString pattern;
    if (auto* sdf = dynamic_cast<icu::SimpleDateFormat*>(df.get())) sdf->toPattern(pattern);
    s.short_date_pattern = pattern.isEmpty() ? "M/d/yyyy" : FourDigitYear(ToUtf8(pattern));
  }

  status = U_ZERO_ERROR;
  s.currency.reset(icu::NumberFormat::createCurrencyInstance(locale, status));
  if (U_FAILURE(status)) s.currency.reset();

  status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(locale, status);
  int32_t count = 0;
  const icu::UnicodeString* shorts =
      U_SUCCESS(status) ? symbols.getShortMonths(count) : nullptr;
  static const char* kEnglish[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int m = 0; m < 12; ++m) {
    s.months[m] = shorts && count >= 12 ? ToUtf8(shorts[m]) : kEnglish[m];
  }
  s.ready.store(true, std::memory_order_release);
}

// The state, set up from the environment on first use. Once ready it is only
// read (the locale is chosen before a run), so readers need no lock.
RegionalState& Ready() {
  RegionalState& s = State();
  if (s.ready.load(std::memory_order_acquire)) return s;
  std::lock_guard lock(s.mutex);
  if (!s.ready) Initialize(s, "");
  return s;
}

void InstallHooks() {
  core::SetDateTextHooks({[](const core::Date& d) { return FormatDateTime(d); },
                          [](const std::string& t) { return ParseDateTime(t); }});
}

// Rounds a decimal digit string "ddd.ddd" half away from zero to `places`.
std::string RoundDecimalText(bool negative, std::string int_part, std::string frac_part, int places) {
  frac_part.resize(static_cast<size_t>(std::max<int>(places + 1, static_cast<int>(frac_part.size()))), '0');
  const bool round_up = frac_part[static_cast<size_t>(places)] >= '5';
  std::string digits = int_part + frac_part.substr(0, static_cast<size_t>(places));
  if (round_up) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
      if (digits[static_cast<size_t>(i)] == '9') {
        digits[static_cast<size_t>(i)] = '0';
      } else {
        ++digits[static_cast<size_t>(i)];
        break;
      }
    }
    if (i < 0) digits.insert(digits.begin(), '1');
  }
  const size_t int_len = digits.size() - static_cast<size_t>(places);
  const size_t first_digit = std::min(digits.find_first_not_of('0'), int_len);
  std::string out = first_digit < int_len ? digits.substr(first_digit, int_len - first_digit)
                                          : std::string(1, '0');
  if (places > 0) {
    out += '.';
    out.append(digits, int_len, std::string::npos);
  }
  const bool all_zero = out.find_first_not_of("0.") == std::string::npos;
  if (negative && !all_zero) out.insert(out.begin(), '-');
  return out;
}

}  // namespace

void SetLocale(const std::string& name) {
  RegionalState& s = State();
  {
    std::lock_guard lock(s.mutex);
    Initialize(s, name);
  }
  InstallHooks();
}

std::string LocaleName() { return Ready().locale_name; }

std::string ShortDatePattern() { return Ready().short_date_pattern; }

std::string FormatShortDate(const core::Date& d) {
  const std::string& pattern = Ready().short_date_pattern;
  const core::CivilTime t = d.ToCivil();
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    char buf[16];
    if (c == 'd' || c == 'M') {
      const int value = c == 'd' ? t.day : t.month;
      std::snprintf(buf, sizeof buf, run >= 2 ? "%02d" : "%d", value);
      out += buf;
    } else if (c == 'y') {
      std::snprintf(buf, sizeof buf, "%04d", t.year);
      out += buf;
    } else {
      out.append(run, c);
    }
    i += run;
  }
  return out;
}

std::string FormatDateTime(const core::Date& d) {
  std::string out = FormatShortDate(d);
  if (d.HasTime()) {
    const core::CivilTime t = d.ToCivil();
    char buf[16];
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t.hour, t.minute, t.second);
    out += buf;
  }
  return out;
}

std::optional<core::Date> ParseDateTime(const std::string& text) {
  // The order of day, month and year follows the short date pattern; any
  // non-digit separates the numbers.
  std::string order;
  for (char c : ShortDatePattern()) {
    if ((c == 'd' || c == 'M' || c == 'y') && order.find(c) == std::string::npos) order += c;
  }
  if (order.size() != 3) order = "Mdy";
  int numbers[6] = {0, 0, 0, 0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (i < text.size() && count < 7) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    long value = 0;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      value = value * 10 + (text[i++] - '0');
      if (++digits > 4) return std::nullopt;
    }
    if (count == 6) return std::nullopt;
    numbers[count++] = static_cast<int>(value);
  }
  if (count != 3 && count != 5 && count != 6) return std::nullopt;
  // Separators must be plain: digits, '/', '-', '.', ' ' and ':' only.
  for (char c : text) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '/' || c == '-' || c == '.' ||
          c == ' ' || c == ':')) {
      return std::nullopt;
    }
  }
  int day = 0, month = 0, year = 0;
  for (size_t k = 0; k < 3; ++k) {
    if (order[k] == 'd') day = numbers[k];
    if (order[k] == 'M') month = numbers[k];
    if (order[k] == 'y') year = numbers[k];
  }
  try {
    return core::Date::FromCivil(year, month, day, numbers[3], numbers[4], numbers[5]);
  } catch (const core::ComError&) {
    return std::nullopt;
  }
}

std::string FormatCurrency(core::Currency amount) {
  RegionalState& s = Ready();
  std::lock_guard lock(s.mutex);
  if (!s.currency) return std::string(1, '$').append(FormatFixed(amount, 2));
  icu::UnicodeString out;
  UErrorCode status = U_ZERO_ERROR;
  // The decimal text keeps every digit of the amount; ICU rounds it to the
  // currency's places.
  icu::Formattable number(amount.ToString().c_str(), status);
  if (U_FAILURE(status)) number = icu::Formattable(amount.ToDouble());
  s.currency->format(number, out, status);
  return ToUtf8(out);
}

std::string MonthAbbreviation(int month) {
  if (month < 1 || month > 12) throw core::ComError(core::kErrSubscript, "Month out of range");
  return Ready().months[month - 1];
}

std::string FormatFixed(const core::Variant& value, int places) {
  if (value.type() == core::VarType::kCurrency) {
    const std::string plain = value.AsCurrency().Abs().ToString();
    const size_t dot = plain.find('.');
    return RoundDecimalText(value.AsCurrency().raw() < 0, plain.substr(0, dot),
                            dot == std::string::npos ? "" : plain.substr(dot + 1), places);
  }
  const double d = core::ToDouble(value);
  if (!std::isfinite(d)) core::RaiseOverflow();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", 14, std::fabs(d));  // 15 significant digits
  // Expand the scientific form into plain digits.
  std::string s = buf;
  const size_t e = s.find('e');
  const int exponent = std::atoi(s.c_str() + e + 1);
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  std::string int_part, frac_part;
  if (exponent >= 0) {
    if (static_cast<size_t>(exponent) + 1 >= digits.size()) {
      int_part = digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
    } else {
      int_part = digits.substr(0, static_cast<size_t>(exponent) + 1);
      frac_part = digits.substr(static_cast<size_t>(exponent) + 1);
    }
  } else {
    int_part = "0";
    frac_part = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  return RoundDecimalText(d < 0, int_part, frac_part, places);
}

std::string Format(const core::Variant& value, const std::string& format) {
  if (format == "currency" || format == "Currency") return FormatCurrency(core::ToCurrency(value));
  if (format == "short date" || format == "Short Date") return FormatShortDate(core::ToDate(value));
  const size_t dot = format.find('.');
  const int places = dot == std::string::npos ? 0 : static_cast<int>(format.size() - dot - 1);
  return FormatFixed(value, places);
}

std::optional<size_t> FirstInvalidUtf8(const std::string& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return static_cast<size_t>(start);
  }
  return std::nullopt;
}

}  // namespace platform
