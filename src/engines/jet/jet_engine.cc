// The database engine object: opens SQLite files read-only and Jet files by
// importing them into memory, whatever the file is called.
#include "engines/jet/jet_engine.h"

#include <sqlite3.h>

#include "core/com_error.h"
#include "engines/jet/mdb_import.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"

namespace jet {
namespace {

sqlite3* OpenSqliteReadOnly(const std::string& path) {
  sqlite3* db = nullptr;
  // A database belongs to the thread that opened it (the component keeps one
  // per thread), so the connection needs no mutex of its own.
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    // Reading the schema now finds a truncated or damaged file at once,
    // rather than at the first query.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw core::ComError(kErrUnrecognizedFormat,
                         "Cannot read the database '" + path + "': " + message, kJetSource);
  }
  return db;
}

sqlite3* ImportIntoMemory(const std::string& path) {
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw core::ComError(kErrCannotOpen, "Cannot open a memory database for '" + path + "'",
                         kJetSource);
  }
  try {
    ImportMdb(path, db);
  } catch (...) {
    sqlite3_close_v2(db);
    throw;
  }
  return db;
}

class JetEngine : public contracts::DBEngine {
 public:
  std::shared_ptr<contracts::Database> OpenDatabase(const std::string& path, bool /*exclusive*/,
                                                    bool /*read_only*/,
                                                    const std::string& /*connect*/) override {
    // Opened read-only whatever the caller asks: the host's file is never
    // written.
    const FileFormat format = DetectFileFormat(path);
    if (format == FileFormat::kSqlite) return WrapSqliteDatabase(OpenSqliteReadOnly(path), path);
    if (format == FileFormat::kJet) return WrapSqliteDatabase(ImportIntoMemory(path), path);
    RaiseUnreadableFile(path, format, "a SQLite or Jet database file");
  }
};

}  // namespace

std::shared_ptr<contracts::DBEngine> CreateDBEngine() { return std::make_shared<JetEngine>(); }

}  // namespace jet
