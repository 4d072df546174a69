// The run register through the real command: a row for every statement with
// what became of it, the reconciliation with the database, cells a
// spreadsheet cannot misread, and the accountants' export.
#include "statement_harness.h"

namespace e2e {
namespace {

// A register row's destination, state, reason and document.
Texts Delivery(const Texts& row) {
  return row.size() == 15 ? Texts(row.begin() + 10, row.begin() + 14) : row;
}

using RegisterTest = StatementTest;

// A disbursement without its owner is told, as a warning, not a failure.
TEST_F(RegisterTest, EveryStatementIsAccountedForInEveryDestinationAndReconciled) {
  StandardSetup();
  Sql("insert into owner (code, name, street1, email) values "
      "('ALPHA', 'Alice Alpha', '1 Main St', 'alice@example.com'),"
      "('BRAVO', 'Bob Bravo', '2 High St', 'not an address');"
      "insert into property (code, ownercode, [sale value]) values ('A1', 'ALPHA', 0);"
      "insert into Revenues ([property code], Date, Amount, tax, counter_gl, [Revenue Group]) "
      "values ('A1', '2009-04-10 00:00:00', 100, 10, 'BANK', 'RENT'),"
      "('A1', '2009-04-11 00:00:00', 50.25, 0, 'BANK', 'RENT');"
      "insert into Expenses ([property code], Date, Amount, tax, [Expense Group]) values "
      "('A1', '2009-04-12 00:00:00', 30, 3, 'REPAIRS');"
      "insert into disbursement (owner, date, amount, fees, tax, reserve_taken) values "
      "('ALPHA', '2009-04-18 00:00:00', 110.25, 10, 1, 0),"
      "('BRAVO', '2009-04-18 00:00:00', 500, 50, 5, 0);");
  ASSERT_TRUE(Printed(Run("2009-04-18", "--export-journal")));
  const std::string sha =
      testing_support::RunCommand("sha256sum " + Quoted(out_ / "statements-2009-04-18.pdf"))
          .output.substr(0, 64);
  EXPECT_EQ(RegisterRows().at(0), (Texts{"ALPHA", "Alice Alpha", "1909-04-20", "2009-04-18", "1",
                                         "150.25", "30.00", "7.00", "10.00", "110.25", "preview",
                                         "previewed", "", "statements-2009-04-18.pdf", sha}));
  // The export's lines sum to the statement's totals.
  const std::string journal = ReadFile(out_ / "journal-2009-04-18.csv");
  for (const char* line : {"journal,ALPHA,A1,2009-04-10,Rent received,100.00,,,10.00,\r\n",
                           "journal,ALPHA,A1,2009-04-12,Repairs and maintenance,,30.00,,-3.00,\r\n",
                           "disbursement,ALPHA,,2009-04-18,Disbursement,,,10.00,,110.25\r\n"}) {
    EXPECT_NE(journal.find(line), std::string::npos) << line << " in\n" << journal;
  }

  launcher_ = FakePrinter();
  EXPECT_EQ(Run("2009-04-18", "--to print").status, 0);
  EXPECT_EQ(Delivery(RegisterRows().at(0)),
            (Texts{"printer", "printed", "", "statements-2009-04-18.pdf"}));
  launcher_.clear();

  ASSERT_TRUE(Printed(Run("2009-04-18", "--to outbox")));
  const std::vector<Texts> rows = RegisterRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Delivery(rows[0]),
            (Texts{"alice@example.com", "written", "", "outbox/Statement-2009-04-18-ALPHA.eml"}));
  EXPECT_EQ(Delivery(rows[1]), (Texts{"not an address", "waiting", "no valid e-mail address",
                                      "outbox/Statement-2009-04-18-BRAVO.eml"}));
  nlohmann::json totals = nlohmann::json::parse(ReadFile(out_ / "register-2009-04-18.json"));
  EXPECT_EQ(totals["run"]["states"], (nlohmann::json{{"waiting", 1}, {"written", 1}}));
  EXPECT_EQ(totals["run"]["disbursed"], "610.25");
  EXPECT_EQ(totals["database"]["disbursed"], "610.25");
  EXPECT_TRUE(totals["agrees"]);

  Sql("insert into disbursement (owner, date, amount, fees, tax) values "
      "('GHOST', '2009-04-18 00:00:00', 75, 0, 0)");
  RunResult r = Run("2009-04-18");
  EXPECT_TRUE(Printed(r));
  totals = nlohmann::json::parse(ReadFile(out_ / "register-2009-04-18.json"));
  EXPECT_FALSE(totals["agrees"]);
  EXPECT_EQ(totals["database"]["orphans"],
            (nlohmann::json::array({{{"owner_code", "GHOST"}, {"amount", "75.00"}}})));
  EXPECT_EQ(totals["database"]["disbursed"], "685.25");
  EXPECT_NE(r.stderr_text.find("dunmerrow: warning: the statements disburse 610.25, the 3 "
                               "disbursements in the database 685.25; 1 disbursement has no "
                               "owner row: GHOST 75.00\n"),
            std::string::npos)
      << r.stderr_text;
}

TEST_F(RegisterTest, HostileNamesAreQuotedSoASpreadsheetNeitherSplitsNorEvaluatesThem) {
  StandardSetup();
  Sql("insert into owner (code, name, street1) values "
      "('=1+2', '=HYPERLINK(\"http://x.example\",\"click\")', 'x'),"
      "('+SUM', 'Smith, Jones and \"Partners\"', 'x'),"
      "('-9', 'Line one' || char(13, 10) || 'Line two', 'x'), ('@A', '@import', 'x');"
      "insert into disbursement (owner, date, amount, fees, tax) "
      "select code, '2009-04-18 00:00:00', 1, 0, 0 from owner;");
  ASSERT_TRUE(Printed(Run("2009-04-18")));
  std::vector<Texts> owners;
  for (const Texts& row : RegisterRows()) owners.push_back({row.at(0), row.at(1)});
  EXPECT_EQ(owners, (std::vector<Texts>{{"'+SUM", "Smith, Jones and \"Partners\""},
                                        {"'-9", "Line one\r\nLine two"},
                                        {"'=1+2", "'=HYPERLINK(\"http://x.example\",\"click\")"},
                                        {"'@A", "'@import"}}));
}

}  // namespace
}  // namespace e2e
