// The owner's opening block and the amounts' format.
#include "component/owner_statement.h"

#include "core/com_error.h"
#include "platform/regional.h"
#include "sections/company_block.h"
#include "sections/memo.h"
#include "sections/property_list.h"

namespace component {

void BeginOwner(const RunContext& run, OwnerStatement& owner) {
  if (run.report.PageHasOutput() != 0) run.report.NewPage();
  run.report.PrintSection("Header");
  if (run.documents) owner.first_page = run.documents->PageCount();
  sections::PrintOwnerPropertyList(run.report, owner.code, run.option_set, run.detailed);
  sections::PrintOwnerNotes(run.report, owner.code);
  owner.started = true;
}

core::Currency AddToTotal(core::Currency total, core::Currency amount, const std::string& what) {
  try {
    return total + amount;
  } catch (const core::ComError& e) {
    if (e.number() != core::kErrOverflow) throw;
    throw core::ComError(core::kErrOverflow, "Overflow: " + what + " passes the largest amount");
  }
}

std::string FormatAmount(const core::Variant& value) {
  return platform::Format(value, sections::NumberFormatWithComma());
}

}  // namespace component
