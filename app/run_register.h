// The run register: every statement of a run accounted for in
// OUT/register-DATE.csv, and the run's totals reconciled with the
// database's own figures for the date in OUT/register-DATE.json; and the
// accountants' export of every printed line, OUT/journal-DATE.csv.
#ifndef DUNMERROW_APP_RUN_REGISTER_H_
#define DUNMERROW_APP_RUN_REGISTER_H_

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "component/run_outcome.h"
#include "core/currency.h"

namespace app {

// What the database says of the report date, read with read-only queries.
struct Reconciliation {
  bool read = false;  // false: no database was open, or a query failed
  int disbursements = 0;
  core::Currency disbursed;  // the sum of their amounts
  struct Orphan {
    std::string owner_code;
    core::Currency amount;
  };
  std::vector<Orphan> orphans;  // disbursements whose owner code has no owner row
  // Owners with a disbursement on the date (and an owner row) but no
  // statement in the run: those after the owner a run stopped in.
  std::vector<std::string> without_statement;
  core::Currency statements_disbursed;  // the sum of the statements' "disbursed"

  // True when every disbursement has its statement and the sums agree.
  bool Agrees() const;
  // The one warning to show when it does not agree; "" when it does.
  std::string Warning() const;
};

// Reads the database's figures for `outcome`'s report date from the open
// database (General::DataDb), and compares them with the outcome.
Reconciliation Reconcile(const component::RunOutcome& outcome);

// The state's name in the register: previewed, printed, written, sent,
// waiting or failed (a statement the run never delivered counts as failed).
std::string StateName(contracts::DeliveryState state);

// One CSV cell (RFC 4180): quoted when it holds a comma, a quote or a line
// break. A text cell that a spreadsheet would take for a formula (it starts
// with =, +, -, @, a tab or a CR) gets an apostrophe in front.
std::string CsvCell(const std::string& text, bool is_text = true);

// Writes OUT/register-DATE.csv (one row per statement, in run order) and
// OUT/register-DATE.json (the totals and the reconciliation), each whole or
// not at all, replacing an earlier run's. Returns the CSV's path. Raises
// ComError naming the file that cannot be written.
std::string WriteRegister(const std::string& out_folder, const component::RunOutcome& outcome,
                          const Reconciliation& reconciliation);

// The rows of the register `path` as header name -> value, in order; the
// cells read back as CsvCell wrote them (a formula's apostrophe kept).
// Raises ComError naming the file when it cannot be read.
std::vector<std::map<std::string, std::string>> ReadRegister(const std::string& path);

// Writes OUT/journal-DATE.csv: every journal and disbursement line the
// statements printed (the outcome must have kept them). Returns its path.
std::string WriteJournalExport(const std::string& out_folder,
                               const component::RunOutcome& outcome);

}  // namespace app

#endif  // DUNMERROW_APP_RUN_REGISTER_H_
