// The demo portfolio: deterministic, replaced when written again, and varied
// enough for the statements to show every kind of line.
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
  DemoSummary Write(const std::string& name, uint64_t seed = 7, int properties = 60) {
    return WriteDemoPortfolio({folder_.File(name), properties, seed, Date::FromCivil(2026, 12, 6)});
  }
  std::string Database(const std::string& name) { return folder_.File(name) + "/property.mdb"; }

  testing_support::ScratchFolder folder_;
};

TEST_F(DemoPortfolioTest, SameOptionsSameBytesAndAnExistingPortfolioIsReplaced) {
  const DemoSummary a = Write("a");
  Write("b");
  Write("c", 8);
  // Compared as booleans: a failure need not print a megabyte of bytes.
  EXPECT_TRUE(ReadFile(Database("a")) == ReadFile(Database("b")));
  EXPECT_FALSE(ReadFile(Database("a")) == ReadFile(Database("c")));
  EXPECT_EQ(ReadFile(folder_.File("a/settings.ini")),
            "[Settings]\napppath=" + folder_.File("a") + "\nNetworkable=0\n");
  EXPECT_EQ(a.latest_disbursement, Date::FromCivil(2026, 11, 30));
  // Neither kept nor added to.
  Write("c");
  EXPECT_TRUE(ReadFile(Database("c")) == ReadFile(Database("b")));
}

TEST_F(DemoPortfolioTest, LatestDisbursementIsTheLastMonthEndSoFar) {
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 12, 6)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 11, 30)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2027, 1, 5)), Date::FromCivil(2026, 12, 31));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2028, 3, 1)), Date::FromCivil(2028, 2, 29));
}

// Every owner with an unsold property is paid on the latest date and none
// later; the rows hold every kind of line the statements show.
TEST_F(DemoPortfolioTest, OwnersArePaidOnTheLatestDateAndEveryKindOfLineIsThere) {
  Write("p", 3, 400);
  auto db = jet::CreateDBEngine()->OpenDatabase(Database("p"), false, false, "");
  const auto count = [&](const std::string& from_where) {
    return db->OpenRecordset("select count(*) as n from " + from_where)->Field("n").AsLong();
  };
  EXPECT_EQ(count("owner where code in (select ownercode from property where [sale value] = 0)"
                  " and code not in (select owner from disbursement where date = #11/30/2026#)"),
            0);
  EXPECT_EQ(count("disbursement where date > #11/30/2026#"), 0);
  const char* const present[] = {
      "(select owner from disbursement where date = #11/30/2026# group by owner"
      " having count(*) = 2)",
      "owner where email is null",
      "owner where name like '%''%'",
      "owner where postal1 like 'PO Box%'",
      "owner where postal1 is null",
      "property where [sale value] > 0",
      "tenancy where closed_yn = true",
      "tenancy where every_amt = 2",
      "tenancy where every_freq = 'month'",
      "glcodes where exclude_disburse and pay_to_owner",
      "glcodes where exclude_disburse and not pay_to_owner",
      "glcodes where type = 300",
      "rent_periods where extra_charges > 0",
      "disbursement where reserve_taken > 0",
      "disbursement where reserve_taken < 0",
      "disbursement where note <> ''",
      "notes where note_type = 5 and on_owner",
      "notes where note_type = 1 and on_owner",
      "Expenses where tax > 0",
  };
  for (const char* from_where : present) EXPECT_GT(count(from_where), 0) << from_where;
}

}  // namespace
}  // namespace demo
