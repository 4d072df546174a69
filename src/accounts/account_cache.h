// The account cache: the general-ledger accounts of `glcodes` (all but type
// 300), loaded once per report run and read by the transactions section and
// the rent arrears engine. One cache per thread. Slot 0 holds an empty record
// and is never matched; accounts occupy slots 1..N in gl_code order.
#ifndef DUNMERROW_ACCOUNTS_ACCOUNT_CACHE_H_
#define DUNMERROW_ACCOUNTS_ACCOUNT_CACHE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/date.h"

struct GLAccount {
  std::string Code;
  std::string Description;
  bool Taxable = false;
  int16_t AccountType = 0;
  double BankBalance = 0;
  core::Date BalanceDate;
  bool ExcludeCashflow = false;
  bool ExcludePL = false;
  bool ExcludeDisburse = false;
  bool PayToOwner = false;
  bool PayExtraCharges = false;
};

namespace AccountCache {

inline constexpr int16_t kIncomeAccount = 1;
inline constexpr int16_t kExpenseAccount = 2;
inline constexpr int kMaxAccounts = 32767;

// The calling thread's cache; empty (no slot 0 either) until the first load.
std::vector<GLAccount>& Accounts();
bool Loaded();

// Rebuilds the cache from `glcodes`. A query that cannot be opened leaves
// slot 0 only, silently. Any other failure (a missing column, a Null in a
// converted column, a 32,768th account) shows "Cache Accounts" with the
// failure's number and description and keeps what was loaded, the failing
// record filled up to the failing column.
void CacheAccounts();

// The Description of the first cached account whose Code is `code` exactly
// (case, spaces and accents count) and whose type is `type`; "" for none.
// Raises 9 "Subscript out of range" before any load on the thread.
std::string GLDescription(const std::string& code, int16_t type);

// The decision of the last excluded account that a journal line matches:
// nullopt when it matches none (the line prints), else that account's
// PayToOwner (true: the line prints). Expense lines match type-2 accounts by
// their debit account, income lines type-1 accounts by their credit account.
std::optional<bool> ExclusionDecision(bool expense_line, const std::string& account_code);

// Rebuilds the lookup index from Accounts(); CacheAccounts calls it, tests
// that fill Accounts() by hand call it too.
void RebuildIndex();

}  // namespace AccountCache

#endif  // DUNMERROW_ACCOUNTS_ACCOUNT_CACHE_H_
