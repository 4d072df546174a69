// The demo portfolio: deterministic, replaced when written again, every owner
// paid on its latest date.
#include "demo/demo_portfolio.h"

#include <gtest/gtest.h>

#include <string>

#include "engines/jet/jet_engine.h"
#include "test_support.h"

namespace demo {
namespace {

using core::Date;
using testing_support::ReadFile;

class DemoPortfolioTest : public ::testing::Test {
 protected:
  DemoSummary Write(const std::string& name, uint64_t seed = 7) {
    return WriteDemoPortfolio({folder_.File(name), 60, seed, Date::FromCivil(2026, 12, 6)});
  }
  std::string Database(const std::string& name) { return folder_.File(name) + "/property.mdb"; }

  testing_support::ScratchFolder folder_;
};

TEST_F(DemoPortfolioTest, SameOptionsSameBytesAndAnExistingPortfolioIsReplaced) {
  Write("a");
  Write("b");
  Write("c", 8);
  // Compared as booleans: a failure need not print a megabyte of bytes.
  EXPECT_TRUE(ReadFile(Database("a")) == ReadFile(Database("b")));
  EXPECT_FALSE(ReadFile(Database("a")) == ReadFile(Database("c")));
  EXPECT_EQ(ReadFile(folder_.File("a/settings.ini")),
            "[Settings]\napppath=" + folder_.File("a") + "\nNetworkable=0\n");
  // Neither kept nor added to.
  Write("c");
  EXPECT_TRUE(ReadFile(Database("c")) == ReadFile(Database("b")));
}

// Every owner with an unsold property is paid on the latest date, none later.
TEST_F(DemoPortfolioTest, OwnersArePaidOnTheLastMonthEndSoFar) {
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 11, 30)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2027, 1, 5)), Date::FromCivil(2026, 12, 31));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2028, 3, 1)), Date::FromCivil(2028, 2, 29));
  EXPECT_EQ(Write("p").latest_disbursement, Date::FromCivil(2026, 11, 30));
  auto db = jet::CreateDBEngine()->OpenDatabase(Database("p"), false, false, "");
  const auto count = [&](const std::string& from_where) {
    return db->OpenRecordset("select count(*) as n from " + from_where)->Field("n").AsLong();
  };
  EXPECT_EQ(count("owner where code in (select ownercode from property where [sale value] = 0)"
                  " and code not in (select owner from disbursement where date = #11/30/2026#)"),
            0);
  EXPECT_EQ(count("disbursement where date > #11/30/2026#"), 0);
  EXPECT_GT(count("disbursement where date = #11/30/2026#"), 0);
}

}  // namespace
}  // namespace demo
