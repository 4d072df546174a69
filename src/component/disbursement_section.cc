// The disbursement section: the owner's disbursements of the period with
// their extra fees, own fees and tax, reserve and note, then the totals.
#include "component/disbursement_section.h"

#include "core/com_error.h"
#include "core/convert.h"
#include "platform/regional.h"
#include "sections/memo.h"
#include "sections/record_fields.h"

namespace component {

using sections::FieldOf;
using sections::TextOf;

void DisbursementSection::Print(OwnerStatement& owner, General::RecordsetPtr recordset) {
  std::string sql = "select * from disbursement where owner = " + General::SQLText(owner.code) +
                    " and date >= " + General::SQLDate(owner.date_from) +
                    " and date <= " + General::SQLDate(owner.disburse_date) + " order by date";
  General::DataCreateSet(recordset, sql);
  while (!General::DataEOF(recordset)) {
    // The heading repeats before every disbursement for as long as the
    // amounts printed so far add up to zero.
    if (owner.total_disbursed.IsZero()) {
      if (!owner.started) BeginOwner(run_, owner);
      run_.report.PrintSection("DisburseHeader");
    }
    PrintDisbursement(owner, recordset);
    General::DataMoveNext(recordset);
    if (General::DataEOF(recordset)) {
      auto footer = run_.report.Sections("DisburseFooter");
      footer->Fields("Totalfee")->SetText(FormatAmount(owner.total_fees));
      footer->Fields("TotalValue")->SetText(FormatAmount(owner.total_disbursed));
      run_.report.PrintSection("DisburseFooter");
    }
  }
}

void DisbursementSection::PrintDisbursement(OwnerStatement& owner,
                                            const General::RecordsetPtr& disbursement) {
  const std::string what =
      "the disbursement " + TextOf(disbursement, "recordnumber") + " of owner " + owner.code;
  const bool tax_disburse = sections::FlagOf(run_.option_set, "TaxDisburse");

  double extra_fees_value = 0;
  double extra_fees_tax = 0;
  std::string fee_sql = "select * from extra_fees_view where disburse_id = " +
                        core::ToText(FieldOf(disbursement, "recordnumber"));
  General::DataCreateSet(fee_set_, fee_sql);
  while (!General::DataEOF(fee_set_)) {
    auto detail = run_.report.Sections("DisburseDetail");
    PrintedLine line;
    line.kind = PrintedLine::Kind::kDisbursement;
    line.date = core::ToDate(FieldOf(fee_set_, "date"));
    line.details = TextOf(fee_set_, "description");
    detail->Fields("Date")->SetText(platform::FormatShortDate(line.date));
    detail->Fields("amount")->SetText("");
    detail->Fields("details")->SetText(line.details);
    const std::string fee_what = "an extra fee of " + what;
    const core::Variant value = sections::RequiredValueOf(fee_set_, "value", fee_what);
    line.fees = FormatAmount(value);
    detail->Fields("fees")->SetText(line.fees);
    const core::Variant tax = sections::RequiredValueOf(fee_set_, "tax", fee_what);
    extra_fees_value += core::ToDouble(value);
    extra_fees_tax += core::ToDouble(tax);
    if (tax_disburse) {
      line.tax = FormatAmount(tax);
      detail->Fields("tax")->SetText("Includes tax of " + line.tax);
    }
    run_.report.PrintSection(detail->Name());
    if (run_.keep_lines) owner.lines.push_back(std::move(line));
    General::DataMoveNext(fee_set_);
  }

  auto detail = run_.report.Sections("DisburseDetail");
  const core::Variant amount = sections::RequiredValueOf(disbursement, "amount", what);
  const core::Variant fees = sections::RequiredValueOf(disbursement, "fees", what);
  PrintedLine line;
    line.kind = PrintedLine::Kind::kDisbursement;
  line.date = core::ToDate(FieldOf(disbursement, "date"));
  line.details = "Disbursement";
  line.amount = FormatAmount(amount);
  line.fees = FormatAmount(core::ToDouble(fees) - extra_fees_value);
  detail->Fields("Date")->SetText(platform::FormatShortDate(line.date));
  detail->Fields("amount")->SetText(line.amount);
  detail->Fields("details")->SetText(line.details);
  detail->Fields("fees")->SetText(line.fees);
  if (tax_disburse) {
    const core::Variant tax = sections::RequiredValueOf(disbursement, "tax", what);
    line.tax = FormatAmount(core::ToDouble(tax) - extra_fees_tax);
    detail->Fields("tax")->SetText("Includes tax of " + line.tax);
  }
  run_.report.PrintSection(detail->Name());
  if (run_.keep_lines) owner.lines.push_back(std::move(line));

  // A reserve left empty is no reserve.
  const core::Variant reserve_value = FieldOf(disbursement, "reserve_taken");
  const core::Currency reserve =
      reserve_value.IsNull() ? core::Currency() : core::ToCurrency(reserve_value);
  if (!reserve.IsZero()) {
    detail->Clear();
    PrintedLine reserve_line;
    reserve_line.kind = PrintedLine::Kind::kDisbursement;
    reserve_line.details = reserve < core::Currency()
                               ? "Reserve amount of " + (-reserve).ToString() + " paid out"
                               : "Reserve amount of " + reserve.ToString() + " retained";
    detail->Fields("details")->SetText(reserve_line.details);
    detail->Fields("Date")->SetText("");
    detail->Fields("amount")->SetText("");
    detail->Fields("fees")->SetText("");
    run_.report.PrintSection(detail->Name());
    if (run_.keep_lines) owner.lines.push_back(std::move(reserve_line));
  }

  sections::PrintMemoField(run_.report, TextOf(disbursement, "note"), "Notes", "Notes");

  owner.total_disbursed = AddToTotal(owner.total_disbursed, core::ToCurrency(amount),
                                     "the amount disbursed to owner " + owner.code +
                                         " (table disbursement) at " + what);
  owner.total_fees += core::ToDouble(fees);
}

}  // namespace component
