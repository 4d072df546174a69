// What a report run did: the failure that stopped it, if any, and what became
// of each owner's statement, in run order. A value: the host reads the run's
// result from it, never from the text of a message.
#ifndef DUNMERROW_COMPONENT_RUN_OUTCOME_H_
#define DUNMERROW_COMPONENT_RUN_OUTCOME_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "contracts/report.h"
#include "core/currency.h"
#include "core/date.h"

namespace component {

// The failure that stopped a run.
struct RunFailure {
  int32_t number = 0;
  std::string description;
  // The run's handler showed it as "Error printing report - " + description;
  // false for a failure its host found before or after the run.
  bool shown = false;
};

// A line as the statement printed it, kept for the accountants' export when
// the run is asked to: amounts in the amounts' format ("0.00"), as printed.
struct PrintedLine {
  enum class Kind { kJournal, kDisbursement };
  Kind kind = Kind::kJournal;
  core::Date date;       // the line's date; day 0 for a line without one (a reserve)
  std::string property;  // journal lines: the property code
  std::string details;
  std::string income;    // journal lines: one of income and expense is printed
  std::string expense;
  std::string fees;      // disbursement lines
  std::string amount;
  std::string tax;       // the tax the line carries, printed or not
};

// One owner statement the run reached.
struct OwnerOutcome {
  std::string owner_code;
  std::string owner_name;
  std::string email;  // the owner's e-mail address as the database holds it
  core::Date period_from;
  core::Date period_to;
  // Where the statement stands in its document: the first page (from 1) and
  // the number of pages; 0 and 0 when nothing of it was printed, or when the
  // engine does not count pages.
  int32_t first_page = 0;
  int32_t pages = 0;
  // The journal's totals and the disbursement footer's, as printed.
  core::Currency income;
  core::Currency expense;
  core::Currency tax;
  double fees = 0;  // held as a double, as the footer sums it
  core::Currency disbursed;
  int32_t destination = contracts::kDestinationPreview;
  contracts::Delivery delivery;
  // The journal and disbursement lines printed, in order; only when asked.
  std::vector<PrintedLine> lines;
};

struct RunOutcome {
  // False when the run did not start: the report definition was missing.
  bool ran = false;
  // The report date the run read ("DateTo"); unset when it stopped before.
  std::optional<core::Date> report_date;
  std::optional<RunFailure> failure;
  std::vector<OwnerOutcome> owners;
};

}  // namespace component

#endif  // DUNMERROW_COMPONENT_RUN_OUTCOME_H_
