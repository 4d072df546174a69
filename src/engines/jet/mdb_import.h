// Importing Jet (.mdb) files with libmdb into SQLite, in the host's storage
// conventions: dates and money from their raw values, yes/no as -1/0, memo
// text whole, text as UTF-8.
#ifndef DUNMERROW_ENGINES_JET_MDB_IMPORT_H_
#define DUNMERROW_ENGINES_JET_MDB_IMPORT_H_

#include <sqlite3.h>

#include <chrono>
#include <string>

namespace jet {

enum class FileFormat { kMissing, kUnreadable, kEmpty, kSqlite, kJet, kOther };

// What the file at `path` is, by its first bytes (never by its name).
FileFormat DetectFileFormat(const std::string& path);

// Raises the ComError that says why the file at `path` cannot be read as a
// database of the kind wanted: missing, unreadable, empty or of another kind.
[[noreturn]] void RaiseUnreadableFile(const std::string& path, FileFormat format,
                                      const char* wanted);

// Copies every user table of the Jet file at `path` into `db` (an empty
// SQLite database), then adds the host schema's indexes, and the view
// extra_fees_view when the table extra_fees is there, for the tables and
// columns present. Raises ComError naming the file (and the table, column and
// row where a value cannot be read); the Jet file is only read. The file is
// read in a child process, so that a damaged file that would crash the reader
// or keep it busy for more than `timeout` (0: a minute and ten seconds
// per megabyte) is a ComError too.
void ImportMdb(const std::string& path, sqlite3* db,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

// Adds to `db` each index and the view extra_fees_view of the host schema
// whose table and columns are there, and a plain index "TABLE_by_COLUMN" for
// each key the host schema declares (owner code, property code, tenancy
// reference); the others are left out.
void AddHostIndexesAndView(sqlite3* db);

// Imports the Jet file `mdb_path` into a new SQLite file `out_path`, written
// atomically: on failure nothing is left at `out_path`.
void ImportMdbToFile(const std::string& mdb_path, const std::string& out_path);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_MDB_IMPORT_H_
