// The report's building blocks through the C interface: clsReport's public
// operations with the checks and conversions of the interface, and the
// journal as a forward-only cursor. Every entry point catches everything.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "accounts/account_cache.h"
#include "app/c_api_internal.h"
#include "app/statement_session.h"
#include "component/cls_report.h"
#include "core/convert.h"
#include "core/date.h"
#include "data/general.h"
#include "dunmerrow/dunmerrow.h"
#include "platform/regional.h"

// One journal cursor: its recordset, its columns, and its thread.
struct dunmerrow_rows {
  std::thread::id thread;
  General::RecordsetPtr recordset;
  std::vector<std::string> names;
  bool started = false;  // dunmerrow_rows_next has been called
};

namespace {

using capi::Check;
using capi::CopyOut;
using capi::Fail;
using capi::Guard;
using capi::NullArgument;
using capi::Succeed;

struct LiveRows {
  std::mutex mutex;
  std::unordered_set<const dunmerrow_rows*> rows;
};

LiveRows& Live() {
  static LiveRows live;
  return live;
}

std::string In(const char* function, const std::string& what) {
  return std::string(function) + ": " + what;
}

// 0 when `text` is a text argument the component can take; otherwise the
// failure, recorded.
int CheckText(const char* function, const char* argument, const char* text) {
  if (!text) return NullArgument(function, argument);
  if (const auto bad = platform::FirstInvalidUtf8(text)) {
    return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                In(function, std::string(argument) + " is not valid UTF-8 (at byte " +
                                 std::to_string(*bad) + ")"));
  }
  return DUNMERROW_OK;
}

// Runs `body` with the database open as a run opens it; `body` is told
// whether it was opened afresh. A failure it raises is the call's, named
// after `function`; so is a message shown meanwhile, which is how the data
// layer reports what it could not read.
template <typename Body>
int WithData(const char* function, Body&& body) {
  capi::MessageWatch watch;
  try {
    const bool opened = app::OpenDatabaseForHost();
    if (int error = body(opened)) return error;
  } catch (const core::ComError& e) {
    if (watch.shown()) return Fail(DUNMERROW_E_DATA, In(function, watch.first()));
    return Fail(e.number(), In(function, e.description()));
  }
  if (watch.shown()) return Fail(DUNMERROW_E_DATA, In(function, watch.first()));
  return DUNMERROW_OK;
}

// Whether `table` has a row whose `column` is `value` (compared as the
// database compares codes).
bool Exists(const std::string& table, const std::string& column, const std::string& value) {
  const std::string count = General::LookupValue(
      "count(*)", table, "where " + column + " = " + General::SQLText(value), "0");
  return count != "0" && !count.empty();
}

int NotFound(const char* function, const std::string& what) {
  return Fail(DUNMERROW_E_NOT_FOUND, In(function, what));
}

General::RecordsetPtr OptionSet() {
  General::RecordsetPtr options;
  std::string sql = "select * from options";
  General::DataCreateSet(options, sql);
  return options;
}

// 0 when `report` has the engine object of a run to print on.
int CheckEngine(dunmerrow_report* report, const char* function) {
  if (report->session->engine()) return DUNMERROW_OK;
  return Fail(DUNMERROW_E_NO_OBJECT,
              In(function,
                 "no report has run on this object yet, so there is no report to "
                 "print on (call dunmerrow_report_print first)"));
}

int CheckDate(const char* function, const char* argument, const dunmerrow_date& date,
              core::Date& out) {
  try {
    out = core::Date::FromCivil(date.year, date.month, date.day);
    return DUNMERROW_OK;
  } catch (const core::ComError&) {
    return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                In(function, std::string(argument) + " " + std::to_string(date.year) + "-" +
                                 std::to_string(date.month) + "-" + std::to_string(date.day) +
                                 " is not a date (years 100 to 9999)"));
  }
}

// A tenant operation: the report and the tenant checked, the database open,
// the tenant known; `compute` gets the options recordset.
template <typename Compute>
int TenantOperation(dunmerrow_report* report, const char* function, const char* tenant,
                    const void* out, const char* out_name, Compute&& compute) {
  if (int error = Check(report, function)) return error;
  if (int error = CheckText(function, "tenant", tenant)) return error;
  if (!out) return NullArgument(function, out_name);
  return WithData(function, [&](bool) {
    if (!Exists("tenancy", "reference", tenant)) {
      return NotFound(function, std::string("no tenant '") + tenant + "' in the table tenancy");
    }
    compute(OptionSet());
    return DUNMERROW_OK;
  });
}

int CheckOwner(const char* function, const char* owner) {
  if (Exists("owner", "code", owner)) return DUNMERROW_OK;
  return NotFound(function, std::string("no owner '") + owner + "' in the table owner");
}

// ---- The cursor ----

int CheckRows(const dunmerrow_rows* rows, const char* function) {
  if (!rows) return NullArgument(function, "rows");
  std::lock_guard lock(Live().mutex);
  if (!Live().rows.contains(rows)) {
    return Fail(DUNMERROW_E_NO_OBJECT,
                In(function, "not a live journal cursor (closed already, or never opened)"));
  }
  if (rows->thread != std::this_thread::get_id()) {
    return Fail(DUNMERROW_E_WRONG_THREAD, In(function, "the cursor belongs to another thread"));
  }
  return DUNMERROW_OK;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

int ColumnOf(const dunmerrow_rows& rows, const char* function, const char* name, int& index) {
  if (int error = CheckText(function, "name", name)) return error;
  const std::string wanted = Lower(name);
  for (size_t i = 0; i < rows.names.size(); ++i) {
    if (Lower(rows.names[i]) == wanted) {
      index = static_cast<int>(i);
      return DUNMERROW_OK;
    }
  }
  std::string columns;
  for (const std::string& column : rows.names) columns += (columns.empty() ? "" : ", ") + column;
  return NotFound(function,
                  std::string("no column '") + name + "' (the columns are " + columns + ")");
}

// Reads the current row's column `index` and hands it to `store` as
// (value, is_null), after every check: the column, the row, a Null that the
// caller does not accept. A conversion failure names the column.
template <typename Store>
int ReadColumn(dunmerrow_rows* rows, const char* function, int index, const void* out, int* is_null,
               Store&& store) {
  if (int error = CheckRows(rows, function)) return error;
  if (!out) return NullArgument(function, "the value's pointer");
  const int count = static_cast<int>(rows->names.size());
  if (index < 0 || index >= count) {
    return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                In(function, "index " + std::to_string(index) + " is not one of the " +
                                 std::to_string(count) + " columns (0 to " +
                                 std::to_string(count - 1) + ")"));
  }
  const std::string& column = rows->names[static_cast<size_t>(index)];
  try {
    if (!rows->started || rows->recordset->IsEOF()) {
      return Fail(DUNMERROW_E_NO_CURRENT_ROW,
                  In(function, rows->started ? "the cursor is past its last row"
                                             : "the cursor is before its first row (call "
                                               "dunmerrow_rows_next first)"));
    }
    const core::Variant value = rows->recordset->Field(column);
    if (value.IsNull() && !is_null) {
      return Fail(DUNMERROW_E_NULL_VALUE,
                  In(function, "column '" + column + "' is Null (pass is_null to accept it)"));
    }
    store(value, value.IsNull());
    if (is_null) *is_null = value.IsNull() ? 1 : 0;
  } catch (const core::ComError& e) {
    return Fail(e.number(), In(function, "column '" + column + "': " + e.description()));
  }
  return Succeed();
}

// The same by column name.
template <typename Store>
int ReadNamedColumn(dunmerrow_rows* rows, const char* function, const char* name, const void* out,
                    int* is_null, Store&& store) {
  if (int error = CheckRows(rows, function)) return error;
  if (!out) return NullArgument(function, "the value's pointer");
  int index = 0;
  if (int error = ColumnOf(*rows, function, name, index)) return error;
  return ReadColumn(rows, function, index, out, is_null, std::forward<Store>(store));
}

// The stores of the four kinds of value: each converts first, then stores,
// so that a value that does not convert leaves the caller's variables as
// they were.
auto TextStore(char** text) {
  return [=](const core::Variant& value, bool null) {
    *text = null ? nullptr : CopyOut(core::ToText(value));
  };
}

auto CurrencyStore(int64_t* amount) {
  return [=](const core::Variant& value, bool null) {
    *amount = null ? 0 : core::ToCurrency(value).raw();
  };
}

auto DateStore(dunmerrow_date* date, int* seconds) {
  return [=](const core::Variant& value, bool null) {
    dunmerrow_date day{0, 0, 0};
    int time = 0;
    if (!null) {
      const core::Date d = core::ToDate(value);
      const core::CivilTime civil = d.ToCivil();
      day = {civil.year, civil.month, civil.day};
      time = d.SecondsOfDay();
    }
    *date = day;
    if (seconds) *seconds = time;
  };
}

auto BooleanStore(int* flag) {
  return [=](const core::Variant& value, bool null) {
    *flag = !null && core::ToBoolean(value) ? 1 : 0;
  };
}

}  // namespace

extern "C" {

int dunmerrow_report_logo_filename(dunmerrow_report* report, char** path) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_logo_filename";
    if (int error = Check(report, kFunction)) return error;
    if (!path) return NullArgument(kFunction, "path");
    *path = CopyOut(report->session->component().ReportLogoFilename());
    return Succeed();
  });
}

int dunmerrow_report_number_format(dunmerrow_report* report, char** format) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_number_format";
    if (int error = Check(report, kFunction)) return error;
    if (!format) return NullArgument(kFunction, "format");
    *format = CopyOut(report->session->component().NumberFormatWithComma());
    return Succeed();
  });
}

int dunmerrow_report_frequency_description(dunmerrow_report* report, int16_t number,
                                           const char* every, char** text) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_frequency_description";
    if (int error = Check(report, kFunction)) return error;
    if (int error = CheckText(kFunction, "every", every)) return error;
    if (!text) return NullArgument(kFunction, "text");
    *text = CopyOut(report->session->component().FrequencyDescription(number, every));
    return Succeed();
  });
}

int dunmerrow_report_cache_accounts(dunmerrow_report* report) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_cache_accounts";
    if (int error = Check(report, kFunction)) return error;
    if (int error = WithData(kFunction, [&](bool) {
          report->session->component().CacheAccounts();
          return DUNMERROW_OK;
        })) {
      return error;
    }
    return Succeed();
  });
}

int dunmerrow_report_gl_description(dunmerrow_report* report, const char* code, int16_t type,
                                    char** description) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_gl_description";
    if (int error = Check(report, kFunction)) return error;
    if (int error = CheckText(kFunction, "code", code)) return error;
    if (!description) return NullArgument(kFunction, "description");
    clsReport& component = report->session->component();
    std::string name;
    if (int error = WithData(kFunction, [&](bool opened) {
          // The cache belongs to the database it was loaded from.
          if (opened || !AccountCache::Loaded()) component.CacheAccounts();
          const auto& accounts = AccountCache::Accounts();
          bool known = false;
          for (size_t i = 1; i < accounts.size() && !known; ++i) {
            known = accounts[i].Code == code && accounts[i].AccountType == type;
          }
          if (!known) {
            return NotFound(kFunction, std::string("no account '") + code + "' of type " +
                                           std::to_string(type) + " in the table glcodes");
          }
          name = component.GLDescription(code, type);
          return DUNMERROW_OK;
        })) {
      return error;
    }
    *description = CopyOut(name);
    return Succeed();
  });
}

int dunmerrow_report_balance_owing(dunmerrow_report* report, const char* tenant, int64_t* amount) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_balance_owing";
    core::Currency balance;
    if (int error =
            TenantOperation(report, kFunction, tenant, amount, "amount", [&](const auto& options) {
              balance = report->session->component().BalanceOwing(tenant, options);
            })) {
      return error;
    }
    *amount = balance.raw();
    return Succeed();
  });
}

int dunmerrow_report_paid_to_date(dunmerrow_report* report, const char* tenant,
                                  dunmerrow_date* date) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_paid_to_date";
    core::Date paid_to;
    if (int error =
            TenantOperation(report, kFunction, tenant, date, "date", [&](const auto& options) {
              paid_to = report->session->component().PaidToDate(tenant, options);
            })) {
      return error;
    }
    const core::CivilTime civil = paid_to.ToCivil();
    *date = {civil.year, civil.month, civil.day};
    return Succeed();
  });
}

int dunmerrow_report_print_memo_field(dunmerrow_report* report, const char* memo,
                                      const char* section, const char* field) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_print_memo_field";
    if (int error = Check(report, kFunction)) return error;
    if (int error = CheckText(kFunction, "memo", memo)) return error;
    if (int error = CheckText(kFunction, "section", section)) return error;
    if (int error = CheckText(kFunction, "field", field)) return error;
    if (int error = CheckEngine(report, kFunction)) return error;
    try {
      report->session->component().PrintMemoField(memo, section, field);
    } catch (const core::ComError& e) {
      return Fail(e.number(), In(kFunction, e.description()));
    }
    return Succeed();
  });
}

int dunmerrow_report_get_company_name(dunmerrow_report* report) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_get_company_name";
    if (int error = Check(report, kFunction)) return error;
    if (int error = CheckEngine(report, kFunction)) return error;
    clsReport& component = report->session->component();
    if (int error = WithData(kFunction, [&](bool) {
          component.GetCompanyName(component.report());
          return DUNMERROW_OK;
        })) {
      return error;
    }
    return Succeed();
  });
}

int dunmerrow_report_print_owner_property_list(dunmerrow_report* report, const char* owner) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_print_owner_property_list";
    if (int error = Check(report, kFunction)) return error;
    if (int error = CheckText(kFunction, "owner", owner)) return error;
    if (int error = CheckEngine(report, kFunction)) return error;
    if (int error = WithData(kFunction, [&](bool) {
          if (int missing = CheckOwner(kFunction, owner)) return missing;
          report->session->component().PrintOwnerPropertyList(owner, OptionSet());
          return DUNMERROW_OK;
        })) {
      return error;
    }
    return Succeed();
  });
}

int dunmerrow_report_journal_open(dunmerrow_report* report, const char* owner, dunmerrow_date from,
                                  dunmerrow_date to, dunmerrow_rows** rows) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_journal_open";
    if (int error = Check(report, kFunction)) return error;
    if (int error = CheckText(kFunction, "owner", owner)) return error;
    if (!rows) return NullArgument(kFunction, "rows");
    core::Date date_from, date_to;
    if (int error = CheckDate(kFunction, "from", from, date_from)) return error;
    if (int error = CheckDate(kFunction, "to", to, date_to)) return error;
    auto cursor = std::make_unique<dunmerrow_rows>();
    cursor->thread = std::this_thread::get_id();
    if (int error = WithData(kFunction, [&](bool) {
          if (int missing = CheckOwner(kFunction, owner)) return missing;
          cursor->recordset = report->session->component().GetJournals(owner, date_from, date_to);
          if (!cursor->recordset) {
            return Fail(DUNMERROW_E_DATA, In(kFunction, "the journal query could not be opened"));
          }
          for (int i = 0, n = cursor->recordset->FieldCount(); i < n; ++i) {
            cursor->names.push_back(cursor->recordset->FieldName(i));
          }
          return DUNMERROW_OK;
        })) {
      return error;
    }
    std::lock_guard lock(Live().mutex);
    Live().rows.insert(cursor.get());
    *rows = cursor.release();
    return Succeed();
  });
}

int dunmerrow_rows_next(dunmerrow_rows* rows, int* has_row) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_rows_next";
    if (int error = CheckRows(rows, kFunction)) return error;
    if (!has_row) return NullArgument(kFunction, "has_row");
    try {
      // The recordset opens on its first row: the first call only starts.
      if (rows->started && !rows->recordset->IsEOF()) rows->recordset->MoveNext();
      rows->started = true;
      *has_row = rows->recordset->IsEOF() ? 0 : 1;
    } catch (const core::ComError& e) {
      return Fail(e.number(), In(kFunction, e.description()));
    }
    return Succeed();
  });
}

int dunmerrow_rows_column_count(dunmerrow_rows* rows, int* count) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_rows_column_count";
    if (int error = CheckRows(rows, kFunction)) return error;
    if (!count) return NullArgument(kFunction, "count");
    *count = static_cast<int>(rows->names.size());
    return Succeed();
  });
}

int dunmerrow_rows_column_name(dunmerrow_rows* rows, int index, char** name) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_rows_column_name";
    if (int error = CheckRows(rows, kFunction)) return error;
    if (!name) return NullArgument(kFunction, "name");
    if (index < 0 || static_cast<size_t>(index) >= rows->names.size()) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                  In(kFunction, "index " + std::to_string(index) + " is not one of the " +
                                    std::to_string(rows->names.size()) + " columns"));
    }
    *name = CopyOut(rows->names[static_cast<size_t>(index)]);
    return Succeed();
  });
}

int dunmerrow_rows_text(dunmerrow_rows* rows, int index, char** text, int* is_null) {
  return Guard([&] {
    return ReadColumn(rows, "dunmerrow_rows_text", index, text, is_null, TextStore(text));
  });
}

int dunmerrow_rows_currency(dunmerrow_rows* rows, int index, int64_t* amount, int* is_null) {
  return Guard([&] {
    return ReadColumn(rows, "dunmerrow_rows_currency", index, amount, is_null,
                      CurrencyStore(amount));
  });
}

int dunmerrow_rows_date(dunmerrow_rows* rows, int index, dunmerrow_date* date, int* seconds,
                        int* is_null) {
  return Guard([&] {
    return ReadColumn(rows, "dunmerrow_rows_date", index, date, is_null, DateStore(date, seconds));
  });
}

int dunmerrow_rows_boolean(dunmerrow_rows* rows, int index, int* value, int* is_null) {
  return Guard([&] {
    return ReadColumn(rows, "dunmerrow_rows_boolean", index, value, is_null, BooleanStore(value));
  });
}

int dunmerrow_rows_text_by_name(dunmerrow_rows* rows, const char* name, char** text, int* is_null) {
  return Guard([&] {
    return ReadNamedColumn(rows, "dunmerrow_rows_text_by_name", name, text, is_null,
                           TextStore(text));
  });
}

int dunmerrow_rows_currency_by_name(dunmerrow_rows* rows, const char* name, int64_t* amount,
                                    int* is_null) {
  return Guard([&] {
    return ReadNamedColumn(rows, "dunmerrow_rows_currency_by_name", name, amount, is_null,
                           CurrencyStore(amount));
  });
}

int dunmerrow_rows_date_by_name(dunmerrow_rows* rows, const char* name, dunmerrow_date* date,
                                int* seconds, int* is_null) {
  return Guard([&] {
    return ReadNamedColumn(rows, "dunmerrow_rows_date_by_name", name, date, is_null,
                           DateStore(date, seconds));
  });
}

int dunmerrow_rows_boolean_by_name(dunmerrow_rows* rows, const char* name, int* value,
                                   int* is_null) {
  return Guard([&] {
    return ReadNamedColumn(rows, "dunmerrow_rows_boolean_by_name", name, value, is_null,
                           BooleanStore(value));
  });
}

int dunmerrow_rows_close(dunmerrow_rows* rows) {
  return Guard([&] {
    if (!rows) return Succeed();
    if (int error = CheckRows(rows, "dunmerrow_rows_close")) return error;
    {
      std::lock_guard lock(Live().mutex);
      Live().rows.erase(rows);
    }
    delete rows;  // its recordset closes with it
    return Succeed();
  });
}

}  // extern "C"
