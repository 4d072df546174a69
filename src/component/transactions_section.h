// The transactions section: the owner's journal of the period by property,
// with property subtotals, the owner total and the tax they include.
#ifndef DUNMERROW_COMPONENT_TRANSACTIONS_SECTION_H_
#define DUNMERROW_COMPONENT_TRANSACTIONS_SECTION_H_

#include <memory>
#include <optional>
#include <string>

#include "component/owner_statement.h"
#include "core/currency.h"
#include "core/date.h"
#include "data/general.h"

namespace component {

// The owner's journal of the period: expenses and revenues of the owner's
// properties, by property then date, both ends of the period included.
// Absent when the query cannot be opened (the failure has been reported).
General::RecordsetPtr GetJournals(const std::string& OwnerCode, const core::Date& DateFrom,
                                  const core::Date& DateTo);

class TransactionsSection {
 public:
  explicit TransactionsSection(const RunContext& run) : run_(run) {}

  // Prints the owner's journal lines that are not excluded, each property's
  // subtotal and the owner's total; begins the owner at its first printed
  // line and leaves the journal's totals in `owner`. Returns the journal
  // recordset, at its end: the disbursement section opens its own query into
  // the same variable. Failures reach the caller.
  General::RecordsetPtr Print(OwnerStatement& owner);

 private:
  // The running totals of one property, zero again after its subtotal.
  struct PropertyTotals {
    core::Currency income, expense, tax;
  };
  void PrintLine(OwnerStatement& owner, const General::RecordsetPtr& journal,
                 PropertyTotals& property);
  void PrintFooter(const std::string& total_text, core::Currency income, core::Currency expense,
                   core::Currency tax);
  bool AnyTaxOption() const;

  const RunContext& run_;
  // The journal line's section and fields, looked up at the first line of
  // the run and kept for every later one.
  struct LineFields {
    std::shared_ptr<contracts::ReportSection> section;
    std::shared_ptr<contracts::ReportField> date, property, details, expense, income;
  };
  std::optional<LineFields> line_fields_;
  LineFields& Fields();
};

}  // namespace component

#endif  // DUNMERROW_COMPONENT_TRANSACTIONS_SECTION_H_
