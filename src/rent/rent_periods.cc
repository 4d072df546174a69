// Loading a tenant's rent schedule from the host's database, and the balance
// and paid-to summaries built on it.
#include "rent/rent_periods.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>

#include "core/com_error.h"
#include "core/convert.h"
#include "core/variant.h"
#include "platform/clock.h"
#include "rent/schedule.h"
#include "accounts/account_cache.h"

namespace RentPeriods {
namespace {


// Rethrows the failure in flight with `context` before its description, so
// that the message the user sees says which tenant and which value failed.
[[noreturn]] void RethrowWithContext(const std::string& context) {
  try {
    throw;
  } catch (const core::ComError& e) {
    throw core::ComError(e.number(), context + ": " + e.description(), e.source());
  }
}

// The current row's `column` through `convert`; a failure names the column.
template <typename Convert>
auto ConvertColumn(const General::RecordsetPtr& rs, const std::string& column, Convert convert) {
  try {
    return convert(rs->Field(column));
  } catch (...) {
    RethrowWithContext("column " + column);
  }
}

template <typename Convert>
auto ReadOption(const General::RecordsetPtr& option_set, const std::string& name, Convert convert) {
  if (!option_set) {
    throw core::ComError(core::kErrObjectNotSet, "no options row to read the option " + name + " from");
  }
  return ConvertColumn(option_set, name, convert);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The periods in order of their first day, slots 1..N.
void ReadPeriods(const std::string& tenant, Schedule& periods) {
  General::RecordsetPtr rs;
  std::string sql = "select * from rent_periods where tenant_code = " + General::SQLText(tenant) +
                    " order by period_from";
  General::DataCreateSet(rs, sql);
  while (!General::DataEOF(rs)) {
    if (periods.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
      throw core::ComError(core::kErrOverflow, "Overflow: more than 32767 rent periods");
    }
    RentPeriod& period = periods.emplace_back();
    period.PeriodFrom = ConvertColumn(rs, "period_from", core::ToDate);
    period.PeriodTo = ConvertColumn(rs, "period_to", core::ToDate);
    const core::Currency rent_due = ConvertColumn(rs, "rent_due", core::ToCurrency);
    // A negative rent is the stored marker of a rent never cut in proportion.
    period.NoProRata = rent_due < core::Currency();
    period.RentDue = rent_due.Abs();
    period.ExtraCharges = ConvertColumn(rs, "extra_charges", core::ToCurrency);
    General::DataMoveNext(rs);
  }
  General::DataClose(rs);
}

// The end of the tenancy; not ended, or no tenancy row, gives today
// plus ten years. The default travels through the lookup as ISO text, which
// reads back as the same date whatever the regional settings.
core::Date EndOfTenancy(const std::string& tenant) {
  const core::Date ten_years_on = platform::Today().AddYears(10);
  const std::string text =
      General::LookupValue("[when ended]", "tenancy",
                           " where reference = " + General::SQLText(tenant), ten_years_on.ToIso());
  core::Date end;
  try {
    end = core::ToDate(core::Variant(text));
  } catch (...) {
    RethrowWithContext("the end of the tenancy");
  }
  return end.Year() == kNotEndedYear ? ten_years_on : end;
}

// The sum of a payments query's column "paid"; nullopt when it yields no row
// (or could not be opened).
std::optional<core::Currency> SumPayments(std::string sql) {
  General::RecordsetPtr rs;
  General::DataCreateSet(rs, sql);
  std::optional<core::Currency> paid;
  if (!General::DataEOF(rs)) {
    paid = ConvertColumn(rs, "paid", [](const core::Variant& v) {
      return core::ToCurrency(General::IfNull(v, core::Variant(int16_t{0})));
    });
  }
  General::DataClose(rs);
  return paid;
}

// Whether a revenue group appears in the list of groups that settle extra
// charges, letters compared without regard to case.
bool PaysExtraCharges(const std::string& group) {
  return Lower(ExtraChargeGroupList()).find(Lower(General::SQLText(group))) != std::string::npos;
}

void LoadSchedule(const std::string& tenant, Schedule& periods, double deduction,
                  const General::RecordsetPtr& option_set, const core::Date& as_at) {
  periods.assign(1, RentPeriod{});
  ReadPeriods(tenant, periods);
  CutAtEndOfTenancy(periods, EndOfTenancy(tenant));

  // Without a rent group no payment could count as rent, and every balance
  // would silently show the full rent owing: a missing group is a failure.
  const std::string rent_group = ReadOption(option_set, "Rent_Group", core::ToText);
  const std::string tenant_and_date = " and tenant_code = " + General::SQLText(tenant) +
                                      " and [date] <= " + General::SQLDate(as_at);
  PaymentPools pools;
  if (auto paid =
          SumPayments("select sum(amount)+0 as paid from revenues where [revenue group] = " +
                      General::SQLText(rent_group) + tenant_and_date)) {
    pools.rent = *paid - core::Currency::FromDouble(deduction);
  }
  pools.rent_group_pays_extras = PaysExtraCharges(rent_group);
  const bool interleave = ReadOption(option_set, "WhatPaysFirst", [](const core::Variant& v) {
    return !v.IsNull() && core::ToDouble(v) == 1;
  });
  pools.mode = interleave && pools.rent_group_pays_extras ? AllocationMode::kInterleaved
                                                          : AllocationMode::kRentFirst;
  if (pools.mode == AllocationMode::kRentFirst && !pools.rent_group_pays_extras) {
    pools.other_extras =
        SumPayments("select sum(amount)+0 as paid from revenues where [revenue group] in " +
                    ExtraChargeGroupList() + "  and [revenue group]  <> " +
                    General::SQLText(rent_group) + tenant_and_date)
            .value_or(core::Currency());
  }
  AllocatePayments(periods, pools);
}

}  // namespace

void LoadRentPeriods(const std::string& Tenant, Schedule& Periods, double Deduction,
                     const General::RecordsetPtr& OptionSet, const core::Date& AsAt) {
  try {
    LoadSchedule(Tenant, Periods, Deduction, OptionSet, AsAt);
  } catch (...) {
    RethrowWithContext("Rent periods of tenant " + General::SQLText(Tenant));
  }
}

std::string ExtraChargeGroupList() {
  std::string list = "'xydhgus'";
  const std::vector<GLAccount>& accounts = AccountCache::Accounts();
  for (size_t i = 1; i < accounts.size(); ++i) {
    const GLAccount& account = accounts[i];
    if (account.AccountType == AccountCache::kIncomeAccount && account.PayExtraCharges) {
      list += "," + General::SQLText(account.Code);
    }
  }
  return "(" + list + ")";
}

core::Date PaidToDate(const std::string& Tenant, const General::RecordsetPtr& OptionSet,
                      double Deduction) {
  const core::Date today = platform::Today();
  Schedule periods(1);
  // A failed load leaves the schedule as far as it was built; the date is
  // still measured on it.
  try {
    LoadRentPeriods(Tenant, periods, Deduction, OptionSet, today);
  } catch (const core::ComError&) {
  }
  return PaidToDateOfSchedule(periods, today);
}

TenancySummary SummariseTenancy(const std::string& Tenant, const General::RecordsetPtr& OptionSet) {
  TenancySummary summary;
  const core::Date today = platform::Today();
  Schedule periods(1);
  try {
    LoadRentPeriods(Tenant, periods, 0, OptionSet, today);
    summary.balance = TotalOwing(periods);
  } catch (const core::ComError&) {
    summary.balance_failure = std::current_exception();
  }
  summary.paid_to = PaidToDateOfSchedule(periods, today);
  return summary;
}

}  // namespace RentPeriods
