// The account cache's lookups done the slow way, by walking
// AccountCache::Accounts() from slot 1: the reference its index is tested
// against.
#ifndef DUNMERROW_TESTS_SUPPORT_ACCOUNT_REFERENCE_H_
#define DUNMERROW_TESTS_SUPPORT_ACCOUNT_REFERENCE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "accounts/account_cache.h"

namespace testing_support {

// What AccountCache::GLDescription answers.
inline std::string GLDescriptionByWalk(const std::string& code, int16_t type) {
  const auto& accounts = AccountCache::Accounts();
  for (size_t i = 1; i < accounts.size(); ++i) {
    if (accounts[i].Code == code && accounts[i].AccountType == type) return accounts[i].Description;
  }
  return "";
}

// What AccountCache::ExclusionDecision answers.
inline std::optional<bool> ExclusionDecisionByWalk(bool expense_line, const std::string& code) {
  const int16_t type = expense_line ? AccountCache::kExpenseAccount : AccountCache::kIncomeAccount;
  std::optional<bool> decision;
  const auto& accounts = AccountCache::Accounts();
  for (size_t i = 1; i < accounts.size(); ++i) {
    const GLAccount& a = accounts[i];
    if (a.ExcludeDisburse && a.Code == code && a.AccountType == type) decision = a.PayToOwner;
  }
  return decision;
}

}  // namespace testing_support

#endif  // DUNMERROW_TESTS_SUPPORT_ACCOUNT_REFERENCE_H_
