// The account cache: loading from glcodes (and its partial load on a bad
// row), exact lookups, and the index against the linear walks it replaces.
#include "accounts/account_cache.h"

#include <gtest/gtest.h>

#include <random>

#include "account_reference.h"
#include "data/general.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "test_support.h"

namespace {

class AccountCacheTest : public ::testing::Test {
 protected:
  void SetUp() override { jet::CreateHostDatabase(path_); }
  void TearDown() override { General::DataDb().reset(); }
  // Loads the cache after `sql` ("insert into glcodes" and what follows).
  void Load(const std::string& sql) {
    if (!sql.empty()) jet::ExecuteSql(path_, "insert into glcodes " + sql);
    General::DataDb() = jet::CreateDBEngine()->OpenDatabase(path_, false, false, "");
    AccountCache::CacheAccounts();
  }

  testing_support::ScratchFolder folder_;
  const std::string path_ = folder_.File("host.sqlite");
  testing_support::MessageCapture shown_;
};

TEST_F(AccountCacheTest, LookupsAreExactAndTheFirstInCodeOrderWins) {
  Load("(gl_code, description, type) values ('RENT', 'Rent received', 1),"
       " ('RENT', 'Rent paid out', 2), ('FEES', 'First fees', 2), ('FEES', 'Second fees', 2),"
       " ('NONAME', null, 1), ('HIDDEN', 'Never cached', 300);"
       "update glcodes set BalanceDate = '2009-01-01 00:00:00'");
  EXPECT_TRUE(shown_.messages.empty());
  ASSERT_EQ(AccountCache::Accounts().size(), 6u);  // slot 0 and five accounts
  const struct {
    const char* code;
    int16_t type;
    const char* description;
  } cases[] = {{"RENT", 1, "Rent received"}, {"RENT", 2, "Rent paid out"},
               {"FEES", 2, "First fees"},    {"FEES", 1, ""},
               {"rent", 1, ""},              {"RENT ", 1, ""},
               {"NONAME", 1, ""},            {"HIDDEN", 300, ""},
               {"", 0, ""}};  // slot 0 never matches
  for (const auto& c : cases) {
    EXPECT_EQ(AccountCache::GLDescription(c.code, c.type), c.description) << c.code << c.type;
  }
}

// A Null in a converted column keeps what was loaded; an empty or missing
// table leaves only slot 0.
TEST_F(AccountCacheTest, FailedLoadsKeepWhatWasLoadedAndAreShownOnce) {
  Load("(gl_code, description, taxable_yn, type, BankBalance, BalanceDate, exclude_cashflow,"
       " exclude_pl, exclude_disburse, pay_to_owner, pay_extra_charges) values"
       "('A1', 'One', -1, 1, 10.5, '2009-01-01 00:00:00', 0, 0, 0, 0, 0),"
       "('A2', 'Two', 0, 2, 20, '2009-01-01 00:00:00', 0, 0, -1, -1, 0),"
       "('A3', 'Three', -1, 1, 30.25, null, -1, -1, -1, -1, -1),"
       "('A4', 'Four', 0, 1, 40, '2009-01-01 00:00:00', 0, 0, 0, 0, 0)");
  EXPECT_EQ(shown_.Lines(), std::vector<std::string>{"Cache Accounts: 94 - Invalid use of Null"});
  const auto& accounts = AccountCache::Accounts();
  ASSERT_EQ(accounts.size(), 4u);
  EXPECT_TRUE(accounts[2].ExcludeDisburse);
  const GLAccount& third = accounts[3];
  EXPECT_EQ(third.Code, "A3");
  EXPECT_EQ(third.Description, "Three");
  EXPECT_TRUE(third.Taxable);
  EXPECT_EQ(third.AccountType, 1);
  EXPECT_DOUBLE_EQ(third.BankBalance, 30.25);
  EXPECT_FALSE(third.ExcludeCashflow);  // fields after the failing one stay empty
  EXPECT_FALSE(third.ExcludeDisburse);
  EXPECT_EQ(AccountCache::GLDescription("A3", 1), "Three");
  EXPECT_EQ(AccountCache::GLDescription("A4", 1), "");

  shown_.messages.clear();
  jet::ExecuteSql(path_, "delete from glcodes");
  Load("");
  EXPECT_EQ(AccountCache::Accounts().size(), 1u);
  jet::ExecuteSql(path_, "drop table glcodes");
  Load("");
  EXPECT_EQ(AccountCache::Accounts().size(), 1u);
  // The query's own failure is reported by the data layer, not as "Cache Accounts".
  ASSERT_EQ(shown_.messages.size(), 1u);
  EXPECT_EQ(shown_.messages[0].title, "Data Create Set");
}

// The index must give what the walks give, on caches full of repeats.
TEST(AccountIndexTest, AgreesWithTheLinearWalksOnRandomCaches) {
  std::mt19937 random(20091218);
  const std::string codes[] = {"A", "B", "b", "C ", "", "D", "E\xC3\xA9"};
  for (int round = 0; round < 200; ++round) {
    auto& accounts = AccountCache::Accounts();
    accounts.assign(1, GLAccount{});
    const int n = static_cast<int>(random() % 40);
    for (int i = 0; i < n; ++i) {
      GLAccount& a = accounts.emplace_back();
      a.Code = codes[random() % std::size(codes)];
      a.Description = "d" + std::to_string(i);
      a.AccountType = static_cast<int16_t>(random() % 4);
      a.ExcludeDisburse = random() % 2 == 0;
      a.PayToOwner = random() % 2 == 0;
    }
    AccountCache::RebuildIndex();
    for (const std::string& code : codes) {
      for (int16_t type = 0; type < 4; ++type) {
        EXPECT_EQ(AccountCache::GLDescription(code, type),
                  testing_support::GLDescriptionByWalk(code, type));
      }
      for (bool expense : {true, false}) {
        EXPECT_EQ(AccountCache::ExclusionDecision(expense, code),
                  testing_support::ExclusionDecisionByWalk(expense, code));
      }
    }
  }
}

}  // namespace
