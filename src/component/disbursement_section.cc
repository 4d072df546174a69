// The disbursement section: the owner's disbursements of the period with
// their extra fees, own fees and tax, reserve and note, then the totals.
#include "component/report_run.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "platform/regional.h"
#include "sections/memo.h"
#include "sections/record_fields.h"

namespace component {

using sections::FieldOf;
using sections::TextOf;

void ReportRun::DisbursementSection() {
  std::string sql = "select * from disbursement where owner = " + General::SQLText(owner_code_) +
                    " and date >= " + General::SQLDate(DateFrom) +
                    " and date <= " + General::SQLDate(DisburseDate) + " order by date";
  General::DataCreateSet(section_set_, sql);
  while (!General::DataEOF(section_set_)) {
    if (TotalDisbursed.IsZero()) {
      if (!bOwnerStarted) BeginOwner();
      bOwnerStarted = true;
      report_.PrintSection("DisburseHeader");
    }
    PrintDisbursement();
    General::DataMoveNext(section_set_);
    if (General::DataEOF(section_set_)) {
      auto footer = report_.Sections("DisburseFooter");
      footer->Fields("Totalfee")->SetText(Amount(TotalFees));
      footer->Fields("TotalValue")->SetText(Amount(TotalDisbursed));
      report_.PrintSection("DisburseFooter");
    }
  }
}

void ReportRun::PrintDisbursement() {
  const auto& disbursement = section_set_;
  const std::string what =
      "the disbursement " + TextOf(disbursement, "recordnumber") + " of owner " + owner_code_;
  const bool tax_disburse = sections::FlagOf(OptionSet, "TaxDisburse");

  ExtraFeesValue = 0;
  ExtraFeesTax = 0;
  std::string fee_sql = "select * from extra_fees_view where disburse_id = " +
                        core::ToText(FieldOf(disbursement, "recordnumber"));
  General::DataCreateSet(FeeSet, fee_sql);
  while (!General::DataEOF(FeeSet)) {
    auto detail = report_.Sections("DisburseDetail");
    detail->Fields("Date")->SetText(platform::FormatShortDate(core::ToDate(FieldOf(FeeSet, "date"))));
    detail->Fields("amount")->SetText("");
    detail->Fields("details")->SetText(TextOf(FeeSet, "description"));
    const std::string fee_what = "an extra fee of " + what;
    const core::Variant value = sections::RequiredValueOf(FeeSet, "value", fee_what);
    detail->Fields("fees")->SetText(Amount(value));
    const core::Variant tax = sections::RequiredValueOf(FeeSet, "tax", fee_what);
    ExtraFeesValue += core::ToDouble(value);
    ExtraFeesTax += core::ToDouble(tax);
    if (tax_disburse) detail->Fields("tax")->SetText("Includes tax of " + Amount(tax));
    report_.PrintSection(detail->Name());
    General::DataMoveNext(FeeSet);
  }

  auto detail = report_.Sections("DisburseDetail");
  const core::Variant amount = sections::RequiredValueOf(disbursement, "amount", what);
  const core::Variant fees = sections::RequiredValueOf(disbursement, "fees", what);
  detail->Fields("Date")
      ->SetText(platform::FormatShortDate(core::ToDate(FieldOf(disbursement, "date"))));
  detail->Fields("amount")->SetText(Amount(amount));
  detail->Fields("details")->SetText("Disbursement");
  detail->Fields("fees")->SetText(Amount(core::ToDouble(fees) - ExtraFeesValue));
  if (tax_disburse) {
    const core::Variant tax = sections::RequiredValueOf(disbursement, "tax", what);
    detail->Fields("tax")->SetText("Includes tax of " + Amount(core::ToDouble(tax) - ExtraFeesTax));
  }
  report_.PrintSection(detail->Name());

  // A reserve left empty is no reserve.
  const core::Variant reserve_value = FieldOf(disbursement, "reserve_taken");
  const core::Currency reserve =
      reserve_value.IsNull() ? core::Currency() : core::ToCurrency(reserve_value);
  if (!reserve.IsZero()) {
    detail->Clear();
    detail->Fields("details")
        ->SetText(reserve < core::Currency()
                      ? "Reserve amount of " + (-reserve).ToString() + " paid out"
                      : "Reserve amount of " + reserve.ToString() + " retained");
    detail->Fields("Date")->SetText("");
    detail->Fields("amount")->SetText("");
    detail->Fields("fees")->SetText("");
    report_.PrintSection(detail->Name());
  }

  sections::PrintMemoField(report_, TextOf(disbursement, "note"), "Notes", "Notes");

  TotalDisbursed += core::ToCurrency(amount);
  TotalFees += core::ToDouble(fees);
}

}  // namespace component
