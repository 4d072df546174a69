// The account cache's lookups done the slow way, by walking the cache: the
// reference its index is tested against.
#ifndef DUNMERROW_TESTS_SUPPORT_ACCOUNT_REFERENCE_H_
#define DUNMERROW_TESTS_SUPPORT_ACCOUNT_REFERENCE_H_

#include <cstdint>
#include <optional>
#include <string>

namespace testing_support {

// What AccountCache::GLDescription and AccountCache::ExclusionDecision
// answer, found by walking AccountCache::Accounts() from slot 1.
std::string GLDescriptionByWalk(const std::string& code, int16_t type);
std::optional<bool> ExclusionDecisionByWalk(bool expense_line, const std::string& account_code);

}  // namespace testing_support

#endif  // DUNMERROW_TESTS_SUPPORT_ACCOUNT_REFERENCE_H_
