// Data access for the whole component (the General module): opening the
// database through the host's settings, read-only forward-only recordsets,
// SQL text helpers, and the reporting of data-access failures to the user and
// to the monthly error log. The recordset operations never raise: each
// reports its own failure and returns a fixed answer. State is per thread.
#ifndef DUNMERROW_DATA_GENERAL_H_
#define DUNMERROW_DATA_GENERAL_H_

#include <cstdint>
#include <memory>
#include <string>

#include "contracts/database.h"
#include "core/com_error.h"
#include "core/date.h"
#include "core/variant.h"

namespace General {

using RecordsetPtr = std::shared_ptr<contracts::Recordset>;

// Module state of the calling thread.
std::string& AppFolder();
std::string& DbStatus();
std::shared_ptr<contracts::Database>& DataDb();

// Finds and opens the host's database through the settings "apppath",
// "Networkable" and "DatabaseLocation"; true on success. On failure the user
// sees the failure and then DbStatus, the error log has an entry, and DataDb
// keeps what it held.
bool StartADO();

// Rewrites `sql` with FixSQL (the caller's text takes the rewritten form) and
// opens it on DataDb. On failure: "Data Create Set" is reported and `rs`
// keeps what it held.
void DataCreateSet(RecordsetPtr& rs, std::string& sql, int16_t type = contracts::kOpenForwardOnly,
                   int16_t lock = contracts::kLockReadOnly);
// True for an absent recordset, or one with no rows.
bool DataIsEmpty(const RecordsetPtr& rs);
// True for an absent recordset, one past its last row, and on a failure
// (which is reported), so that a `while (!DataEOF(rs))` loop always ends.
bool DataEOF(const RecordsetPtr& rs);
void DataMoveNext(const RecordsetPtr& rs);
// Closes a present recordset and makes `rs` absent.
void DataClose(RecordsetPtr& rs);

// "#MM/DD/YYYY#": the date literal of the host's SQL dialect.
std::string SQLDate(const core::Date& d);
// `code` between apostrophes with every apostrophe doubled: the one way a
// code enters a query text.
std::string SQLText(const std::string& code);
// "select EXPR as result from TABLE CONDITION": the first row's "result" as
// text ("" for Null), or `default_value` when there is no row.
std::string LookupValue(const std::string& expression, const std::string& table,
                        const std::string& condition, const std::string& default_value);
core::Variant IfNull(const core::Variant& value, const core::Variant& default_value);
// Turns the words true/false outside quoted literals into -1/0 and doubles
// stray apostrophes inside literals. `sql` takes the result, which is also
// returned.
std::string FixSQL(std::string& sql);

// Shows `failure` (number and description) in a message box titled `label`
// and appends it to the error log.
void DataError(const std::string& label, const core::ComError& failure);
// Appends "DD/MM/YY hh:nn:ss message" to AppFolder/errMMMYY.log; failures to
// write are ignored.
void LogError(const std::string& message);

}  // namespace General

#endif  // DUNMERROW_DATA_GENERAL_H_
