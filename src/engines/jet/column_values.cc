// Reading SQLite values with the types of the host's storage conventions.
#include "engines/jet/column_values.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "core/com_error.h"
#include "core/currency.h"
#include "core/date.h"
#include "engines/jet/sql_translator.h"

namespace jet {
namespace {

std::string FirstWordUpper(const char* declared_type) {
  std::string word;
  for (const char* p = declared_type;
       *p && !std::isspace(static_cast<unsigned char>(*p)) && *p != '('; ++p)
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  return word;
}

[[noreturn]] void BadValue(const std::string& column, const std::string& what) {
  throw core::ComError(core::kErrTypeMismatch, "Column '" + column + "' holds " + what, kJetSource);
}

std::string ColumnText(sqlite3_stmt* stmt, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
  return std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt, index)));
}

// `type` is the column's storage class, read before any conversion.
core::Variant ReadByStorage(sqlite3_stmt* stmt, int index, int type) {
  switch (type) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(stmt, index);
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return core::Variant(static_cast<int32_t>(v));
      return core::Variant(static_cast<double>(v));
    }
    case SQLITE_FLOAT:
      return core::Variant(sqlite3_column_double(stmt, index));
    default:
      return core::Variant(ColumnText(stmt, index));
  }
}

core::Variant ReadDate(sqlite3_stmt* stmt, int index, int type, const std::string& column) {
  if (type != SQLITE_TEXT) {
    // A number in a date column is a serial date, as the host counts them.
    const double serial = sqlite3_column_double(stmt, index);
    try {
      return core::Variant(core::Date::FromSerial(serial));
    } catch (const core::ComError&) {
      BadValue(column, "a number that is not a date");
    }
  }
  const std::string text = ColumnText(stmt, index);
  if (const auto date = core::Date::ParseIso(text)) return core::Variant(*date);
  BadValue(column, "'" + text + "', which is not a date");
}

template <typename Int>
core::Variant ReadWhole(sqlite3_stmt* stmt, int index, const std::string& column) {
  if (sqlite3_column_type(stmt, index) == SQLITE_TEXT) {
    BadValue(column, "'" + ColumnText(stmt, index) + "', which is not a number");
  }
  const double d = sqlite3_column_double(stmt, index);
  const double rounded = std::nearbyint(d);  // half to even, as the host converts
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
    throw core::ComError(core::kErrOverflow, "Overflow in column '" + column + "'", kJetSource);
  if (sqlite3_column_type(stmt, index) == SQLITE_INTEGER)
    return core::Variant(static_cast<Int>(sqlite3_column_int64(stmt, index)));
  return core::Variant(static_cast<Int>(rounded));
}

}  // namespace

ColumnKind KindOfDeclaredType(const char* declared_type) {
  if (declared_type == nullptr) return ColumnKind::kByStorage;
  const std::string word = FirstWordUpper(declared_type);
  if (word == "TEXT" || word == "MEMO" || word == "VARCHAR" || word == "CHAR" ||
      word == "LONGTEXT" || word == "CLOB")
    return ColumnKind::kText;
  if (word == "DATETIME" || word == "DATE" || word == "TIMESTAMP") return ColumnKind::kDate;
  if (word == "YESNO" || word == "BOOLEAN" || word == "BIT") return ColumnKind::kBoolean;
  if (word == "CURRENCY" || word == "MONEY") return ColumnKind::kCurrency;
  if (word == "SMALLINT" || word == "BYTE" || word == "TINYINT") return ColumnKind::kInteger;
  if (word == "INTEGER" || word == "INT" || word == "LONG") return ColumnKind::kLong;
  if (word == "DOUBLE" || word == "REAL" || word == "FLOAT" || word == "SINGLE")
    return ColumnKind::kDouble;
  return ColumnKind::kByStorage;
}

core::Variant ReadColumn(sqlite3_stmt* stmt, int index, ColumnKind kind,
                         const std::string& column) {
  // The storage class is asked once: every use of it below comes before any
  // conversion of the value, and each asking takes the connection's mutex.
  const int type = sqlite3_column_type(stmt, index);
  if (type == SQLITE_NULL) return core::Variant::Null();
  switch (kind) {
    case ColumnKind::kByStorage:
      return ReadByStorage(stmt, index, type);
    case ColumnKind::kText:
      return core::Variant(ColumnText(stmt, index));
    case ColumnKind::kDate:
      return ReadDate(stmt, index, type, column);
    case ColumnKind::kBoolean:
      if (type == SQLITE_TEXT)
        BadValue(column, "'" + ColumnText(stmt, index) + "', which is not a yes/no value");
      return core::Variant(sqlite3_column_double(stmt, index) != 0);
    case ColumnKind::kCurrency:
      try {
        if (type == SQLITE_TEXT)
          return core::Variant(core::Currency::Parse(ColumnText(stmt, index)));
        if (type == SQLITE_INTEGER)
          return core::Variant(core::Currency::FromUnits(sqlite3_column_int64(stmt, index)));
        return core::Variant(core::Currency::FromDouble(sqlite3_column_double(stmt, index)));
      } catch (const core::ComError& e) {
        BadValue(column, "an amount that is not currency (" + e.description() + ")");
      }
    case ColumnKind::kInteger:
      return ReadWhole<int16_t>(stmt, index, column);
    case ColumnKind::kLong:
      return ReadWhole<int32_t>(stmt, index, column);
    case ColumnKind::kDouble:
      if (type == SQLITE_TEXT)
        BadValue(column, "'" + ColumnText(stmt, index) + "', which is not a number");
      return core::Variant(sqlite3_column_double(stmt, index));
  }
  return ReadByStorage(stmt, index, type);
}

}  // namespace jet
