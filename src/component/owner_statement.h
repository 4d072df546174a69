// What the sections of a run share: the run's fixed context, the statement
// of the current owner, and the owner's opening block.
#ifndef DUNMERROW_COMPONENT_OWNER_STATEMENT_H_
#define DUNMERROW_COMPONENT_OWNER_STATEMENT_H_

#include <string>
#include <vector>

#include "component/run_outcome.h"
#include "contracts/report.h"
#include "core/currency.h"
#include "core/date.h"
#include "core/variant.h"
#include "data/general.h"

namespace component {

// Fixed for the run: set up before the first owner, never changed after.
struct RunContext {
  contracts::Report& report;
  // The engine's statement accounting; null for an engine without it.
  contracts::StatementDocuments* documents = nullptr;
  // "select * from options", opened once and never moved off its first row.
  General::RecordsetPtr option_set;
  bool notes = false;     // "bNotes": descriptions under the journal lines
  bool detailed = false;  // "bDetailed": balance lines in the property list
  bool keep_lines = false;  // the sections record their lines in the owner
};

// Reset for each owner: a new one is made for every owner row.
struct OwnerStatement {
  // From the owner row.
  std::string code;
  std::string name;
  core::Date disburse_date;  // the row's "date": the period's last day
  core::Date date_from;      // the period's first day
  // The opening block (BeginOwner) has been printed, starting on this page.
  bool started = false;
  int32_t first_page = 0;
  // The journal's totals (OwnerIncome, OwnerExpense, OwnerTax).
  core::Currency income;
  core::Currency expense;
  core::Currency tax;
  // The disbursement section's totals (TotalDisbursed, TotalFees).
  core::Currency total_disbursed;
  double total_fees = 0;
  // The lines printed, when the run keeps them.
  std::vector<PrintedLine> lines;
};

// `total` + `amount`; an overflow names what was being added up, for whom and
// where: "Overflow: the income of owner ANDERS0010 (table Revenues) passes
// the largest amount at the line of 31/01/2026".
core::Currency AddToTotal(core::Currency total, core::Currency amount, const std::string& what);

// The owner's opening block, once per statement, before its first line: a
// new page unless the page is still empty, the "Header", the property list
// and the owner notes. Marks `owner` started.
void BeginOwner(const RunContext& run, OwnerStatement& owner);

// `value` in the amounts' format, "0.00".
std::string FormatAmount(const core::Variant& value);

}  // namespace component

#endif  // DUNMERROW_COMPONENT_OWNER_STATEMENT_H_
