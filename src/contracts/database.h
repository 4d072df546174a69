// What the component requires of a database engine: opening a database and
// read-only, forward-only recordsets whose fields are read by column name.
// Every failed call raises core::ComError with a number, a description and a
// source.
#ifndef DUNMERROW_CONTRACTS_DATABASE_H_
#define DUNMERROW_CONTRACTS_DATABASE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "core/variant.h"

namespace contracts {

inline constexpr int16_t kOpenForwardOnly = 8;
inline constexpr int16_t kLockReadOnly = 4;

class Recordset : public core::Object {
 public:
  // At end of rows (past the last row, or no rows at all).
  virtual bool IsEOF() = 0;
  // Before the first row; with IsEOF true only for an empty result.
  virtual bool IsBOF() = 0;
  virtual void MoveNext() = 0;
  virtual void Close() = 0;
  // The current row's value of the column `name` (an alias or a column name;
  // "table.column" too). Null for an empty column. Raises when the column is
  // missing or there is no current row.
  virtual core::Variant Field(const std::string& name) = 0;
  virtual int FieldCount() = 0;
  virtual std::string FieldName(int index) = 0;
};

// A database and its recordsets are used by one thread at a time.
class Database : public core::Object {
 public:
  // A recordset positioned on its first row, or at end when there is none.
  virtual std::shared_ptr<Recordset> OpenRecordset(const std::string& sql,
                                                   int16_t type = kOpenForwardOnly,
                                                   int16_t options = 0,
                                                   int16_t lock = kLockReadOnly) = 0;
};

class DBEngine : public core::Object {
 public:
  virtual std::shared_ptr<Database> OpenDatabase(const std::string& path, bool exclusive,
                                                 bool read_only,
                                                 const std::string& connect) = 0;
};

// The ProgID under which the host registers its database engine.
inline constexpr char kDBEngineProgId[] = "Dunmerrow.Jet.DBEngine";

}  // namespace contracts

#endif  // DUNMERROW_CONTRACTS_DATABASE_H_
