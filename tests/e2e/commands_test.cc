// The other commands end to end: check-definition, import, demo-data and
// settings, with their exit statuses.
#include "statement_harness.h"

namespace e2e {
namespace {

class CommandsTest : public StatementTest {};

TEST_F(CommandsTest, CheckDefinitionNamesEveryProblemWithItsLine) {
  RunResult ok = Command("check-definition '" + std::string(DUNMERROW_SOURCE_DIR) +
                         "/definitions/OwnerStatement.rdn'");
  EXPECT_EQ(ok.status, 0) << ok.stderr_text;

  const std::string bad = (dir_ / "bad.rdn").string();
  testing_support::WriteFile(bad, "<report>\n<section name=\"A\" height=\"100\">\n"
                        "<field name=\"x\" top=\"zz\" left=\"0\" width=\"10\" height=\"10\"/>\n"
                        "</section>\n</report>\n");
  RunResult r = Command("check-definition '" + bad + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.stderr_text.find(bad + ":3: attribute 'top'"), std::string::npos) << r.stderr_text;
}

TEST_F(CommandsTest, ImportThenDemoDataThenSettings) {
  const std::string fixture = std::string(DUNMERROW_SOURCE_DIR) + "/../shared/fixtures/mdb/testV2003.mdb";
  RunResult imported = Command("import '" + fixture + "' '" + (dir_ / "copy.sqlite").string() + "'");
  EXPECT_EQ(imported.status, 0) << imported.stderr_text;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "copy.sqlite"));
  EXPECT_EQ(Command("import '" + (dir_ / "nothing.mdb").string() + "' '" +
                    (dir_ / "x.sqlite").string() + "'").status, 1);

  RunResult demo = Command("demo-data --out '" + (dir_ / "demo").string() + "' --properties 30");
  ASSERT_EQ(demo.status, 0) << demo.stderr_text;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "demo" / "property.mdb"));

  EXPECT_EQ(Command("settings set Configure Printer office-laser --machine").status, 0);
  EXPECT_EQ(Command("settings get Configure Printer").status, 0);
  EXPECT_EQ(Stdout(), "office-laser\n");
}

}  // namespace
}  // namespace e2e
