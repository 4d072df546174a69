// The cut at the end of the tenancy, the payment allocation and the balance
// of a rent schedule.
#include "rent/schedule.h"

#include <cstdint>
#include <limits>

#include "core/com_error.h"
#include "core/variant.h"
#include "platform/regional.h"

namespace RentPeriods {
namespace {


int16_t LastPeriod(const Schedule& periods) { return static_cast<int16_t>(periods.size() - 1); }

// Calendar days of From..To, both ends counted, as a 32-bit count.
int32_t InclusiveDays(const core::Date& from, const core::Date& to) {
  const int64_t days = from.DaysUntil(to) + 1;
  if (days < std::numeric_limits<int32_t>::min() || days > std::numeric_limits<int32_t>::max()) {
    core::RaiseOverflow();
  }
  return static_cast<int32_t>(days);
}

void AllocateInterleaved(Schedule& periods, core::Currency& rent_pool) {
  for (size_t i = 1; i < periods.size(); ++i) {
    RentPeriod& period = periods[i];
    if (rent_pool > period.RentDue) {
      period.RentPaid = period.RentDue;
      rent_pool -= period.RentDue;
      if (period.ExtraCharges > core::Currency()) {
        if (rent_pool > period.ExtraCharges) {
          period.ExtrasPaid = period.ExtraCharges;
          rent_pool -= period.ExtraCharges;
        } else {
          period.ExtrasPaid = rent_pool;
          rent_pool = core::Currency();
          return;
        }
      }
    } else {
      period.RentPaid = rent_pool;
      rent_pool = core::Currency();
      return;
    }
  }
}

void PayRents(Schedule& periods, core::Currency& rent_pool) {
  for (size_t i = 1; i < periods.size(); ++i) {
    RentPeriod& period = periods[i];
    if (rent_pool > period.RentDue) {
      period.RentPaid = period.RentDue;
      rent_pool -= period.RentDue;
    } else {
      period.RentPaid = rent_pool;
      rent_pool = core::Currency();
      return;
    }
  }
}

void PayExtras(Schedule& periods, core::Currency& extras_pool) {
  for (size_t i = 1; i < periods.size(); ++i) {
    RentPeriod& period = periods[i];
    if (!(period.ExtraCharges > core::Currency())) continue;
    if (extras_pool > period.ExtraCharges) {
      period.ExtrasPaid = period.ExtraCharges;
      extras_pool -= period.ExtraCharges;
    } else {
      period.ExtrasPaid = extras_pool;
      extras_pool = core::Currency();
      return;
    }
  }
}

}  // namespace

core::Currency ProRataAmount(const core::Date& From, const core::Date& To, const core::Date& End,
                             core::Currency Amount) {
  if (End.Year() == kNotEndedYear) return Amount;
  const int32_t period_days = InclusiveDays(From, To);
  const int32_t kept_days = InclusiveDays(From, End);
  // A period that ends before it begins has no days to share the amount by.
  if (period_days <= 0) {
    throw core::ComError(core::kErrDivisionByZero, "Division by zero: the rent period " + From.ToIso() +
                                                 " to " + To.ToIso() + " has no days");
  }
  const double share = Amount.ToDouble() * (static_cast<double>(kept_days) / period_days);
  return core::Currency::Parse(platform::FormatFixed(core::Variant(share), 2));
}

core::Currency TotalOwing(const Schedule& Periods) {
  core::Currency total;
  for (size_t i = 1; i < Periods.size(); ++i) total += Periods[i].Owing;
  return total;
}

void CutAtEndOfTenancy(Schedule& periods, const core::Date& end) {
  for (int16_t i = LastPeriod(periods); i >= 1; --i) {
    RentPeriod& period = periods[static_cast<size_t>(i)];
    if (period.PeriodFrom > end) {
      // Charges raised after the tenancy ended still fall due; they move to
      // the period before, and only the first period has none to take them.
      if (i > 1) periods[static_cast<size_t>(i - 1)].ExtraCharges += period.ExtraCharges;
      periods.erase(periods.begin() + i);
      continue;
    }
    if (period.PeriodTo <= end) return;
    if (!period.NoProRata) {
      period.RentDue = ProRataAmount(period.PeriodFrom, period.PeriodTo, end, period.RentDue);
    }
    period.PeriodTo = end;
  }
}

void AllocatePayments(Schedule& periods, const PaymentPools& pools) {
  core::Currency rent_pool = pools.rent;
  core::Currency extras_pool;
  if (pools.mode == AllocationMode::kInterleaved) {
    AllocateInterleaved(periods, rent_pool);
  } else {
    PayRents(periods, rent_pool);
    if (pools.rent_group_pays_extras) {
      extras_pool = rent_pool;
      rent_pool = core::Currency();
    } else {
      extras_pool = pools.other_extras;
    }
    PayExtras(periods, extras_pool);
    if (pools.rent_group_pays_extras) {
      rent_pool = extras_pool;
      extras_pool = core::Currency();
    }
  }

  // Overpayment shows as a negative Owing on the last period.
  RentPeriod& last = periods[static_cast<size_t>(LastPeriod(periods))];
  if (!extras_pool.IsZero()) last.ExtrasPaid += extras_pool;
  if (!rent_pool.IsZero()) last.RentPaid += rent_pool;

  for (size_t i = 1; i < periods.size(); ++i) {
    RentPeriod& period = periods[i];
    period.Owing = period.RentDue + period.ExtraCharges - period.RentPaid - period.ExtrasPaid;
  }
}

}  // namespace RentPeriods
