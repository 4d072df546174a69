// One report run: the disbursements of the report date, one owner statement
// each, through the run's report engine object. A failure stops the run with
// "Error printing report - " and its description; the report is then not
// ended.
#ifndef DUNMERROW_COMPONENT_REPORT_RUN_H_
#define DUNMERROW_COMPONENT_REPORT_RUN_H_

#include <optional>
#include <string>

#include "component/cls_report.h"
#include "core/currency.h"
#include "core/date.h"
#include "data/general.h"

namespace component {

class ReportRun {
 public:
  explicit ReportRun(clsReport& owner);
  void Produce(const std::string& ReportFilename);

 private:
  void Steps(const std::string& ReportFilename);
  void OwnerSteps();
  void FillHeader();
  void BeginOwner();
  void TransactionsSection();
  void PrintJournalLine();
  void PrintTransFooter(const std::string& total_text, core::Currency income,
                        core::Currency expense, core::Currency tax);
  void DisbursementSection();
  void PrintDisbursement();
  bool AnyTaxOption();
  std::string Amount(const core::Variant& value);

  clsReport& cls_;
  contracts::Report& report_;

  General::RecordsetPtr OptionSet;
  General::RecordsetPtr OwnerSet;
  // The journal, and after it the disbursements: one recordset variable, so
  // a disbursement query that cannot be opened finds the journal at its end.
  General::RecordsetPtr section_set_;
  General::RecordsetPtr FeeSet;
  int owners_total_ = 0;
  int owners_done_ = 0;
  // Parameters never change during a run: read once.
  bool notes_ = false;
  // The journal line's section and fields, looked up at the first line.
  struct JournalFields {
    std::shared_ptr<contracts::ReportSection> section;
    std::shared_ptr<contracts::ReportField> date, property, details, expense, income;
  };
  std::optional<JournalFields> journal_fields_;
  JournalFields& JournalLineFields();

  // The current owner.
  std::string owner_code_;
  core::Date DisburseDate;
  core::Date DateFrom;
  bool bOwnerStarted = false;
  core::Currency OwnerIncome, OwnerExpense, OwnerTax;
  core::Currency PropertyIncome, PropertyExpense, PropertyTax;
  std::string LastProperty;
  core::Currency TotalDisbursed;
  double TotalFees = 0;
  double ExtraFeesValue = 0;
  double ExtraFeesTax = 0;
};

// The owner's journal of the period: expenses and revenues of the owner's
// properties, by property then date. Absent when the query cannot be opened
// (the failure has been reported).
General::RecordsetPtr GetJournals(const std::string& OwnerCode, const core::Date& DateFrom,
                                  const core::Date& DateTo);

}  // namespace component

#endif  // DUNMERROW_COMPONENT_REPORT_RUN_H_
