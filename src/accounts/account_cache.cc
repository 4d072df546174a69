// The per-thread account cache and its constant-time lookups.
#include "accounts/account_cache.h"

#include "core/com_error.h"
#include "core/convert.h"
#include "data/general.h"
#include "platform/message_box.h"

namespace AccountCache {
namespace {

struct Cache {
  bool loaded = false;
  std::vector<GLAccount> accounts;
  // By type, then exact code: the first account's description. By exact
  // code, for income and expense accounts: the PayToOwner of the last
  // excluded account.
  std::unordered_map<int16_t, std::unordered_map<std::string, std::string>> first_description;
  std::unordered_map<std::string, bool> last_income_exclusion;
  std::unordered_map<std::string, bool> last_expense_exclusion;
};

thread_local Cache t_cache;

void FillRecord(const General::RecordsetPtr& rs, GLAccount& a) {
  a.Code = core::JoinText(rs->Field("gl_code"));
  a.Description = core::JoinText(rs->Field("description"));
  a.Taxable = core::ToBoolean(rs->Field("taxable_yn"));
  a.AccountType = core::ToInteger(rs->Field("type"));
  a.BankBalance = core::ToDouble(rs->Field("BankBalance"));
  a.BalanceDate = core::ToDate(rs->Field("BalanceDate"));
  a.ExcludeCashflow = core::ToBoolean(rs->Field("exclude_cashflow"));
  a.ExcludePL = core::ToBoolean(rs->Field("exclude_pl"));
  a.ExcludeDisburse = core::ToBoolean(rs->Field("exclude_disburse"));
  a.PayToOwner = core::ToBoolean(rs->Field("pay_to_owner"));
  a.PayExtraCharges = core::ToBoolean(rs->Field("pay_extra_charges"));
}

}  // namespace

std::vector<GLAccount>& Accounts() { return t_cache.accounts; }

bool Loaded() { return t_cache.loaded; }

void CacheAccounts() {
  Cache& c = t_cache;
  c.accounts.assign(1, GLAccount{});
  c.loaded = true;
  General::RecordsetPtr rs;
  std::string sql = "select * from glcodes where type <> 300 order by gl_code";
  General::DataCreateSet(rs, sql);
  try {
    while (!General::DataEOF(rs)) {
      if (c.accounts.size() > static_cast<size_t>(kMaxAccounts)) core::RaiseOverflow();
      c.accounts.emplace_back();
      FillRecord(rs, c.accounts.back());
      General::DataMoveNext(rs);
    }
    General::DataClose(rs);
  } catch (const core::ComError& e) {
    platform::MsgBox(std::to_string(e.number()) + " - " + e.description(), "Cache Accounts");
  }
  RebuildIndex();
}

void RebuildIndex() {
  Cache& c = t_cache;
  if (c.accounts.empty()) c.accounts.emplace_back();  // slot 0 is always there
  c.loaded = true;
  c.first_description.clear();
  c.last_income_exclusion.clear();
  c.last_expense_exclusion.clear();
  for (size_t i = 1; i < c.accounts.size(); ++i) {
    const GLAccount& a = c.accounts[i];
    c.first_description[a.AccountType].emplace(a.Code, a.Description);
    if (!a.ExcludeDisburse) continue;
    if (a.AccountType == kIncomeAccount) c.last_income_exclusion[a.Code] = a.PayToOwner;
    if (a.AccountType == kExpenseAccount) c.last_expense_exclusion[a.Code] = a.PayToOwner;
  }
}

std::string GLDescription(const std::string& code, int16_t type) {
  if (!t_cache.loaded) throw core::ComError(core::kErrSubscript, "Subscript out of range: the account cache is not loaded");
  auto by_type = t_cache.first_description.find(type);
  if (by_type == t_cache.first_description.end()) return "";
  auto it = by_type->second.find(code);
  return it == by_type->second.end() ? "" : it->second;
}

std::optional<bool> ExclusionDecision(bool expense_line, const std::string& account_code) {
  const auto& exclusions =
      expense_line ? t_cache.last_expense_exclusion : t_cache.last_income_exclusion;
  auto it = exclusions.find(account_code);
  if (it == exclusions.end()) return std::nullopt;
  return it->second;
}

}  // namespace AccountCache
