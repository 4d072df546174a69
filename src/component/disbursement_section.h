// The disbursement section: the owner's disbursements of the period with
// their extra fees, own fees and tax, reserve and note, then the totals.
#ifndef DUNMERROW_COMPONENT_DISBURSEMENT_SECTION_H_
#define DUNMERROW_COMPONENT_DISBURSEMENT_SECTION_H_

#include "component/owner_statement.h"
#include "data/general.h"

namespace component {

class DisbursementSection {
 public:
  explicit DisbursementSection(const RunContext& run) : run_(run) {}

  // Prints the owner's disbursements of the period and the footer; begins
  // the owner when nothing was printed for it yet, and leaves the totals in
  // `owner`. `recordset` is the variable the transactions section left its
  // journal in: a query that cannot be opened keeps it, at its end, so no
  // row follows. Failures reach the caller.
  void Print(OwnerStatement& owner, General::RecordsetPtr recordset);

 private:
  void PrintDisbursement(OwnerStatement& owner, const General::RecordsetPtr& disbursement);

  const RunContext& run_;
  // The extra fees of the disbursement being printed; a fee query that
  // cannot be opened leaves the previous list, at its end.
  General::RecordsetPtr fee_set_;
};

}  // namespace component

#endif  // DUNMERROW_COMPONENT_DISBURSEMENT_SECTION_H_
