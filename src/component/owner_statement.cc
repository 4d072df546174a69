// The owner's opening block and the amounts' format.
#include "component/owner_statement.h"

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

std::string FormatAmount(const core::Variant& value) {
  return platform::Format(value, sections::NumberFormatWithComma());
}

}  // namespace component
