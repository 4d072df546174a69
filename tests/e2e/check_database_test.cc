// `dunmerrow check-database` end to end: what it prints and its exit status
// for clean data, problems, a date, a database that cannot be opened and bad
// usage.
#include <string>

#include "statement_harness.h"

namespace e2e {
namespace {

class CheckDatabaseTest : public StatementTest {
 protected:
  std::string Database() { return " --database '" + db_.string() + "'"; }
};

TEST_F(CheckDatabaseTest, ExitStatusSaysCleanProblemsUnreadableOrBadUsage) {
  StandardSetup();
  Sql("insert into owner (code, name) values ('SMITH', 'J Smith'), ('JONES', 'A Jones');"
      "insert into disbursement (recordnumber, owner, date, amount) values"
      " (1, 'SMITH', '2009-04-18 00:00:00', 10), (2, 'JONES', '2009-03-18 00:00:00', 10)");
  RunResult clean = Command("check-database" + Database());
  EXPECT_EQ(clean.status, 0) << clean.stderr_text;
  EXPECT_EQ(Stdout(), "");

  Sql("update disbursement set amount = null where recordnumber = 2");
  const std::string before = ReadFile(db_);
  RunResult found = Command("check-database" + Database());
  EXPECT_EQ(found.status, 3) << found.stderr_text;
  EXPECT_EQ(Stdout(), "disbursement recordnumber=2: amount is Null; a statement needs a value\n");
  EXPECT_EQ(Command("check-database --app-folder '" + dir_.string() + "'").status, 3);
  // JONES has no disbursement on the 18th of April.
  EXPECT_EQ(Command("check-database --date 2009-04-18" + Database()).status, 0);
  EXPECT_EQ(Command("check-database --date 2009-03-18" + Database()).status, 3);
  EXPECT_EQ(ReadFile(db_), before);

  RunResult missing =
      Command("check-database --database '" + (dir_ / "none.sqlite").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(
      missing.stderr_text.find("cannot open the database '" + (dir_ / "none.sqlite").string()),
      std::string::npos)
      << missing.stderr_text;
  EXPECT_EQ(Command("check-database --app-folder '" + (dir_ / "none").string() + "'").status, 1);

  EXPECT_EQ(Command("check-database --date 18/04/2009" + Database()).status, 2);
  EXPECT_EQ(Command("check-database --app-folder x" + Database()).status, 2);
  EXPECT_EQ(Command("check-database --verbose").status, 2);
  EXPECT_EQ(Command("check-database --help").status, 0);
  EXPECT_NE(Stdout().find("Exit status: 0 no problems; 3 problems were found; 1 the database"),
            std::string::npos);
}

}  // namespace
}  // namespace e2e
