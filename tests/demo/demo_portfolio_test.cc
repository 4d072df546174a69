// The demo portfolio: deterministic, replaced when written again, and varied
// enough for the statements to show every kind of line.
#include "demo/demo_portfolio.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engines/jet/jet_engine.h"
#include "test_support.h"

namespace demo {
namespace {

using jet::CreateDBEngine;
using testing_support::ReadFile;
using testing_support::ScratchFolder;

using core::Date;

std::string Literal(const Date& d) {  // the host's date literal, #MM/DD/YYYY#
  const core::CivilTime c = d.ToCivil();
  char text[16];
  std::snprintf(text, sizeof text, "#%02d/%02d/%04d#", c.month, c.day, c.year);
  return text;
}

class DemoPortfolioTest : public ::testing::Test {
 protected:
  DemoSummary Write(const std::string& name, uint64_t seed = 7, int properties = 60) {
    DemoOptions options;
    options.folder = folder_.File(name);
    options.properties = properties;
    options.seed = seed;
    options.today = Date::FromCivil(2026, 12, 6);
    return WriteDemoPortfolio(options);
  }
  std::shared_ptr<contracts::Database> Open(const std::string& name) {
    return CreateDBEngine()->OpenDatabase(folder_.File(name) + "/property.mdb", false, false, "");
  }
  ScratchFolder folder_;
};

TEST_F(DemoPortfolioTest, SameOptionsSameBytes) {
  const DemoSummary a = Write("a");
  Write("b");
  Write("c", 8);
  const auto same = [&](const char* one, const char* other) {
    return ReadFile(folder_.File(one) + "/property.mdb") == ReadFile(folder_.File(other) + "/property.mdb");
  };
  EXPECT_TRUE(same("a", "b"));
  EXPECT_FALSE(same("a", "c"));
  EXPECT_EQ(ReadFile(folder_.File("a/settings.ini")),
            "[Settings]\napppath=" + folder_.File("a") + "\nNetworkable=0\n");
  EXPECT_EQ(a.latest_disbursement, Date::FromCivil(2026, 11, 30));
  // An existing portfolio is replaced, neither kept nor added to.
  Write("c");
  EXPECT_TRUE(same("c", "b"));
}

TEST_F(DemoPortfolioTest, LatestDisbursementIsTheLastMonthEndSoFar) {
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 12, 6)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 11, 30)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2027, 1, 5)), Date::FromCivil(2026, 12, 31));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2028, 3, 1)), Date::FromCivil(2028, 2, 29));
}

TEST_F(DemoPortfolioTest, EveryOwnerWithAnUnsoldPropertyIsPaidOnTheLatestDate) {
  Write("p", 3, 400);
  auto db = Open("p");
  const std::string latest = Literal(Date::FromCivil(2026, 11, 30));
  auto unpaid = db->OpenRecordset(
      "select count(*) as n from owner where code in (select ownercode from property where "
      "[sale value] = 0) and code not in (select owner from disbursement where date = " +
      latest + ")");
  EXPECT_EQ(unpaid->Field("n").AsLong(), 0);
  auto later = db->OpenRecordset("select count(*) as n from disbursement where date > " + latest);
  EXPECT_EQ(later->Field("n").AsLong(), 0);
  auto twice = db->OpenRecordset(
      "select count(*) as n from (select owner from disbursement where date = " + latest +
      " group by owner having count(*) = 2)");
  EXPECT_GT(twice->Field("n").AsLong(), 0);
  // What the statements need to show their variety.
  const std::map<std::string, std::string> present{
      {"an owner without e-mail", "select count(*) as n from owner where email is null"},
      {"an apostrophe in a name", "select count(*) as n from owner where name like '%''%'"},
      {"a postal address", "select count(*) as n from owner where postal1 like 'PO Box%'"},
      {"street address only", "select count(*) as n from owner where postal1 is null"},
      {"a sold property", "select count(*) as n from property where [sale value] > 0"},
      {"a closed tenancy", "select count(*) as n from tenancy where closed_yn = true"},
      {"a fortnightly rent", "select count(*) as n from tenancy where every_amt = 2"},
      {"a monthly rent", "select count(*) as n from tenancy where every_freq = 'month'"},
      {"excluded, to owner",
       "select count(*) as n from glcodes where exclude_disburse and pay_to_owner"},
      {"excluded, not to owner",
       "select count(*) as n from glcodes where exclude_disburse and not pay_to_owner"},
      {"a bank account", "select count(*) as n from glcodes where type = 300"},
      {"extra charges", "select count(*) as n from rent_periods where extra_charges > 0"},
      {"a reserve retained", "select count(*) as n from disbursement where reserve_taken > 0"},
      {"a reserve paid out", "select count(*) as n from disbursement where reserve_taken < 0"},
      {"a disbursement note", "select count(*) as n from disbursement where note <> ''"},
      {"a global note", "select count(*) as n from notes where note_type = 5 and on_owner"},
      {"an owner note", "select count(*) as n from notes where note_type = 1 and on_owner"},
      {"a taxed expense", "select count(*) as n from Expenses where tax > 0"},
  };
  for (const auto& [what, sql] : present)
    EXPECT_GT(db->OpenRecordset(sql)->Field("n").AsLong(), 0) << what;
}

}  // namespace
}  // namespace demo
