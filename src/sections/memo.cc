// Long texts through fixed-size fields, and the owner notes.
#include "sections/memo.h"

#include <algorithm>
#include <string>

#include "data/general.h"
#include "sections/record_fields.h"

namespace sections {

namespace {

// The engine lays out all of the text it is offered to find what fits, so a
// long text is offered a window at a time, a few times what one copy holds:
// a megabyte of notes then costs in proportion to its length, not its square.
constexpr size_t kFirstWindow = 512;
constexpr size_t kWindowPerCopy = 4;

// `end` moved back to the start of the UTF-8 character it falls in, but not
// before `begin`.
size_t CharacterStart(const std::string& text, size_t begin, size_t end) {
  while (end > begin && end < text.size() &&
         (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;
  }
  return end;
}

}  // namespace

void PrintMemoField(contracts::Report& report, const std::string& memo, const std::string& section,
                    const std::string& field) {
  if (memo.empty()) return;
  auto target = report.Sections(section);
  size_t window = kFirstWindow;
  std::string carried;  // what the last copy left of the text it was offered
  size_t next = 0;      // where the text not yet offered begins
  while (!carried.empty() || next < memo.size()) {
    const size_t wanted = window > carried.size() ? window - carried.size() : 0;
    const size_t end = CharacterStart(memo, next, std::min(memo.size(), next + wanted));
    std::string offered = carried + memo.substr(next, end - next);
    std::string part = offered;
    std::string rest = report.FitText(*target->Fields(field), part);
    // A copy that takes more than half its window might have taken more of
    // the text than the window held: offer it a larger one.
    if (end < memo.size() && (rest.empty() || part.size() > offered.size() / 2)) {
      window *= 2;
      continue;
    }
    target->Fields(field)->SetText(part);
    // An engine that gives back a rest no shorter than what it was offered
    // would keep this loop going for ever: print what we have and stop.
    const bool stalled = rest.size() >= offered.size();
    window = std::max(kFirstWindow, kWindowPerCopy * part.size());
    carried = std::move(rest);
    next = end;
    report.PrintSection(target->Name());
    target->Clear();
    if (stalled) break;
  }
}

void PrintOwnerNotes(contracts::Report& report, const std::string& owner_code) {
  General::RecordsetPtr notes;
  std::string sql =
      "select * from notes where (note_type = 1 and parent_code = " + General::SQLText(owner_code) +
      " and on_owner=true) or (note_type = 5 and on_owner=true)";
  General::DataCreateSet(notes, sql);
  while (!General::DataEOF(notes)) {
    PrintMemoField(report, TextOf(notes, "note"), "notes", "notes");
    report.PrintSection("Blank");
    General::DataMoveNext(notes);
  }
}

}  // namespace sections
