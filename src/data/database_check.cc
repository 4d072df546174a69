// The data check: one query per table through the database engine, each
// value read as the statements read it, so that "does not read" here means
// the same as in a run.
#include "data/database_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "core/com_error.h"
#include "core/convert.h"
#include "data/general.h"

namespace data {
namespace {

enum class Expect { kDate, kNumber, kText };

struct ColumnRule {
  const char* name;  // as the host's SQL writes it
  const char* shown;
  Expect expect;
  bool required;  // a Null there loses or stops a statement
};

struct TableRule {
  const char* table;
  const char* key;
  std::vector<ColumnRule> columns;
  // Which rows touch the owners of the date; "" leaves the table out then.
  // OWNERS stands for the owner codes of the date's disbursements, DATE for
  // the date.
  const char* date_scope;
};

constexpr char kOwners[] = "OWNERS";
constexpr char kDate[] = "DATE";

// The columns the statements read and what each must hold. Dates of
// tenancies, rent periods and accounts may be empty; the journal's and the
// disbursements' may not, or their lines vanish from the statement.
const std::vector<TableRule>& Rules() {
  static const std::vector<TableRule> rules = {
      {"owner", "code", {{"code", "code", Expect::kText, true}}, "where code in OWNERS"},
      {"disbursement",
       "recordnumber",
       {{"owner", "owner", Expect::kText, true},
        {"date", "date", Expect::kDate, true},
        {"amount", "amount", Expect::kNumber, true},
        {"fees", "fees", Expect::kNumber, true},
        {"tax", "tax", Expect::kNumber, true}},
       "where owner in OWNERS or date = DATE"},
      {"extra_fees",
       "extra_fee_id",
       {{"date", "date", Expect::kDate, true},
        {"value", "value", Expect::kNumber, true},
        {"tax", "tax", Expect::kNumber, true}},
       "where disburse_id in (select recordnumber from disbursement where owner in OWNERS)"},
      {"Revenues",
       "revenue_id",
       {{"Date", "Date", Expect::kDate, true},
        {"Amount", "Amount", Expect::kNumber, true},
        {"tax", "tax", Expect::kNumber, true}},
       "where [property code] in (select code from property where ownercode in OWNERS)"},
      {"Expenses",
       "expense_id",
       {{"Date", "Date", Expect::kDate, true},
        {"Amount", "Amount", Expect::kNumber, true},
        {"tax", "tax", Expect::kNumber, true}},
       "where [property code] in (select code from property where ownercode in OWNERS)"},
      {"tenancy",
       "reference",
       {{"[when ended]", "when ended", Expect::kDate, false}},
       "where [property code] in (select code from property where ownercode in OWNERS)"},
      {"rent_periods",
       "rent_period_id",
       {{"period_from", "period_from", Expect::kDate, false},
        {"period_to", "period_to", Expect::kDate, false}},
       "where tenant_code in (select reference from tenancy where [property code] in "
       "(select code from property where ownercode in OWNERS))"},
      {"glcodes", "glcode_id", {{"BalanceDate", "BalanceDate", Expect::kDate, false}}, ""},
  };
  return rules;
}

// Control characters written as escapes, so that a line of the report
// cannot move the terminal's cursor.
std::string Visible(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7f) {
      out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

// A stored value as the user should see it: texts quoted, Null by name.
std::string Shown(const core::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return "Null";
  if (value.type() == core::VarType::kString) return "'" + Visible(value.AsString()) + "'";
  return core::ToText(value);
}

const char* Expected(Expect expect) {
  return expect == Expect::kDate ? "a date" : expect == Expect::kNumber ? "a number" : "a text";
}

std::string Replaced(std::string text, const std::string& word, const std::string& by) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size())) {
    text.replace(at, word.size(), by);
  }
  return text;
}

std::string Lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

class Checker {
 public:
  Checker(contracts::Database& db, const std::optional<core::Date>& date) : db_(db), date_(date) {
    if (date_) {
      owners_ = "(select owner from disbursement where date = " + General::SQLDate(*date_) + ")";
    }
  }

  std::vector<Problem> Run() {
    for (const TableRule& rule : Rules()) CheckColumns(rule);
    CheckOrphans("disbursement", "recordnumber", "owner", "owner", "owner", "code",
                 date_ ? "date = " + General::SQLDate(*date_) : "");
    if (!date_) {
      CheckOrphans("Revenues", "revenue_id", "[property code]", "property code", "property", "code",
                   "");
      CheckOrphans("Expenses", "expense_id", "[property code]", "property code", "property", "code",
                   "");
    }
    CheckOwnerCodes();
    return std::move(problems_);
  }

 private:
  std::shared_ptr<contracts::Recordset> Open(const std::string& sql) {
    auto rs = db_.OpenRecordset(sql);
    if (!rs) throw core::ComError(3024, "The data check could not run: " + sql);
    return rs;
  }

  // The scope's condition for `rule`; nullopt when the table is not checked.
  std::optional<std::string> Scope(const TableRule& rule) const {
    if (!date_) return std::string();
    if (*rule.date_scope == '\0') return std::nullopt;
    std::string scope = Replaced(rule.date_scope, kOwners, owners_);
    return " " + Replaced(scope, kDate, General::SQLDate(*date_));
  }

  void CheckColumns(const TableRule& rule) {
    const auto scope = Scope(rule);
    if (!scope) return;
    // Each column twice: as itself, read with its declared type as a run
    // reads it, and joined to text, which reads whatever is stored.
    std::string sql = std::string("select ") + rule.key + " as check_key";
    for (size_t i = 0; i < rule.columns.size(); ++i) {
      const std::string n = std::to_string(i);
      sql += std::string(", ") + rule.columns[i].name + " as check_value" + n + ", '' & " +
             rule.columns[i].name + " as check_text" + n;
    }
    sql += std::string(" from ") + rule.table + *scope + " order by " + rule.key;
    for (auto rs = Open(sql); !rs->IsEOF(); rs->MoveNext()) {
      const std::string key = std::string(rule.key) + "=" + Shown(rs->Field("check_key"));
      for (size_t i = 0; i < rule.columns.size(); ++i) {
        const ColumnRule& column = rule.columns[i];
        const std::string n = std::to_string(i);
        core::Variant value;
        try {
          value = rs->Field("check_value" + n);
        } catch (const core::ComError&) {
          Add({Problem::Kind::kUnreadable, rule.table, key, column.shown,
               Shown(rs->Field("check_text" + n)), Expected(column.expect)});
          continue;
        }
        if (value.IsNull() && column.required) {
          Add({Problem::Kind::kMissing, rule.table, key, column.shown, "Null", ""});
        } else if (!value.IsNull() && column.expect == Expect::kNumber && !value.IsNumeric()) {
          Add({Problem::Kind::kUnreadable, rule.table, key, column.shown, Shown(value),
               Expected(column.expect)});
        }
      }
    }
  }

  // Rows of `table` whose `column` names no row of `parent`.
  void CheckOrphans(const char* table, const char* key, const char* column, const char* shown,
                    const char* parent, const char* parent_key, const std::string& condition) {
    std::string sql = std::string("select ") + key + " as check_key, " + column +
                      " as check_value from " + table + " where " + column +
                      " is not null and not exists (select 1 from " + parent + " where " + parent +
                      "." + parent_key + " = " + table + "." + column + ")";
    if (!condition.empty()) sql += " and " + condition;
    sql += std::string(" order by ") + key;
    for (auto rs = Open(sql); !rs->IsEOF(); rs->MoveNext()) {
      Add({Problem::Kind::kOrphan, table, std::string(key) + "=" + Shown(rs->Field("check_key")),
           shown, Shown(rs->Field("check_value")), parent});
    }
  }

  // Codes equal but for letter case give two owner rows for one
  // disbursement, so two statements of it. Within each such group the
  // smallest code (byte order) is taken as the right one.
  void CheckOwnerCodes() {
    std::string sql = "select code from owner where code is not null";
    if (date_) sql += " and code in " + owners_;
    std::map<std::string, std::vector<std::string>> codes_of;  // by code in lower case
    for (auto rs = Open(sql); !rs->IsEOF(); rs->MoveNext()) {
      const std::string code = core::JoinText(rs->Field("code"));
      codes_of[Lowered(code)].push_back(code);
    }
    for (auto& [folded, codes] : codes_of) {
      std::sort(codes.begin(), codes.end());
      for (size_t i = 1; i < codes.size(); ++i) {
        const std::string shown = Shown(core::Variant(codes[i]));
        Add({Problem::Kind::kCaseDuplicate, "owner", "code=" + shown, "code", shown,
             Shown(core::Variant(codes[0]))});
      }
    }
  }

  void Add(Problem problem) { problems_.push_back(std::move(problem)); }

  contracts::Database& db_;
  const std::optional<core::Date> date_;
  std::string owners_;  // the owner codes of the date's disbursements, as a subquery
  std::vector<Problem> problems_;
};

}  // namespace

std::string Problem::Text() const {
  const std::string row = table + " " + key + ": ";
  switch (kind) {
    case Kind::kUnreadable:
      return row + column + " " + value + " is not " + related;
    case Kind::kMissing:
      return row + column + " is Null; a statement needs a value";
    case Kind::kOrphan:
      return row + column + " " + value + " has no row in " + related;
    case Kind::kCaseDuplicate:
      return row + "the same code as " + related + " but for letter case";
  }
  return row + column + " " + value;
}

std::vector<Problem> CheckDatabase(contracts::Database& db, const std::optional<core::Date>& date) {
  return Checker(db, date).Run();
}

std::vector<Problem> ProblemsForDate(const core::Date& date) {
  const auto& db = General::DataDb();
  if (!db) return {};
  return CheckDatabase(*db, date);
}

}  // namespace data
