// Date arithmetic on the host's day count, through the proleptic Gregorian
// calendar.
#include "core/date.h"

#include <cmath>
#include <algorithm>
#include <cstdio>

#include "core/com_error.h"

namespace core {
namespace {

// Days since 1970-01-01 of a civil date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * static_cast<unsigned>(m > 2 ? m - 3 : m + 9) + 2) / 5 +
                       static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Every date column is read through ParseIso, and sscanf dominated that:
// the stored forms "YYYY-MM-DD" and "YYYY-MM-DD HH:MM:SS" (or with "T") with
// plain digits are read directly; anything else returns false.
bool ReadStoredForm(const std::string& text, int& y, int& mo, int& d, int& h, int& mi, int& s) {
  const size_t n = text.size();
  if (n != 10 && n != 19) return false;
  auto digits = [&text](size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
      const char c = text[i];
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    return true;
  };
  if (text[4] != '-' || text[7] != '-') return false;
  if (!digits(0, 4, y) || !digits(5, 2, mo) || !digits(8, 2, d)) return false;
  if (n == 10) return true;
  if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':') return false;
  return digits(11, 2, h) && digits(14, 2, mi) && digits(17, 2, s);
}

// The general reading of the ISO forms, which also takes what sscanf takes
// (a sign, a blank or a single digit in a two-digit place).
bool ScanIsoForm(const std::string& text, int& y, int& mo, int& d, int& h, int& mi, int& s) {
  char sep = 0;
  int consumed = 0;
  if (text.size() == 10) {
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &consumed) != 3 || consumed != 10) {
      return false;
    }
  } else if (text.size() == 19) {
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &s,
                    &consumed) != 7 ||
        consumed != 19 || (sep != ' ' && sep != 'T')) {
      return false;
    }
  } else {
    return false;
  }
  return text[4] == '-' && text[7] == '-';
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const int64_t kZeroDateEpochDays = DaysFromCivil(1899, 12, 30);
const int64_t kMinDay = DaysFromCivil(100, 1, 1) - kZeroDateEpochDays;
const int64_t kMaxDay = DaysFromCivil(9999, 12, 31) - kZeroDateEpochDays;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

Date Date::FromDays(int64_t days, int seconds) {
  if (days < kMinDay || days > kMaxDay) RaiseOverflow();
  Date d;
  const double fraction = seconds / 86400.0;
  d.serial_ = static_cast<double>(days) + (days < 0 ? -fraction : fraction);
  return d;
}

Date Date::FromCivil(int year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999) RaiseOverflow();
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    RaiseTypeMismatch("no such date");
  }
  return FromDays(DaysFromCivil(year, month, day) - kZeroDateEpochDays,
                  hour * 3600 + minute * 60 + second);
}

Date Date::FromCivil(const CivilTime& t) {
  return FromCivil(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

Date Date::FromSerial(double serial) {
  if (!std::isfinite(serial)) RaiseOverflow();
  const double whole = std::trunc(serial);
  if (whole < static_cast<double>(kMinDay) || whole > static_cast<double>(kMaxDay)) RaiseOverflow();
  auto seconds = static_cast<int>(std::llround(std::fabs(serial - whole) * 86400.0));
  auto days = static_cast<int64_t>(whole);
  if (seconds >= 86400) {  // a fraction that rounds up to the next midnight
    seconds = 0;
    days += serial < 0 ? -1 : 1;
  }
  return FromDays(days, seconds);
}

std::optional<Date> Date::ParseIso(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!ReadStoredForm(text, y, mo, d, h, mi, s) && !ScanIsoForm(text, y, mo, d, h, mi, s)) {
    return std::nullopt;
  }
  try {
    return FromCivil(y, mo, d, h, mi, s);
  } catch (const ComError&) {
    return std::nullopt;
  }
}

int64_t Date::DayNumber() const { return static_cast<int64_t>(std::trunc(serial_)); }

int Date::SecondsOfDay() const {
  const double fraction = std::fabs(serial_ - std::trunc(serial_));
  const auto seconds = static_cast<int>(std::llround(fraction * 86400.0));
  return seconds >= 86400 ? 86399 : seconds;
}

CivilTime Date::ToCivil() const {
  CivilTime t;
  CivilFromDays(DayNumber() + kZeroDateEpochDays, t.year, t.month, t.day);
  const int secs = SecondsOfDay();
  t.hour = secs / 3600;
  t.minute = secs / 60 % 60;
  t.second = secs % 60;
  return t;
}

Date Date::AddDays(int64_t days) const { return FromDays(DayNumber() + days, SecondsOfDay()); }

Date Date::AddYears(int years) const {
  CivilTime t = ToCivil();
  const int year = t.year + years;
  if (year < 100 || year > 9999) RaiseOverflow();
  t.year = year;
  t.day = std::min(t.day, DaysInMonth(t.year, t.month));
  return FromCivil(t);
}

std::string Date::ToIso() const {
  const CivilTime t = ToCivil();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

std::strong_ordering Date::operator<=>(const Date& other) const {
  if (auto c = DayNumber() <=> other.DayNumber(); c != 0) return c;
  return SecondsOfDay() <=> other.SecondsOfDay();
}

}  // namespace core
