// One report run: the disbursements of the report date, one owner statement
// each, through the run's report engine object. A failure stops the run with
// "Error printing report - " and its description; the report is then not
// ended. The run returns what it did as a RunOutcome.
#ifndef DUNMERROW_COMPONENT_REPORT_RUN_H_
#define DUNMERROW_COMPONENT_REPORT_RUN_H_

#include <functional>
#include <optional>
#include <string>

#include "component/disbursement_section.h"
#include "component/owner_statement.h"
#include "component/run_outcome.h"
#include "component/transactions_section.h"
#include "contracts/report.h"
#include "data/general.h"

namespace component {

// The parameters a run reads, as the component's GetParam gives them.
struct RunParameters {
  std::string date_to;  // "DateTo" as text; the current date and time when absent
  bool notes = false;     // "bNotes" reads as true
  bool detailed = false;  // "bDetailed" reads as true
  // The outcome keeps every journal and disbursement line printed.
  bool keep_lines = false;
};

// Told after each statement: (statements done, statements of the date).
using ProgressSink = std::function<void(int, int)>;

class ReportRun {
 public:
  // `report` is the run's engine object; it must outlive the run.
  ReportRun(contracts::Report& report, RunParameters parameters, ProgressSink progress);
  ReportRun(const ReportRun&) = delete;
  ReportRun& operator=(const ReportRun&) = delete;

  // Runs the report of the definition file `definition_path`. A failure is
  // shown as the message "Error printing report - " + its description, and
  // is the outcome's failure; the run then returns normally.
  RunOutcome Produce(const std::string& definition_path);

 private:
  void Steps(const std::string& definition_path);
  void OwnerSteps();
  void FillHeader(OwnerStatement& owner);
  // Records what the owner's statement came to, once its sections are done.
  void RecordOwner(const OwnerStatement& owner);
  // What the engine did with the document the last EndReport delivered.
  contracts::Delivery LastDelivery() const;
  int32_t PageCount() const;

  // Fixed for the run.
  RunContext context_;
  const RunParameters parameters_;
  const ProgressSink progress_;
  TransactionsSection transactions_;
  DisbursementSection disbursements_;
  General::RecordsetPtr owner_set_;
  int owners_total_ = 0;

  // What the run has done so far; while an owner's steps run, the last of
  // the outcome's owners is `owner_`'s.
  RunOutcome outcome_;
  // Reset for each owner: made afresh for every owner row.
  std::optional<OwnerStatement> owner_;
};

}  // namespace component

#endif  // DUNMERROW_COMPONENT_REPORT_RUN_H_
