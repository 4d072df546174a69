// How a result column of SQLite is read as a runtime value: by the column's
// declared type where it has one (the host's storage conventions), else by
// the storage class of the value.
#ifndef DUNMERROW_ENGINES_JET_COLUMN_VALUES_H_
#define DUNMERROW_ENGINES_JET_COLUMN_VALUES_H_

#include <sqlite3.h>

#include <string>

#include "core/variant.h"

namespace jet {

enum class ColumnKind { kByStorage, kText, kDate, kBoolean, kCurrency, kInteger, kLong, kDouble };

// The kind for a declared type such as "DATETIME TEXT", "CURRENCY REAL",
// "YESNO INTEGER", "SMALLINT" (first word decides); kByStorage for none or an
// unknown one.
ColumnKind KindOfDeclaredType(const char* declared_type);

// The value of column `index` of the current row of `stmt`: Null for NULL,
// otherwise as `kind` says. Raises ComError naming `column` when the stored
// value does not fit its kind (a date that is not a date, an integer out of
// range).
core::Variant ReadColumn(sqlite3_stmt* stmt, int index, ColumnKind kind, const std::string& column);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_COLUMN_VALUES_H_
