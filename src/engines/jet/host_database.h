// Building host databases: the demo generator, the importer and tests use
// these to write SQLite files in the host's schema. The component itself
// never calls them; it only reads.
#ifndef DUNMERROW_ENGINES_JET_HOST_DATABASE_H_
#define DUNMERROW_ENGINES_JET_HOST_DATABASE_H_

#include <string>
#include <vector>

namespace jet {

// The text of schema/host.sql, built into the library.
const char* HostSchemaSql();

// The statements of `script`, split at the semicolons that end them (a
// semicolon inside a quoted literal, name or comment does not end one);
// comments and blank statements are left out.
std::vector<std::string> SplitStatements(const std::string& script);

// Creates a new SQLite file at `path` with the host schema applied. Raises
// ComError naming the path when the file exists already or cannot be written;
// nothing is left behind on failure.
void CreateHostDatabase(const std::string& path);

// Runs the statements of `sql` (SQLite's own SQL, not the host's dialect:
// dates as 'YYYY-MM-DD HH:MM:SS', yes/no as -1/0) on the SQLite file at
// `path` in one transaction: all or nothing. Raises ComError naming the
// failing statement.
void ExecuteSql(const std::string& path, const std::string& sql);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_HOST_DATABASE_H_
