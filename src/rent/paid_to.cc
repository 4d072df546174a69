// The paid-to date of a schedule: the first period not fully paid, or the
// last period, turned into the day up to which its rent is paid.
//
// The computation never fails as a whole. Each step below runs on its own: a
// step that fails is skipped and the next one runs with every value as it
// stood, and a test that fails lets the steps it guards run. Day counts are
// 16-bit, so a count beyond that range is such a failing step.
#include <cstdint>
#include <limits>

#include "core/com_error.h"
#include "core/convert.h"
#include "rent/schedule.h"

namespace RentPeriods {
namespace {


// Runs one step; a failure skips it.
template <typename Step>
void RunStep(Step&& step) {
  try {
    step();
  } catch (const core::ComError&) {
  }
}

// Evaluates one test; a failure counts as passed, so the guarded steps run.
template <typename Test>
bool RunTest(Test&& test) {
  try {
    return test();
  } catch (const core::ComError&) {
    return true;
  }
}

int16_t ToDayCount(int64_t days) {
  if (days < std::numeric_limits<int16_t>::min() || days > std::numeric_limits<int16_t>::max()) {
    core::RaiseOverflow();
  }
  return static_cast<int16_t>(days);
}

double Divide(double dividend, double divisor) {
  if (divisor == 0) throw core::ComError(core::kErrDivisionByZero, "Division by zero");
  return dividend / divisor;
}

// The values the paid-to computation builds for the period it acts on.
struct PaidDays {
  int16_t period_days = 0;
  double unpaid = 0;
  int16_t paid_days = 0;
};

// Period days, unpaid and paid days (period days less the unpaid share of
// them, rounded half to even) of a period whose rent is not 0.
PaidDays MeasurePaidDays(const RentPeriod& period) {
  PaidDays d;
  RunStep([&] { d.period_days = ToDayCount(period.PeriodFrom.DaysUntil(period.PeriodTo) + 1); });
  RunStep([&] { d.unpaid = (period.RentDue - period.RentPaid).ToDouble(); });
  RunStep([&] {
    d.paid_days = core::RoundToInteger(d.period_days -
                                       Divide(d.unpaid, period.RentDue.ToDouble()) * d.period_days);
  });
  return d;
}

// The period is not fully paid.
core::Date PartlyPaid(const RentPeriod& period, const core::Date& today, core::Date result) {
  if (period.RentDue.IsZero()) return today;
  PaidDays d = MeasurePaidDays(period);
  // A day whose rent is only partly covered does not count as paid.
  const bool short_of_last_day = RunTest([&] {
    return (period.RentDue - period.RentPaid).ToDouble() <
           Divide(period.RentDue.ToDouble(), d.period_days) * d.paid_days;
  });
  if (short_of_last_day) RunStep([&] { d.paid_days = ToDayCount(int64_t{d.paid_days} - 1); });
  RunStep([&] { result = period.PeriodFrom.AddDays(d.paid_days); });
  return result;
}

// The last period, paid in full or more.
core::Date LastFullyPaid(const RentPeriod& period, const core::Date& today, core::Date result) {
  if (period.RentPaid == period.RentDue) return period.PeriodTo;
  if (period.RentDue.IsZero()) return today;
  const PaidDays d = MeasurePaidDays(period);
  RunStep([&] { result = period.PeriodFrom.AddDays(d.paid_days); });
  return result;
}

}  // namespace

core::Date PaidToDateOfSchedule(const Schedule& periods, const core::Date& today) {
  const core::Date zero_date;
  const size_t last = periods.size() - 1;
  for (size_t i = 1; i <= last; ++i) {
    const RentPeriod& period = periods[i];
    if (period.RentPaid < period.RentDue) return PartlyPaid(period, today, zero_date);
    if (i == last) return LastFullyPaid(period, today, zero_date);
  }
  return zero_date;
}

}  // namespace RentPeriods
