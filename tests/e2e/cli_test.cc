// The command line itself: help, usage errors and their exit statuses.
#include "statement_harness.h"

namespace e2e {
namespace {

class CliTest : public StatementTest {};

TEST_F(CliTest, HelpAndUsageErrors) {
  RunResult help = Command("statements --help");
  EXPECT_EQ(help.status, 0);

  RunResult unknown = Command("statements --colour");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.stderr_text.find("unknown option '--colour'"), std::string::npos);

  RunResult bad_date = Command("statements --date 18/04/2009");
  EXPECT_EQ(bad_date.status, 2);
  EXPECT_NE(bad_date.stderr_text.find("--date must be a date written YYYY-MM-DD"), std::string::npos);

  EXPECT_EQ(Command("statements --to fax").status, 2);
  EXPECT_EQ(Command("statements --date").status, 2);
  EXPECT_EQ(Command("no-such-command").status, 2);
}

// Without --date the statements are of today: the run's clock says
// 2009-04-20, and so do the statement, the PDF and the register.
TEST_F(CliTest, TheReportDateIsTodayUnlessGiven) {
  StandardSetup();
  Sql("insert into owner (code, name, street1) values ('TODAY', 'Tod Ay', '1 Now St');"
      "insert into disbursement (owner, date, amount) values ('TODAY', '2009-04-20 00:00:00', 5)");
  RunResult r = Run("");
  ASSERT_EQ(r.status, 0) << r.stderr_text;
  EXPECT_EQ(r.Fields("Header", "DateRange"),
            std::vector<std::string>{"Transaction from 20/04/1909 to 20/04/2009"});
  EXPECT_EQ(FilesUnder(out_), (std::vector<std::string>{"register-2009-04-20.csv",
                                                        "register-2009-04-20.json",
                                                        "statements-2009-04-20.pdf"}));
}

TEST_F(CliTest, MissingDefinitionIsAFailureNamingIt) {
  RunResult r = Run("2009-04-18", "--definition NoSuchStatement");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.stderr_text.find("NoSuchStatement.rdn"), std::string::npos);
}

}  // namespace
}  // namespace e2e
