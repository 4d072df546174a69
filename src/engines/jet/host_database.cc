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

namespace {

class SqliteStatement : public HostDatabaseWriter::Statement {
 public:
  SqliteStatement(sqlite3* db, const std::string& sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) RaiseSqliteError(db, rc, "\"" + sql + "\"");
  }
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

 protected:
  void BindText(int i, const std::string& v) override {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void BindInteger(int i, int64_t v) override { sqlite3_bind_int64(stmt_, i, v); }
  void BindDouble(int i, double v) override { sqlite3_bind_double(stmt_, i, v); }
  void BindNull(int i) override { sqlite3_bind_null(stmt_, i); }
  void Step() override {
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE) RaiseSqliteError(db_, rc, "the statement \"" + std::string(sqlite3_sql(stmt_)) + "\"");
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

class HostDatabaseWriter::Impl {
 public:
  std::string path;
  DbHandle db;
  bool committed = false;
};

HostDatabaseWriter::HostDatabaseWriter(const std::string& path) : impl_(std::make_unique<Impl>()) {
  impl_->path = path;
  CreateHostDatabase(path);
  try {
    impl_->db = OpenForWriting(path, 0);
    // The file is new and private until renamed into place: no journal is needed.
    sqlite3_exec(impl_->db.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN",
                 nullptr, nullptr, nullptr);
  } catch (...) {
    impl_->db.reset();
    std::remove(path.c_str());
    throw;
  }
}

HostDatabaseWriter::~HostDatabaseWriter() {
  if (impl_->committed) return;
  impl_->db.reset();
  std::remove(impl_->path.c_str());
}

std::unique_ptr<HostDatabaseWriter::Statement> HostDatabaseWriter::Prepare(const std::string& sql) {
  return std::make_unique<SqliteStatement>(impl_->db.get(), sql);
}

void HostDatabaseWriter::Commit() {
  sqlite3* db = impl_->db.get();
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    RaiseSqliteError(db, sqlite3_errcode(db), "'" + impl_->path + "'");
  }
  impl_->db.reset();
  impl_->committed = true;
}

}  // namespace jet
