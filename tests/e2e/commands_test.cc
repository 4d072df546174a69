// The command line end to end: what each command says, its exit status, the
// report date, and what check-database finds.
#include <regex>
#include <string>

#include "statement_harness.h"

namespace e2e {
namespace {

using CommandsTest = StatementTest;

struct Usage {
  const char* command_line;  // "DIR" is the test's folder, "SRC" the sources
  int status;
  const char* says;  // on standard output or error
};

// In order, each with what it prints: a usage error exits 2, a database,
// definition or file that cannot be opened 1, a day without disbursements 0;
// none prints a statement.
constexpr Usage kUsages[] = {
    {"statements --help", 0, "Usage: dunmerrow statements [OPTIONS]\n"},
    {"statements --colour", 2, "unknown option '--colour'"},
    {"statements --date 18/04/2009", 2, "--date must be a date written YYYY-MM-DD"},
    {"statements --date", 2, "option '--date' needs a value"},
    {"statements --to fax", 2, "--to must be preview, print, email, outbox, both or none"},
    {"no-such-command", 2, "unknown command 'no-such-command'"},
    {"check-database --date 18/04/2009 --database DIR/property.mdb", 2, "--date must be a date"},
    {"check-database --app-folder x --database DIR/property.mdb", 2, "not both"},
    {"check-database --verbose", 2, "unknown option '--verbose'"},
    {"check-database --help", 0, "Exit status: 0 no problems; 3 problems were found; 1 the"},
    {"check-database --database DIR/none.sqlite", 1, "cannot open the database 'DIR/none.sqlite"},
    {"check-database --app-folder DIR/none", 1, "Could not find file 'DIR/none/property.mdb'"},
    {"check-definition SRC/definitions/OwnerStatement.rdn", 0, "valid, 11 sections\n"},
    {"check-definition DIR/bad.rdn", 1, "DIR/bad.rdn:3: attribute 'top'"},
    {"import SRC/../shared/fixtures/mdb/testV2003.mdb DIR/copy.sqlite", 0, ""},
    {"import DIR/nothing.mdb DIR/x.sqlite", 1, "Could not find file 'DIR/nothing.mdb'"},
    {"statements --date 2009-04-19 --database DIR/property.mdb --out DIR/out --locale en_AU "
     "--trace DIR/trace.jsonl",
     0, "There were no disbursements done on 19/04/2009"},
    {"statements --date 2009-04-18 --database DIR/property.mdb --out DIR/a-file "
     "--trace DIR/trace.jsonl",
     1, "DIR/a-file"},
    // The folder's own database would print; the one named does not open.
    {"statements --date 2009-04-18 --database DIR/nonexistent.mdb --app-folder DIR "
     "--out DIR/out --trace DIR/trace.jsonl",
     1, "cannot open the database 'DIR/nonexistent.mdb'"},
    {"statements --date 2009-04-18 --definition NoSuchStatement --database DIR/property.mdb "
     "--out DIR/out --trace DIR/trace.jsonl",
     1, "NoSuchStatement.rdn"},
};

TEST_F(CommandsTest, EveryCommandSaysWhatWentWrongAndGivesItsExitStatus) {
  StandardSetup();
  Sql("insert into owner (code, name, street1) values ('OK', 'Ms Ok', '1 Sea St');"
      "insert into disbursement (owner, date, amount) values ('OK', '2009-04-18 00:00:00', 5)");
  WriteFile(dir_ / "a-file", "not a folder");
  WriteFile(dir_ / "bad.rdn", "<report>\n<section name=\"A\" height=\"100\">\n"
                              "<field name=\"x\" top=\"zz\" left=\"0\" width=\"10\" "
                              "height=\"10\"/>\n</section>\n</report>\n");
  const auto placed = [&](const std::string& text) {
    return std::regex_replace(std::regex_replace(text, std::regex("DIR"), dir_.string()),
                              std::regex("SRC"), DUNMERROW_SOURCE_DIR);
  };
  for (const Usage& usage : kUsages) {
    RunResult r = Command(placed(usage.command_line));
    EXPECT_EQ(r.status, usage.status) << usage.command_line << "\n" << r.stderr_text;
    EXPECT_NE((Stdout() + r.stderr_text).find(placed(usage.says)), std::string::npos)
        << usage.command_line << ":\n" << Stdout() << r.stderr_text;
    EXPECT_TRUE(r.Events("section").empty()) << usage.command_line;
    EXPECT_EQ(r.stderr_text.find("Reverting"), std::string::npos) << r.stderr_text;
  }
  // Only the day without disbursements has its register.
  EXPECT_EQ(FilesUnder(out_), (Texts{"register-2009-04-19.csv", "register-2009-04-19.json"}));
  EXPECT_TRUE(fs::exists(dir_ / "copy.sqlite"));
  EXPECT_EQ(ReadFile(dir_ / "a-file"), "not a folder");
}

// Without --date the statements are of today: the run's clock says
// 2009-04-20, and so do the statement, the PDF and the register.
TEST_F(CommandsTest, TheReportDateIsTodayUnlessGiven) {
  StandardSetup();
  Sql("insert into owner (code, name, street1) values ('TODAY', 'Tod Ay', '1 Now St');"
      "insert into disbursement (owner, date, amount) values ('TODAY', '2009-04-20 00:00:00', 5)");
  RunResult r = Run("");
  ASSERT_TRUE(Printed(r));
  EXPECT_EQ(r.Fields("Header", "DateRange"), Texts{"Transaction from 20/04/1909 to 20/04/2009"});
  EXPECT_EQ(FilesUnder(out_), (Texts{"register-2009-04-20.csv", "register-2009-04-20.json",
                                     "statements-2009-04-20.pdf"}));
}

TEST_F(CommandsTest, CheckDatabaseSaysCleanOrProblemsAndLeavesTheDatabaseAlone) {
  StandardSetup();
  Sql("insert into owner (code, name) values ('SMITH', 'J Smith'), ('JONES', 'A Jones');"
      "insert into disbursement (recordnumber, owner, date, amount) values"
      " (1, 'SMITH', '2009-04-18 00:00:00', 10), (2, 'JONES', '2009-03-18 00:00:00', null)");
  const std::string database = " --database " + Quoted(db_);
  const std::string before = ReadFile(db_);
  EXPECT_EQ(Command("check-database" + database).status, 3);
  EXPECT_EQ(Stdout(), "disbursement recordnumber=2: amount is Null; a statement needs a value\n");
  EXPECT_EQ(Command("check-database --app-folder " + Quoted(dir_)).status, 3);
  // JONES has no disbursement on the 18th of April.
  EXPECT_EQ(Command("check-database --date 2009-04-18" + database).status, 0);
  EXPECT_EQ(Stdout(), "");
  EXPECT_EQ(Command("check-database --date 2009-03-18" + database).status, 3);
  EXPECT_EQ(ReadFile(db_), before);
}

}  // namespace
}  // namespace e2e
