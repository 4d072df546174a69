// Forward-only recordsets over SQLite. A run of the component issues the
// same few query shapes thousands of times with other codes and dates, so a
// statement's literals become bound parameters where that is safe, and the
// prepared statement of a closed recordset goes back to a small
// per-connection cache, reused when the same parameterised text comes again.
#include "engines/jet/sqlite_database.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/com_error.h"
#include "engines/jet/column_values.h"
#include "engines/jet/literal_params.h"
#include "engines/jet/sql_translator.h"

namespace jet {
namespace {


std::string EscapeNewlines(const std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  for (char c : sql) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

// One prepared statement with what the recordset needs to know of its columns.
struct PreparedQuery {
  sqlite3_stmt* stmt = nullptr;
  std::string sql;  // translated text or its parameterised form: the cache key
  std::vector<std::string> names;
  std::vector<std::string> tables;
  std::vector<ColumnKind> kinds;
  std::vector<LiteralValue> bound;  // the texts bound without a copy live here

  ~PreparedQuery() { sqlite3_finalize(stmt); }

  // Reads the result columns of the freshly prepared `stmt`.
  void Describe() {
    const int columns = sqlite3_column_count(stmt);
    for (int i = 0; i < columns; ++i) {
      const char* name = sqlite3_column_name(stmt, i);
      const char* table = sqlite3_column_table_name(stmt, i);
      names.emplace_back(name ? name : "");
      tables.emplace_back(table ? table : "");
      kinds.push_back(KindOfDeclaredType(sqlite3_column_decltype(stmt, i)));
    }
  }

  // Binds `values` to ?1, ?2, ... of the statement, which is reset. Returns
  // the SQLite failure code, SQLITE_OK when all are bound.
  int Bind(std::vector<LiteralValue> values) {
    bound = std::move(values);
    for (size_t i = 0; i < bound.size(); ++i) {
      const int index = static_cast<int>(i) + 1;
      const LiteralValue& value = bound[i];
      const int rc = value.is_text
                         ? sqlite3_bind_text(stmt, index, value.text.data(),
                                             static_cast<int>(value.text.size()), SQLITE_STATIC)
                         : sqlite3_bind_int64(stmt, index, value.number);
      if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
  }

  // Index of the column `name` (alias or column name, letters compared without
  // regard to case; "table.column" too); -1 when there is none. A recordset
  // asks for the same few names on every row, so each answer is kept.
  int Find(const std::string& name) {
    if (auto known = found.find(name); known != found.end()) return known->second;
    const int index = Search(name);
    found.emplace(name, index);
    return index;
  }
  std::unordered_map<std::string, int> found;

  int Search(std::string_view name) const {
    for (size_t i = 0; i < names.size(); ++i) {
      if (EqualsNoCase(names[i], name)) return static_cast<int>(i);
    }
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return -1;
    const std::string_view table = name.substr(0, dot);
    const std::string_view column = name.substr(dot + 1);
    for (size_t i = 0; i < names.size(); ++i) {
      if (EqualsNoCase(names[i], column) && EqualsNoCase(tables[i], table))
        return static_cast<int>(i);
    }
    for (size_t i = 0; i < names.size(); ++i) {
      if (EqualsNoCase(names[i], column)) return static_cast<int>(i);
    }
    return -1;
  }
};

class Connection {
 public:
  Connection(sqlite3* db, std::string file)
      : db_(db), file_(std::move(file)), lift_literals_(!HasValueSensitiveSchema(db)) {
    if (const char* log_path = std::getenv("DUNMERROW_QUERY_LOG"); log_path && *log_path) {
      log_ = std::fopen(log_path, "a");
      if (log_ == nullptr)
        std::fprintf(stderr, "dunmerrow: cannot append to the query log '%s'\n", log_path);
    }
  }
  ~Connection() {
    idle_.clear();  // statements are finalized before the connection closes
    sqlite3_close_v2(db_);
    if (log_ != nullptr) std::fclose(log_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  std::unique_ptr<PreparedQuery> Acquire(const std::string& original) {
    std::string translated = TranslateSql(original);
    if (log_ != nullptr) {
      std::fprintf(log_, "%s\n", EscapeNewlines(translated).c_str());
      std::fflush(log_);
    }
    if (lift_literals_) {
      if (std::optional<LiftedStatement> lifted = LiftLiterals(translated)) {
        std::unique_ptr<PreparedQuery> query = TakeIdle(lifted->text);
        if (!query) query = PrepareLifted(std::move(lifted->text), lifted->values.size());
        if (query) {
          if (const int rc = query->Bind(std::move(lifted->values)); rc != SQLITE_OK)
            RaiseSqliteError(db_, rc, "\"" + original + "\"");
          return query;
        }
        // Whatever SQLite said of the parameterised text, the text as
        // written decides the outcome and the message.
      }
    }
    if (std::unique_ptr<PreparedQuery> query = TakeIdle(translated)) return query;
    return Prepare(std::move(translated), original);
  }

  void Release(std::unique_ptr<PreparedQuery> query) {
    sqlite3_reset(query->stmt);
    idle_.push_front(std::move(query));
    if (idle_.size() > kStatementCacheSize) idle_.pop_back();
  }

  sqlite3* db() const { return db_; }

 private:
  std::unique_ptr<PreparedQuery> Prepare(std::string translated, const std::string& original) {
    auto query = std::make_unique<PreparedQuery>();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db_, translated.c_str(), static_cast<int>(translated.size()),
                                      SQLITE_PREPARE_PERSISTENT, &query->stmt, &tail);
    const std::string context = "\"" + original + "\"";
    if (rc != SQLITE_OK) RaiseSqliteError(db_, rc, context);
    if (query->stmt == nullptr)
      throw core::ComError(kErrSyntax, "Empty statement " + context, kJetSource);
    if (tail != nullptr &&
        std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos)
      throw core::ComError(kErrSyntax, "More than one statement in " + context, kJetSource);
    if (const int count = sqlite3_bind_parameter_count(query->stmt); count > 0) {
      const char* first = sqlite3_bind_parameter_name(query->stmt, 1);
      throw core::ComError(kErrTooFewParameters,
                           "Too few parameters. Expected " + std::to_string(count) + " (" +
                               (first ? first : "?") + ") in " + context,
                           kJetSource);
    }
    if (!sqlite3_stmt_readonly(query->stmt))
      throw core::ComError(kErrReadOnly,
                           "The database '" + file_ + "' is read-only; cannot run " + context,
                           kJetSource);
    query->Describe();
    query->sql = std::move(translated);
    return query;
  }

  // The prepared statement of a parameterised text, or nullptr when it is not
  // one read-only statement with exactly `parameters` parameters.
  std::unique_ptr<PreparedQuery> PrepareLifted(std::string text, size_t parameters) {
    auto query = std::make_unique<PreparedQuery>();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db_, text.c_str(), static_cast<int>(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &query->stmt, &tail);
    if (rc != SQLITE_OK || query->stmt == nullptr ||
        (tail != nullptr &&
         std::string_view(tail).find_first_not_of(" \t\r\n") != std::string_view::npos) ||
        sqlite3_bind_parameter_count(query->stmt) != static_cast<int>(parameters) ||
        !sqlite3_stmt_readonly(query->stmt))
      return nullptr;
    query->Describe();
    query->sql = std::move(text);
    return query;
  }

  // The idle statement prepared from `key`, taken out of the cache; nullptr
  // when there is none. A statement in use is never in the cache, so a second
  // recordset of the same text gets a statement of its own.
  std::unique_ptr<PreparedQuery> TakeIdle(const std::string& key) {
    for (auto it = idle_.begin(); it != idle_.end(); ++it) {
      if ((*it)->sql != key) continue;
      std::unique_ptr<PreparedQuery> query = std::move(*it);
      idle_.erase(it);
      return query;
    }
    return nullptr;
  }

  // True when a literal may steer the query plan (and with it the order of
  // rows a query without ORDER BY returns) in a way a bound value would not:
  // partial indexes and indexes on expressions are matched against the
  // literals of a condition, virtual tables see them in their planning. Also
  // true when the schema cannot be read this way.
  static bool HasValueSensitiveSchema(sqlite3* db) {
    static constexpr char kQuery[] =
        "SELECT 1 FROM sqlite_master AS m, pragma_index_list(m.name) AS i "
        "WHERE m.type = 'table' AND (i.partial OR EXISTS "
        "(SELECT 1 FROM pragma_index_xinfo(i.name) WHERE cid = -2)) "
        "UNION ALL SELECT 1 FROM sqlite_master WHERE sql LIKE 'CREATE VIRTUAL TABLE%'";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, kQuery, -1, &stmt, nullptr) != SQLITE_OK) return true;
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    return rc != SQLITE_DONE;
  }

  sqlite3* db_;
  std::string file_;
  const bool lift_literals_;
  std::list<std::unique_ptr<PreparedQuery>> idle_;  // most recently used first
  FILE* log_ = nullptr;
};

class SqliteRecordset : public contracts::Recordset {
 public:
  SqliteRecordset(std::shared_ptr<Connection> connection, std::unique_ptr<PreparedQuery> query,
                  std::string original)
      : connection_(std::move(connection)), query_(std::move(query)), sql_(std::move(original)) {
    Step();
    empty_ = eof_;
  }
  ~SqliteRecordset() override { Close(); }

  bool IsEOF() override {
    CheckOpen();
    return eof_;
  }
  bool IsBOF() override {
    CheckOpen();
    return empty_;
  }
  void MoveNext() override {
    CheckOpen();
    if (eof_) throw core::ComError(kErrNoCurrentRecord, "No current record.", kJetSource);
    Step();
  }
  void Close() override {
    if (query_) connection_->Release(std::move(query_));
  }
  core::Variant Field(const std::string& name) override {
    CheckOpen();
    const int index = query_->Find(name);
    if (index < 0)
      throw core::ComError(
          core::kErrItemNotFound,
          "Item not found in this collection: no column '" + name + "' in \"" + sql_ + "\"",
          kJetSource);
    if (eof_) throw core::ComError(kErrNoCurrentRecord, "No current record.", kJetSource);
    return ReadColumn(query_->stmt, index, query_->kinds[static_cast<size_t>(index)], name);
  }
  int FieldCount() override {
    CheckOpen();
    return static_cast<int>(query_->names.size());
  }
  std::string FieldName(int index) override {
    CheckOpen();
    if (index < 0 || index >= FieldCount())
      throw core::ComError(
          core::kErrItemNotFound,
          "Item not found in this collection: no field number " + std::to_string(index),
          kJetSource);
    return query_->names[static_cast<size_t>(index)];
  }

 private:
  void CheckOpen() const {
    if (!query_)
      throw core::ComError(core::kErrObjectClosed,
                           "Operation is not allowed when the object is closed.", kJetSource);
  }
  void Step() {
    const int rc = sqlite3_step(query_->stmt);
    if (rc == SQLITE_ROW) return;
    eof_ = true;
    if (rc == SQLITE_DONE) return;
    try {
      RaiseSqliteError(connection_->db(), rc, "\"" + sql_ + "\"");
    } catch (...) {
      Close();  // after the message is taken: the reset would replace it
      throw;
    }
  }

  std::shared_ptr<Connection> connection_;
  std::unique_ptr<PreparedQuery> query_;
  std::string sql_;
  bool eof_ = false;
  bool empty_ = false;
};

class SqliteDatabase : public contracts::Database {
 public:
  explicit SqliteDatabase(std::shared_ptr<Connection> connection)
      : connection_(std::move(connection)) {}

  std::shared_ptr<contracts::Recordset> OpenRecordset(const std::string& sql, int16_t /*type*/,
                                                      int16_t /*options*/,
                                                      int16_t /*lock*/) override {
    // Every recordset is forward-only and read-only, whatever is asked: the
    // host's file is never written.
    auto query = connection_->Acquire(sql);
    return std::make_shared<SqliteRecordset>(connection_, std::move(query), sql);
  }

 private:
  std::shared_ptr<Connection> connection_;
};

}  // namespace

void RaiseSqliteError(sqlite3* db, int rc, const std::string& context) {
  const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int number = kErrQuery;
  switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      number = kErrUnrecognizedFormat;
      break;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
      number = kErrCannotOpen;
      break;
    case SQLITE_READONLY:
      number = kErrReadOnly;
      break;
    case SQLITE_ERROR:
      if (message.rfind("no such table", 0) == 0) {
        number = kErrTableNotFound;
      } else if (message.rfind("no such column", 0) == 0 ||
                 message.find("syntax error") != std::string::npos) {
        number = kErrSyntax;
      }
      break;
    default:
      break;
  }
  throw core::ComError(number, message + " in " + context, kJetSource);
}

std::shared_ptr<contracts::Database> WrapSqliteDatabase(sqlite3* db, const std::string& file) {
  return std::make_shared<SqliteDatabase>(std::make_shared<Connection>(db, file));
}

}  // namespace jet
