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

TEST_F(CliTest, MissingDefinitionIsAFailureNamingIt) {
  RunResult r = Run("2009-04-18", "--definition NoSuchStatement");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.stderr_text.find("NoSuchStatement.rdn"), std::string::npos);
}

}  // namespace
}  // namespace e2e
