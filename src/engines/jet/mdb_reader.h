// The libmdb side of the Jet import; only mdb_import.cc calls it, in a child
// process.
#ifndef DUNMERROW_ENGINES_JET_MDB_READER_H_
#define DUNMERROW_ENGINES_JET_MDB_READER_H_

#include <sqlite3.h>

#include <string>

namespace jet {

// Copies every user table of the Jet file at `path` into `db`, then adds the
// host indexes and view (AddHostIndexesAndView), in one transaction. Raises
// ComError naming the file, and the table, column and row of a value that
// cannot be read. libmdb may crash or loop on a damaged file.
void ReadMdbInto(const std::string& path, sqlite3* db);

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_MDB_READER_H_
