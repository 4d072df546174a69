// The rent arrears engine: a tenant's rent-period schedule with the payments
// allocated to it, and the two summaries printed for each current tenancy.
#ifndef DUNMERROW_RENT_RENT_PERIODS_H_
#define DUNMERROW_RENT_RENT_PERIODS_H_

#include <exception>
#include <string>
#include <vector>

#include "core/currency.h"
#include "core/date.h"
#include "data/general.h"

struct RentPeriod {
  core::Date PeriodFrom;
  core::Date PeriodTo;
  core::Currency RentDue;
  core::Currency RentPaid;
  core::Currency ExtraCharges;
  core::Currency ExtrasPaid;
  bool NoProRata = false;
  core::Currency Owing;
};

namespace RentPeriods {

// Slot 0 is always present and holds no period; periods are slots 1..N.
using Schedule = std::vector<RentPeriod>;

// Empties `Periods` and fills it with the tenant's periods, cut at the end of
// the tenancy, with the payments up to `AsAt` (less `Deduction`) allocated
// oldest first. A failure ends the load and reaches the caller, `Periods`
// left as far as it was built.
void LoadRentPeriods(const std::string& Tenant, Schedule& Periods, double Deduction,
                     const General::RecordsetPtr& OptionSet, const core::Date& AsAt);

// The part of `Amount` that falls on the days From..End of the period
// From..To, to two places (halves away from zero). An End in year 1234 means
// "not ended" and keeps the amount whole. Raises 11 "Division by zero" when
// the period has no days.
core::Currency ProRataAmount(const core::Date& From, const core::Date& To, const core::Date& End,
                             core::Currency Amount);

// "('xydhgus','RENT',...)": the income accounts of the account cache whose
// payments also settle extra charges, as an SQL value list.
std::string ExtraChargeGroupList();

// The sum of Owing over periods 1..N (negative for a credit).
core::Currency TotalOwing(const Schedule& Periods);

// The date up to which the tenant's rent is paid, as of today. Never raises:
// a failing step is skipped and the computation goes on.
core::Date PaidToDate(const std::string& Tenant, const General::RecordsetPtr& OptionSet,
                      double Deduction);

// Both summaries of one tenancy line from a single schedule load as of today.
// `balance` and `balance_failure` are what loading and totalling would give
// (the failure, if any, is to be rethrown by the caller); `paid_to` is what
// PaidToDate would give.
struct TenancySummary {
  core::Currency balance;
  core::Date paid_to;
  std::exception_ptr balance_failure;
};
TenancySummary SummariseTenancy(const std::string& Tenant, const General::RecordsetPtr& OptionSet);

}  // namespace RentPeriods

#endif  // DUNMERROW_RENT_RENT_PERIODS_H_
