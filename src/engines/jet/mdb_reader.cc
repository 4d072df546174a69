// Reading a Jet file with libmdb into SQLite. libmdb's text forms of dates
// are wrong outside 1900..4637 and those of numbers lose digits, so
// fixed-size values are read from their raw bytes in the row's page; text and
// memo come through libmdb's bound buffers, converted to UTF-8.
#include "engines/jet/mdb_reader.h"

// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <type_traits>
#include <vector>

#include "core/com_error.h"
#include "core/date.h"
#include "engines/jet/mdb_import.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"

namespace jet {
namespace {

// Large enough for any memo the host writes; a value that still fills it
// would come back cut, so it is an error instead.
constexpr size_t kBindSize = 1 << 20;

struct MdbCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableCloser {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
struct StmtCloser {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtCloser>;

const char* DeclaredType(int col_type) {
  switch (col_type) {
    case MDB_BOOL:
      return "YESNO INTEGER";
    case MDB_BYTE:
    case MDB_INT:
      return "SMALLINT";
    case MDB_LONGINT:
      return "INTEGER";
    case MDB_MONEY:
      return "CURRENCY REAL";
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
      return "DOUBLE";
    case MDB_DATETIME:
      return "DATETIME TEXT";
    case MDB_MEMO:
      return "MEMO TEXT COLLATE NOCASE";
    case MDB_BINARY:
    case MDB_OLE:
      return "BLOB";
    default:
      return "TEXT COLLATE NOCASE";
  }
}

template <typename T>
T ReadLittleEndian(const unsigned char* p) {
  uint64_t bits = 0;
  for (size_t i = sizeof(T); i-- > 0;) bits = (bits << 8) | p[i];
  T value;
  if constexpr (sizeof(T) == 8) {
    std::memcpy(&value, &bits, 8);
  } else {
    const auto narrow = static_cast<std::conditional_t<
        sizeof(T) == 4, uint32_t, std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>>>(bits);
    std::memcpy(&value, &narrow, sizeof(T));
  }
  return value;
}

class TableImporter {
 public:
  TableImporter(MdbHandle* mdb, MdbTableDef* table, sqlite3* db, const std::string& file)
      : mdb_(mdb), table_(table), db_(db), file_(file) {}

  void Run() {
    mdb_read_columns(table_);
    const unsigned num_cols = table_->num_cols;
    buffers_.resize(num_cols);
    lengths_.resize(num_cols);
    std::string create = "CREATE TABLE " + QuoteName(table_->name) + " (";
    std::string insert = "INSERT INTO " + QuoteName(table_->name) + " VALUES (";
    for (unsigned i = 0; i < num_cols; ++i) {
      MdbColumn* col = Column(i);
      create += (i ? ", " : "") + QuoteName(col->name) + " " + DeclaredType(col->col_type);
      insert += i ? ", ?" : "?";
      buffers_[i].assign(kBindSize, '\0');
      mdb_bind_column(table_, static_cast<int>(i + 1), buffers_[i].data(), &lengths_[i]);
    }
    Exec(create + ")");
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &raw, nullptr) != SQLITE_OK)
      RaiseSqliteError(db_, sqlite3_errcode(db_), Where());
    StmtHandle stmt(raw);
    mdb_rewind_table(table_);
    for (row_ = 1; mdb_fetch_row(table_); ++row_) {
      for (unsigned i = 0; i < num_cols; ++i) BindValue(stmt.get(), i);
      if (sqlite3_step(stmt.get()) != SQLITE_DONE)
        RaiseSqliteError(db_, sqlite3_errcode(db_), Where());
      sqlite3_reset(stmt.get());
    }
  }

 private:
  MdbColumn* Column(unsigned i) const {
    return static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
  }

  std::string Where(const MdbColumn* col = nullptr) const {
    std::string where = "table '" + std::string(table_->name) + "'";
    if (col) where += ", column '" + std::string(col->name) + "'";
    if (row_ > 0) where += ", row " + std::to_string(row_);
    return where + " of '" + file_ + "'";
  }

  void Exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      RaiseSqliteError(db_, sqlite3_errcode(db_), Where());
  }

  void BindText(sqlite3_stmt* stmt, int param, unsigned i, const MdbColumn* col) {
    const auto length = static_cast<size_t>(lengths_[i]);
    if (length + 1 >= kBindSize)
      throw core::ComError(kErrQuery,
                           "A value longer than " + std::to_string(kBindSize - 1) +
                               " bytes cannot be read whole in " + Where(col),
                           kJetSource);
    if (length == 0) {
      sqlite3_bind_null(stmt, param);
      return;
    }
    sqlite3_bind_text(stmt, param, buffers_[i].data(), static_cast<int>(length), SQLITE_TRANSIENT);
  }

  void BindValue(sqlite3_stmt* stmt, unsigned i) {
    MdbColumn* col = Column(i);
    const int param = static_cast<int>(i + 1);
    if (col->col_type == MDB_BOOL) {
      // A yes/no value lives in the row's null mask; libmdb writes "1" for yes.
      sqlite3_bind_int(stmt, param, buffers_[i][0] == '1' ? -1 : 0);
      return;
    }
    if (col->cur_value_len <= 0) {
      sqlite3_bind_null(stmt, param);
      return;
    }
    const unsigned char* raw = mdb_->pg_buf + col->cur_value_start;
    switch (col->col_type) {
      case MDB_BYTE:
        sqlite3_bind_int(stmt, param, raw[0]);
        return;
      case MDB_INT:
        sqlite3_bind_int(stmt, param, ReadLittleEndian<int16_t>(raw));
        return;
      case MDB_LONGINT:
        sqlite3_bind_int64(stmt, param, ReadLittleEndian<int32_t>(raw));
        return;
      case MDB_MONEY:
        sqlite3_bind_double(stmt, param,
                            static_cast<double>(ReadLittleEndian<int64_t>(raw)) / 10000.0);
        return;
      case MDB_FLOAT:
        sqlite3_bind_double(stmt, param, ReadLittleEndian<float>(raw));
        return;
      case MDB_DOUBLE:
        sqlite3_bind_double(stmt, param, ReadLittleEndian<double>(raw));
        return;
      case MDB_DATETIME: {
        const double serial = ReadLittleEndian<double>(raw);
        std::string iso;
        try {
          iso = core::Date::FromSerial(serial).ToIso();
        } catch (const core::ComError&) {
          throw core::ComError(kErrUnrecognizedFormat,
                               "A date outside the years 100 to 9999 (" + std::to_string(serial) +
                                   ") in " + Where(col),
                               kJetSource);
        }
        sqlite3_bind_text(stmt, param, iso.c_str(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
        return;
      }
      case MDB_BINARY:
        sqlite3_bind_blob(stmt, param, raw, col->cur_value_len, SQLITE_TRANSIENT);
        return;
      case MDB_OLE: {
        size_t size = 0;
        void* data = mdb_ole_read_full(mdb_, col, &size);
        if (data == nullptr) {
          sqlite3_bind_null(stmt, param);
          return;
        }
        sqlite3_bind_blob64(stmt, param, data, size, SQLITE_TRANSIENT);
        g_free(data);
        return;
      }
      default:
        BindText(stmt, param, i, col);
        return;
    }
  }

  MdbHandle* mdb_;
  MdbTableDef* table_;
  sqlite3* db_;
  const std::string& file_;
  std::vector<std::vector<char>> buffers_;
  std::vector<int> lengths_;
  long row_ = 0;
};

void CheckJetFile(const std::string& path, MdbHandle* mdb) {
  const size_t page_size = mdb->fmt->pg_size;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || page_size == 0 || size % page_size != 0 || size < 2 * page_size)
    throw core::ComError(kErrUnrecognizedFormat,
                         "The Jet database '" + path + "' is truncated or damaged (" +
                             std::to_string(size) + " bytes is not a whole number of " +
                             std::to_string(page_size) + "-byte pages).",
                         kJetSource);
}
}  // namespace

void ReadMdbInto(const std::string& path, sqlite3* db) {
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb)
    throw core::ComError(kErrUnrecognizedFormat, "Cannot read the Jet database '" + path + "'.",
                         kJetSource);
  CheckJetFile(path, mdb.get());
  mdb_set_bind_size(mdb.get(), kBindSize);
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
    throw core::ComError(kErrUnrecognizedFormat,
                         "Cannot read the table list of the Jet database '" + path + "'.",
                         kJetSource);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  try {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
      std::unique_ptr<MdbTableDef, TableCloser> table(mdb_read_table(entry));
      if (!table)
        throw core::ComError(
            kErrUnrecognizedFormat,
            "Cannot read the table '" + std::string(entry->object_name) + "' of '" + path + "'.",
            kJetSource);
      TableImporter(mdb.get(), table.get(), db, path).Run();
    }
    AddHostIndexesAndView(db);
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    RaiseSqliteError(db, sqlite3_errcode(db), "the import of '" + path + "'");
}

}  // namespace jet
