// The data check on a real SQLite file in the host's schema, holding one row
// of each kind of problem, through the real database engine.
#include "data/database_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/general.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "test_support.h"

namespace {

TEST(DatabaseCheckTest, EveryKindOfProblemIsListedWithTableKeyAndValue) {
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("property.mdb");
  jet::CreateHostDatabase(path);
  // Moved through another tool: the owner table lost its key, so a code may
  // come twice in different letter case, or be missing.
  jet::ExecuteSql(
      path,
      "drop table owner;"
      "create table owner (code TEXT COLLATE NOCASE, name TEXT COLLATE NOCASE, "
      "postal1 TEXT, postal2 TEXT, postal3 TEXT, street1 TEXT, street2 TEXT, "
      "street3 TEXT, email TEXT);"
      "insert into owner (code, name) values ('SMITH', 'J Smith'), ('JONES', 'A Jones'),"
      " ('Jones', 'A Jones again'), (null, 'Nobody');"
      "insert into property (code, ownercode) values ('P1', 'SMITH'), ('P2', 'JONES');"
      "insert into glcodes (gl_code, BalanceDate) values ('RENT', '2009-13-01 00:00:00');"
      "insert into disbursement (recordnumber, owner, date, amount) values"
      " (1, 'SMITH', '2009-04-18 00:00:00', 10), (3, 'JONES', '2009-04-18 00:00:00', null),"
      " (4, 'GHOST', '2009-04-18 00:00:00', 5), (5, 'WHITE', '2009-03-18 00:00:00', 5),"
      " (6, null, '2009-04-18 00:00:00', 5);"
      "insert into extra_fees (extra_fee_id, disburse_id, date, value) values"
      " (1, 1, '2009-04-18 00:00:00', null);"
      "insert into Revenues (revenue_id, [property code], Date, Amount) values"
      " (1, 'P1', '2009-04-10 00:00:00', 100), (2, 'P1', null, 100),"
      " (3, 'P1', '2009-02-30 00:00:00', 100), (4, 'P9', '2009-04-10 00:00:00', 1),"
      " (5, 'P2', '2009-04-11 00:00:00', 'abc');"
      "insert into Expenses (expense_id, [property code], Date, Amount, tax) values"
      " (1, 'P2', '2009-04-12 00:00:00', 50, null);"
      // Written past the schema's checks, as another tool may.
      "pragma ignore_check_constraints = on;"
      "insert into disbursement (recordnumber, owner, date, amount) values"
      " (2, 'SMITH', 'garbage', 10);");
  auto db = jet::CreateDBEngine()->OpenDatabase(path, false, true, "");

  // Each problem, and whether it is the date's: those of its owners (SMITH,
  // JONES and the missing GHOST) and what their statements read. WHITE's
  // disbursement of another month, the property nobody owns, the accounts and
  // the owner without a code are left out.
  const std::pair<const char*, bool> problems[] = {
      {"owner code=Null: code is Null; a statement needs a value", false},
      {"disbursement recordnumber=2: date 'garbage' is not a date", true},
      {"disbursement recordnumber=3: amount is Null; a statement needs a value", true},
      {"disbursement recordnumber=6: owner is Null; a statement needs a value", true},
      {"extra_fees extra_fee_id=1: value is Null; a statement needs a value", true},
      {"Revenues revenue_id=2: Date is Null; a statement needs a value", true},
      {"Revenues revenue_id=3: Date '2009-02-30 00:00:00' is not a date", true},
      {"Revenues revenue_id=5: Amount 'abc' is not a number", true},
      {"Expenses expense_id=1: tax is Null; a statement needs a value", true},
      {"glcodes glcode_id=1: BalanceDate '2009-13-01 00:00:00' is not a date", false},
      {"disbursement recordnumber=4: owner 'GHOST' has no row in owner", true},
      {"disbursement recordnumber=5: owner 'WHITE' has no row in owner", false},
      {"Revenues revenue_id=4: property code 'P9' has no row in property", false},
      {"owner code='Jones': the same code as 'JONES' but for letter case", true},
  };
  std::vector<std::string> all, of_the_date;
  for (const auto& [text, of_date] : problems) {
    all.push_back(text);
    if (of_date) of_the_date.push_back(text);
  }
  const auto lines = [](const std::vector<data::Problem>& found) {
    std::vector<std::string> texts;
    for (const auto& problem : found) texts.push_back(problem.Text());
    return texts;
  };
  EXPECT_EQ(lines(data::CheckDatabase(*db)), all);
  const core::Date date = *core::Date::ParseIso("2009-04-18");
  EXPECT_EQ(lines(data::CheckDatabase(*db, date)), of_the_date);
  EXPECT_TRUE(data::ProblemsForDate(date).empty()) << "no database open";
  General::DataDb() = db;
  EXPECT_EQ(lines(data::ProblemsForDate(date)), of_the_date);
  EXPECT_TRUE(data::ProblemsForDate(*core::Date::ParseIso("2009-05-18")).empty());
  General::DataDb().reset();
}

}  // namespace
