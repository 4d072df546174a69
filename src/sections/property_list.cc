// The property and tenancy list of an owner statement.
#include "sections/property_list.h"

#include "core/com_error.h"
#include "core/convert.h"
#include "platform/clock.h"
#include "platform/regional.h"
#include "rent/rent_periods.h"
#include "sections/record_fields.h"

namespace sections {
namespace {

std::string TenancyLine(const General::RecordsetPtr& tenancy) {
  const core::Variant rent = FieldOf(tenancy, "current rent");
  return TextOf(tenancy, "name") + " paying " +
         (rent.IsNull() ? "" : platform::FormatCurrency(core::ToCurrency(rent))) +
         FrequencyDescription(core::ToInteger(FieldOf(tenancy, "every_amt")),
                              core::ToText(FieldOf(tenancy, "every_freq")));
}

// Balance owing and paid-to date from one schedule. A failure of the balance
// (which names the tenant) stops the run.
std::string BalanceLine(const std::string& tenant, const General::RecordsetPtr& option_set) {
  const RentPeriods::TenancySummary summary = RentPeriods::SummariseTenancy(tenant, option_set);
  if (summary.balance_failure) std::rethrow_exception(summary.balance_failure);
  return "Balance owing is " + platform::FormatCurrency(summary.balance) + ".  Paid to " +
         platform::FormatShortDate(summary.paid_to);
}

}  // namespace

void PrintOwnerPropertyList(contracts::Report& report, const std::string& owner_code,
                            const General::RecordsetPtr& option_set, bool detailed) {
  auto section = report.Sections("property");
  General::RecordsetPtr properties;
  std::string sql = "select * from property where ownercode = " + General::SQLText(owner_code) +
                    " and [sale value] = 0";
  General::DataCreateSet(properties, sql);
  while (!General::DataEOF(properties)) {
    section->Clear();
    const std::string address1 = TextOf(properties, "Address1");
    const std::string address2 = TextOf(properties, "Address2");
    if (!(address1 + address2).empty()) {
      section->Fields("Property")->SetText(address1 + "," + address2);
    }

    General::RecordsetPtr tenancies;
    std::string tenancy_sql =
        "select * from tenancy where closed_yn = false and [property code] = " +
        General::SQLText(TextOf(properties, "code"));
    General::DataCreateSet(tenancies, tenancy_sql);
    while (!General::DataEOF(tenancies)) {
      const bool has_rows = !General::DataIsEmpty(tenancies);
      if (has_rows) section->Fields("tenant")->SetText(TenancyLine(tenancies));
      report.PrintSection("property");
      if (detailed && has_rows) {
        section->Clear();
        const std::string tenant = core::ToText(FieldOf(tenancies, "reference"));
        section->Fields("tenant")->SetText(BalanceLine(tenant, option_set));
        report.PrintSection("property");
      }
      section->Fields("Property")->SetText("");
      General::DataMoveNext(tenancies);
    }
    General::DataMoveNext(properties);
  }
  section->Clear();
  report.PrintSection("property");
}

std::string FrequencyDescription(int16_t number, const std::string& every) {
  if (number == 1) return " per " + every;
  return " per " + std::to_string(number) + " " + every + "s";
}

core::Currency BalanceOwing(const std::string& tenant, const General::RecordsetPtr& option_set) {
  RentPeriods::Schedule periods;
  RentPeriods::LoadRentPeriods(tenant, periods, 0, option_set, platform::Today());
  return RentPeriods::TotalOwing(periods);
}

}  // namespace sections
