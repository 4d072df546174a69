// Turns a statement in the host's SQL dialect into SQLite's: date literals,
// TOP, bracketed names, double-quoted texts, & and the words true/false.
#ifndef DUNMERROW_ENGINES_JET_SQL_TRANSLATOR_H_
#define DUNMERROW_ENGINES_JET_SQL_TRANSLATOR_H_

#include <string>
#include <string_view>

#include "core/error_numbers.h"

namespace jet {

// The engine's error numbers (core/error_numbers.h), by their short names.
using core::kErrCannotOpen;
using core::kErrNoCurrentRecord;
using core::kErrQuery;
using core::kErrReadOnly;
using core::kErrSyntax;
using core::kErrTableNotFound;
using core::kErrTooFewParameters;
using core::kErrUnrecognizedFormat;
inline constexpr char kJetSource[] = "Dunmerrow.Jet";

// Returns the SQLite form of `sql`. Quoted literals are never changed:
//   #m/d/yyyy#, #m/d/yyyy hh:nn[:ss] [AM|PM]#, #yyyy-mm-dd# -> 'yyyy-mm-dd hh:mm:ss'
//   SELECT [DISTINCT] TOP n ...  -> ... LIMIT n (at the end of that select)
//   [name] -> "name";  "text" -> 'text';  & -> ||;  true -> -1, false -> 0
//   one trailing ';' is dropped.
// Raises ComError (kErrSyntax, source "Dunmerrow.Jet") naming the statement and
// the position for an unterminated literal or name, a date that does not
// exist, TOP without a count or in a compound select, and a second statement.
std::string TranslateSql(const std::string& sql);

// True when `a` and `b` are the same text, ASCII letters compared without
// regard to case, as the host compares names.
bool EqualsNoCase(std::string_view a, std::string_view b);

// `name` as a SQLite identifier: between double quotes, inner ones doubled.
std::string QuoteName(std::string_view name);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_SQL_TRANSLATOR_H_
