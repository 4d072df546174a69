// Printing texts of any length through a field of fixed size, and the owner
// notes.
#ifndef DUNMERROW_SECTIONS_MEMO_H_
#define DUNMERROW_SECTIONS_MEMO_H_

#include <string>

#include "contracts/report.h"

namespace sections {

// Prints section `section` as many times as it takes to show `memo` in its
// field `field`, the engine deciding what fits each time. The first copy
// keeps what the caller put in the other fields; later copies are cleared.
// Prints nothing for an empty text. Stops should the engine fail to make
// progress, so it always ends.
void PrintMemoField(contracts::Report& report, const std::string& memo, const std::string& section,
                    const std::string& field);

// The notes for the owner's statement (the owner's own, and those for every
// owner), each through "notes"/"notes" and followed by a "Blank" section.
void PrintOwnerNotes(contracts::Report& report, const std::string& owner_code);

}  // namespace sections

#endif  // DUNMERROW_SECTIONS_MEMO_H_
