// Writing host databases in SQLite: the schema and scripts of statements.
#include "engines/jet/host_database.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/com_error.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"

namespace jet {
namespace {

struct CloseDb {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, CloseDb>;

DbHandle OpenForWriting(const std::string& path, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_READWRITE, nullptr);
  DbHandle db(raw);
  if (rc != SQLITE_OK) RaiseSqliteError(db.get(), rc, "'" + path + "'");
  sqlite3_extended_result_codes(db.get(), 1);
  return db;
}

bool IsBlank(const std::string& statement) {
  for (char c : statement) {
    if (!std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

void RunScript(sqlite3* db, const std::string& sql, const std::string& where) {
  char* message = nullptr;
  if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : "cannot start a transaction";
    sqlite3_free(message);
    throw core::ComError(kErrQuery, text + " in " + where, kJetSource);
  }
  for (const std::string& statement : SplitStatements(sql)) {
    if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &message) == SQLITE_OK) continue;
    const std::string text = message ? message : "failed";
    sqlite3_free(message);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw core::ComError(kErrQuery, text + " in \"" + statement + "\" (" + where + ")", kJetSource);
  }
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : "cannot commit";
    sqlite3_free(message);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw core::ComError(kErrQuery, text + " in " + where, kJetSource);
  }
}

}  // namespace

std::vector<std::string> SplitStatements(const std::string& script) {
  std::vector<std::string> statements;
  std::string current;
  for (size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      while (i < script.size() && script[i] != '\n') ++i;
      current += '\n';
      continue;
    }
    if (c == '\'' || c == '"' || c == '[' || c == '`') {
      const char close = c == '[' ? ']' : c;
      const size_t end = script.find(close, i + 1);
      const size_t stop = end == std::string::npos ? script.size() : end + 1;
      current.append(script, i, stop - i);
      i = stop - 1;
      continue;
    }
    if (c == ';') {
      if (!IsBlank(current)) statements.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  if (!IsBlank(current)) statements.push_back(current);
  for (std::string& s : statements) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    const size_t last = s.find_last_not_of(" \t\r\n");
    s = s.substr(first, last - first + 1);
  }
  return statements;
}

void CreateHostDatabase(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec))
    throw core::ComError(kErrCannotOpen, "Cannot create '" + path + "': the file exists already",
                         kJetSource);
  try {
    DbHandle db = OpenForWriting(path, SQLITE_OPEN_CREATE);
    RunScript(db.get(), HostSchemaSql(), "the host schema");
  } catch (const core::ComError&) {
    std::filesystem::remove(path, ec);
    throw;
  }
}

void ExecuteSql(const std::string& path, const std::string& sql) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw core::ComError(kErrCannotOpen, "Could not find file '" + path + "'.", kJetSource);
  DbHandle db = OpenForWriting(path, 0);
  RunScript(db.get(), sql, "'" + path + "'");
}

}  // namespace jet
