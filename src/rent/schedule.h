// The arithmetic of a loaded rent schedule, free of the database: the cut at
// the end of the tenancy, the allocation of payments oldest period first, and
// the paid-to date.
#ifndef DUNMERROW_RENT_SCHEDULE_H_
#define DUNMERROW_RENT_SCHEDULE_H_

#include "core/currency.h"
#include "core/date.h"
#include "rent/rent_periods.h"

namespace RentPeriods {

// A [when ended] in this year marks a tenancy that has not ended.
inline constexpr int kNotEndedYear = 1234;

enum class AllocationMode {
  // Each period's rent, then its extra charges, from the rent group's pool.
  kInterleaved,
  // All rents first, then all extra charges.
  kRentFirst,
};

struct PaymentPools {
  // The rent group's payments, less the deduction.
  core::Currency rent;
  // Payments of the other extra-charge groups; used only in rent-first mode
  // when the rent group does not settle extra charges itself.
  core::Currency other_extras;
  bool rent_group_pays_extras = false;
  AllocationMode mode = AllocationMode::kRentFirst;
};

// Cuts the schedule at `end`, walking down from the last period: periods that
// begin after `end` are removed (their extra charges move to the period
// before), a period that straddles `end` is shortened to it with its rent cut
// in proportion unless NoProRata; the walk stops at the first period that
// ends on or before `end`.
void CutAtEndOfTenancy(Schedule& periods, const core::Date& end);

// Allocates the pools to periods 1..N (RentPaid, ExtrasPaid), books what is
// left on period N (slot 0 for an empty schedule) and sets every Owing.
// The comparisons with the pools are strict: a pool equal to a charge pays it
// and ends the pass.
void AllocatePayments(Schedule& periods, const PaymentPools& pools);

// The paid-to date of a loaded schedule; `today` answers for a period whose
// rent is 0. Never raises: a failing step is skipped, a failing test lets the
// steps it guards run. An empty schedule gives the zero date.
core::Date PaidToDateOfSchedule(const Schedule& periods, const core::Date& today);

}  // namespace RentPeriods

#endif  // DUNMERROW_RENT_SCHEDULE_H_
