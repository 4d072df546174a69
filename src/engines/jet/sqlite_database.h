// The Database and Recordset of the engine over one SQLite connection:
// statements translated from the host's dialect, prepared statements reused,
// values read with the host's types.
#ifndef DUNMERROW_ENGINES_JET_SQLITE_DATABASE_H_
#define DUNMERROW_ENGINES_JET_SQLITE_DATABASE_H_

#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <string>

#include "contracts/database.h"

namespace jet {

// How many idle prepared statements a connection keeps, the least recently
// used going first; statements in use by open recordsets come on top.
inline constexpr size_t kStatementCacheSize = 64;

// Takes ownership of `db` (closed when the Database and every recordset
// opened on it are gone). `file` names the database in error descriptions.
// Only statements that read are run; anything else raises ComError. The
// literals of a statement are bound as parameters where that cannot change
// its result, so that statements differing only in them share one prepared
// statement.
// When DUNMERROW_QUERY_LOG names a file, every translated statement run is
// appended to it, one per line, newlines written as "\n".
std::shared_ptr<contracts::Database> WrapSqliteDatabase(sqlite3* db, const std::string& file);

// Raises ComError (source "Dunmerrow.Jet") for the SQLite failure `rc` on
// `db`, with `context` (a statement or a file) in the description.
[[noreturn]] void RaiseSqliteError(sqlite3* db, int rc, const std::string& context);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_SQLITE_DATABASE_H_
