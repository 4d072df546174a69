// Calendar dates with an optional time of day, counted as the host does: days
// since 30 December 1899 (the zero date), the time of day as the fraction.
// Years 100 to 9999 are valid; arithmetic that leaves them raises Overflow.
#ifndef DUNMERROW_CORE_DATE_H_
#define DUNMERROW_CORE_DATE_H_

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace core {

struct CivilTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Date {
 public:
  // The zero date, 30 December 1899 at midnight.
  constexpr Date() = default;

  // Raises Overflow for a year outside 100..9999 and Type mismatch for a
  // month, day or time that does not exist.
  static Date FromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                        int second = 0);
  static Date FromCivil(const CivilTime& t);
  // The host's serial number: whole days since the zero date; the fraction is
  // the time of day (for days before the zero date too, as the host counts).
  static Date FromSerial(double serial);

  // Parses "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS" (also with a "T"); nullopt
  // for anything else.
  static std::optional<Date> ParseIso(const std::string& text);

  double serial() const { return serial_; }
  CivilTime ToCivil() const;
  int Year() const { return ToCivil().year; }
  // Whole days since the zero date (the date part only).
  int64_t DayNumber() const;
  // Seconds since midnight.
  int SecondsOfDay() const;
  bool HasTime() const { return SecondsOfDay() != 0; }
  Date DatePart() const { return FromDays(DayNumber()); }

  // Calendar arithmetic that keeps the time of day.
  Date AddDays(int64_t days) const;
  // A 29 February that does not exist in the target year becomes the 28th.
  Date AddYears(int years) const;
  // Days from this date to `later`, date parts only (later − this).
  int64_t DaysUntil(const Date& later) const { return later.DayNumber() - DayNumber(); }

  // "YYYY-MM-DD HH:MM:SS", always 19 characters: the stored form.
  std::string ToIso() const;

  // Chronological order (date, then time), which the serial alone does not
  // give for times of day before the zero date.
  std::strong_ordering operator<=>(const Date& other) const;
  bool operator==(const Date& other) const { return (*this <=> other) == 0; }

 private:
  static Date FromDays(int64_t days, int seconds = 0);
  double serial_ = 0;
};

}  // namespace core

#endif  // DUNMERROW_CORE_DATE_H_
