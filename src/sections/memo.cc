// Long texts through fixed-size fields, and the owner notes.
#include "sections/memo.h"

#include "data/general.h"
#include "sections/record_fields.h"

namespace sections {

void PrintMemoField(contracts::Report& report, const std::string& memo, const std::string& section,
                    const std::string& field) {
  if (memo.empty()) return;
  auto target = report.Sections(section);
  std::string remaining = memo;
  while (!remaining.empty()) {
    std::string part = remaining;
    std::string rest = report.FitText(*target->Fields(field), part);
    target->Fields(field)->SetText(part);
    // An engine that gives back a rest no shorter than what it was offered
    // would keep this loop going for ever: print what we have and stop.
    const bool stalled = rest.size() >= remaining.size();
    remaining = std::move(rest);
    report.PrintSection(target->Name());
    target->Clear();
    if (stalled) break;
  }
}

void PrintOwnerNotes(contracts::Report& report, const std::string& owner_code) {
  General::RecordsetPtr notes;
  std::string sql = "select * from notes where (note_type = 1 and parent_code = " +
                    General::SQLText(owner_code) +
                    " and on_owner=true) or (note_type = 5 and on_owner=true)";
  General::DataCreateSet(notes, sql);
  while (!General::DataEOF(notes)) {
    PrintMemoField(report, TextOf(notes, "note"), "notes", "notes");
    report.PrintSection("Blank");
    General::DataMoveNext(notes);
  }
}

}  // namespace sections
