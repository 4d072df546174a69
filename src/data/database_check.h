// A read-only check of the host's data for rows that make statements
// silently wrong: dates that do not read as dates, empty values a statement
// needs, rows whose owner or property is missing, and owner codes that are
// equal but for letter case. The host's own engine would not hold such
// rows; a database moved through other tools can.
#ifndef DUNMERROW_DATA_DATABASE_CHECK_H_
#define DUNMERROW_DATA_DATABASE_CHECK_H_

#include <optional>
#include <string>
#include <vector>

#include "contracts/database.h"
#include "core/date.h"

namespace data {

struct Problem {
  enum class Kind {
    kUnreadable,     // a date or amount column whose value does not read as one
    kMissing,        // Null where a statement needs a value
    kOrphan,         // a disbursement without its owner, a journal line without its property
    kCaseDuplicate,  // an owner code equal to another's but for letter case
  };
  Kind kind;
  std::string table;   // "disbursement"
  std::string key;     // the row: "recordnumber=12", "code='SMITH'"
  std::string column;  // "date"
  std::string value;   // as stored: 'text', a number, or Null
  // kUnreadable: what the column must hold ("a date", "a number");
  // kOrphan: the table without the row; kCaseDuplicate: the other code.
  std::string related;

  // One line for the user, e.g.
  //   disbursement recordnumber=12: date '2009-02-31 00:00:00' is not a date
  //   Revenues revenue_id=7: Amount is Null; a statement needs a value
  //   disbursement recordnumber=9: owner 'GHOST' has no row in owner
  //   owner code='smith': the same code as 'SMITH' but for letter case
  std::string Text() const;
};

// Every problem in `db`, table by table in key order. With `date`, only what
// touches the owners that have a disbursement on that date: those owner
// rows, their disbursements (all of them, for the statement period) and
// extra fees, the journal lines, tenancies and rent periods of their
// properties, disbursements of the date without an owner row, and owner
// codes equal to theirs but for letter case. Only reads. Raises ComError
// when a query cannot run (a table or column the statements read is
// missing).
std::vector<Problem> CheckDatabase(contracts::Database& db,
                                   const std::optional<core::Date>& date = std::nullopt);

// For the statements run: CheckDatabase of the open database
// (General::DataDb) limited to the owners and disbursements of `date`; empty
// when no database is open. When it is not empty the run prints one warning
// line pointing to `dunmerrow check-database --date D`; the run itself goes
// on as before. Raises ComError as CheckDatabase does.
std::vector<Problem> ProblemsForDate(const core::Date& date);

}  // namespace data

#endif  // DUNMERROW_DATA_DATABASE_CHECK_H_
