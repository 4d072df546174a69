// The linear walks over the account cache.
#include "account_reference.h"

#include "accounts/account_cache.h"

namespace testing_support {

std::string GLDescriptionByWalk(const std::string& code, int16_t type) {
  const auto& accounts = AccountCache::Accounts();
  for (size_t i = 1; i < accounts.size(); ++i) {
    if (accounts[i].Code == code && accounts[i].AccountType == type) return accounts[i].Description;
  }
  return "";
}

std::optional<bool> ExclusionDecisionByWalk(bool expense_line, const std::string& account_code) {
  std::optional<bool> decision;
  const auto& accounts = AccountCache::Accounts();
  for (size_t i = 1; i < accounts.size(); ++i) {
    const GLAccount& a = accounts[i];
    if (!a.ExcludeDisburse || a.Code != account_code) continue;
    const int16_t type = expense_line ? AccountCache::kExpenseAccount : AccountCache::kIncomeAccount;
    if (a.AccountType == type) decision = a.PayToOwner;
  }
  return decision;
}

}  // namespace testing_support
