// Reading the current row of a recordset by column name, for the sections
// and the run: the absent recordset and the missing row raise clear errors.
#ifndef DUNMERROW_SECTIONS_RECORD_FIELDS_H_
#define DUNMERROW_SECTIONS_RECORD_FIELDS_H_

#include <string>

#include "core/variant.h"
#include "data/general.h"

namespace sections {

// The value of column `name` of the current row. Raises ComError 91 when the
// recordset is absent (its query could not be opened) and passes on the
// engine's error for a missing column or a recordset at its end.
core::Variant FieldOf(const General::RecordsetPtr& rs, const std::string& name);

// The column as text, a Null as "".
std::string TextOf(const General::RecordsetPtr& rs, const std::string& name);

// A yes/no column: a Null counts as false.
bool FlagOf(const General::RecordsetPtr& rs, const std::string& name);

// The value of a column that must not be Null, such as an amount a total
// takes. A Null raises 94 with a description that says that `what` (e.g.
// "the journal line of property P on D") has no `name`.
core::Variant RequiredValueOf(const General::RecordsetPtr& rs, const std::string& name,
                              const std::string& what);

// A parameter's text read as a boolean: "True" (any case) or a nonzero
// number is true; anything else is false.
bool ReadsTrue(const std::string& text);

}  // namespace sections

#endif  // DUNMERROW_SECTIONS_RECORD_FIELDS_H_
