// The transactions section and the property list end to end: exclusions,
// subtotals and tax, notes under lines, tenancies, balances and paid-to dates.
#include "statement_harness.h"

namespace e2e {
namespace {

class JournalTest : public StatementTest {
 protected:
  void Journal(bool tax) {
    StandardSetup(tax);
    Sql("insert into owner (code, name, street1) values ('TANGO', 'Tia Tango', '9 Beach Rd');"
        "insert into property (code, ownercode, Address1, Address2, [sale value]) values "
        "('P1', 'TANGO', '1 Sea St', 'Portside', 0), ('P2', 'TANGO', '2 Sea St', null, 0),"
        "('P3', 'TANGO', null, null, 0);"
        "insert into disbursement (owner, date, amount, fees, tax) values "
        "('TANGO', '2009-03-31 00:00:00', 1, 0, 0), ('TANGO', '2009-04-18 00:00:00', 70, 0, 0);"
        "insert into Revenues (tenant_code, [property code], Date, Amount, tax, counter_gl, "
        "[Revenue Group], description) values "
        "('T1', 'P1', '2009-03-31 00:00:00', 999, 0, 'BANK', 'RENT', 'before the period'),"
        "('T1', 'P1', '2009-04-01 00:00:00', 100, 10, 'BANK', 'RENT', 'April rent'),"
        "('T1', 'P1', '2009-04-05 00:00:00', 50, 0, 'BANK', 'OWNPAY', null),"
        "('T1', 'P1', '2009-04-06 00:00:00', 500, 0, 'BANK', 'BOND', 'bond'),"
        "('T1', 'P2', '2009-04-07 00:00:00', 40, 0, 'BANK', 'bond', 'lower-case code');"
        "insert into Expenses ([property code], Date, Amount, tax, [Expense Group], counter_gl, "
        "description, Payee) values "
        "('P1', '2009-04-10 00:00:00', 20, 0, 'BOND', 'BANK', '', 'Agent'),"
        "('P1', '2009-04-18 00:00:00', 30, 3, 'REPAIRS', 'BANK', 'Fixed the tap', 'Plumber'),"
        "('P2', '2009-04-11 00:00:00', 80, 0, 'LEVY', 'BANK', 'levy', 'Body corporate');");
  }
};

TEST_F(JournalTest, ExclusionsSubtotalsTotalsAndTax) {
  Journal(/*tax=*/true);
  RunResult r = Run("2009-04-18");
  ASSERT_EQ(r.status, 0) << r.stderr_text;
  auto lines = r.Copies("TransDetail");
  ASSERT_EQ(lines.size(), 5u) << r.Outline();
  EXPECT_EQ(lines[0]["fields"]["Date"], "01/04/2009");  // first day of the period
  EXPECT_EQ(lines[0]["fields"]["Details"], "Rent received");
  EXPECT_EQ(lines[0]["fields"]["Income"], "100.00");
  EXPECT_EQ(lines[1]["fields"]["Income"], "50.00");     // excluded, but paid to the owner
  EXPECT_EQ(lines[2]["fields"]["Expense"], "20.00");    // BOND is excluded for income only
  EXPECT_EQ(lines[2]["fields"]["Details"], "");
  EXPECT_EQ(lines[3]["fields"]["Date"], "18/04/2009");  // last day of the period
  EXPECT_EQ(lines[3]["fields"]["Details"], "Repairs and maintenance");
  EXPECT_EQ(lines[3]["fields"]["Expense"], "30.00");
  // Codes match the excluded account exactly: "bond" is not "BOND".
  EXPECT_EQ(lines[4]["fields"]["Property"], "P2");
  EXPECT_EQ(lines[4]["fields"]["Income"], "40.00");

  auto totals = r.Copies("TransFooter");
  ASSERT_EQ(totals.size(), 3u);
  EXPECT_EQ(totals[0]["fields"]["Total"], "Total for P1");
  EXPECT_EQ(totals[0]["fields"]["Income"], "150.00");
  EXPECT_EQ(totals[0]["fields"]["Expense"], "50.00");
  EXPECT_EQ(totals[0]["fields"]["TotalValue"], "100.00");
  EXPECT_EQ(totals[0]["fields"]["Tax"], "Includes tax of 7.00");
  EXPECT_EQ(totals[1]["fields"]["Total"], "Total for P2");
  EXPECT_EQ(totals[1]["fields"]["Income"], "40.00");
  EXPECT_EQ(totals[1]["fields"]["Expense"], "0.00");
  EXPECT_EQ(totals[2]["fields"]["Total"], "Total for TANGO");
  EXPECT_EQ(totals[2]["fields"]["Income"], "190.00");
  EXPECT_EQ(totals[2]["fields"]["TotalValue"], "140.00");
  EXPECT_EQ(totals[2]["fields"]["Tax"], "Includes tax of 7.00");
  EXPECT_EQ(r.Copies("TransHeader").size(), 1u);
  EXPECT_TRUE(r.Copies("Notes").empty());  // no notes without --notes
}

TEST_F(JournalTest, AllExcludedPropertyStillGetsItsZeroSubtotalAndNotesFollowLines) {
  Journal(/*tax=*/false);
  Sql("update Revenues set [Revenue Group] = 'BOND' where [property code] = 'P2'");
  RunResult r = Run("2009-04-18", "--notes");
  ASSERT_EQ(r.status, 0) << r.stderr_text;
  auto totals = r.Copies("TransFooter");
  ASSERT_EQ(totals.size(), 3u);
  EXPECT_EQ(totals[1]["fields"]["Total"], "Total for P2");
  EXPECT_EQ(totals[1]["fields"]["Income"], "0.00");
  EXPECT_EQ(totals[1]["fields"]["TotalValue"], "0.00");
  EXPECT_EQ(totals[1]["fields"]["Tax"], "");  // no tax option: the text is never set

  auto notes = r.Copies("Notes");
  ASSERT_EQ(notes.size(), 2u);  // lines without a description add nothing
  EXPECT_EQ(notes[0]["fields"]["Notes"], "April rent");
  EXPECT_EQ(notes[1]["fields"]["Notes"], "Fixed the tap");
  // Each note follows its own line.
  const std::string outline = r.Outline();
  EXPECT_NE(outline.find("TransDetail Notes TransDetail TransDetail TransDetail Notes"),
            std::string::npos)
      << outline;
}

TEST_F(JournalTest, ANullAmountOnAPrintedLineStopsTheRun) {
  Journal(/*tax=*/false);
  Sql("update Expenses set Amount = null where [Expense Group] = 'REPAIRS'");
  RunResult r = Run("2009-04-18");
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.Events("message").size(), 1u);
  const std::string text = r.Events("message")[0]["text"];
  EXPECT_EQ(text.rfind("Error printing report - ", 0), 0u);
  EXPECT_NE(text.find("property P1"), std::string::npos) << text;
  EXPECT_NE(text.find("debit"), std::string::npos) << text;
}

class PropertyListTest : public StatementTest {
 protected:
  void SetUp() override {
    StatementTest::SetUp();
    StandardSetup();
    Sql("insert into owner (code, name, street1) values ('LIMA', 'Lee Lima', '7 Hill Rd'),"
        "('MIKE', 'Mo Mike', '8 Hill Rd');"
        "insert into disbursement (owner, date, amount) values ('LIMA', '2009-04-18 00:00:00', 1),"
        "('MIKE', '2009-04-18 00:00:00', 1);"
        "insert into property (code, ownercode, Address1, Address2, [sale value]) values "
        "('L1', 'LIMA', '12 Ocean Rd', 'Portside', 0), ('L2', 'LIMA', '14 Ocean Rd', null, 0),"
        "('L3', 'LIMA', '16 Ocean Rd', null, 250000), ('M1', 'MIKE', 'x', 'y', 1);"
        "insert into tenancy (reference, [property code], name, [current rent], every_amt, "
        "every_freq, closed_yn, [when ended]) values "
        "('JO', 'L1', 'Jo Bloggs', 350, 1, 'week', 0, '1234-01-01 00:00:00'),"
        "('SAM', 'L1', 'Sam Smith', 700, 2, 'week', 0, '1234-01-01 00:00:00'),"
        "('OLD', 'L1', 'Old Tenant', 300, 1, 'week', -1, '2008-01-01 00:00:00'),"
        "('SOLD', 'L3', 'Sold Tenant', 300, 1, 'week', 0, '1234-01-01 00:00:00');"
        "insert into rent_periods (tenant_code, period_from, period_to, rent_due) values "
        "('JO', '2009-03-30 00:00:00', '2009-04-05 00:00:00', 350),"
        "('JO', '2009-04-06 00:00:00', '2009-04-12 00:00:00', 350),"
        "('JO', '2009-04-13 00:00:00', '2009-04-19 00:00:00', 350),"
        "('JO', '2009-04-20 00:00:00', '2009-04-26 00:00:00', 350);"
        "insert into Revenues (tenant_code, [property code], Date, Amount, [Revenue Group]) values "
        "('JO', 'L1', '2009-04-01 00:00:00', 700, 'RENT'), ('JO', 'L1', '2009-04-15 00:00:00', 175, 'RENT'),"
        "('JO', 'L1', '2009-04-25 00:00:00', 350, 'RENT');");
  }
};

TEST_F(PropertyListTest, TenanciesWithAndWithoutDetail) {
  RunResult plain = Run("2009-04-18");
  ASSERT_EQ(plain.status, 0) << plain.stderr_text;
  auto lines = plain.Copies("property");
  ASSERT_EQ(lines.size(), 4u) << plain.Outline();
  EXPECT_EQ(lines[0]["fields"]["Property"], "12 Ocean Rd,Portside");
  EXPECT_EQ(lines[0]["fields"]["tenant"], "Jo Bloggs paying $350.00 per week");
  EXPECT_EQ(lines[1]["fields"]["Property"], "");
  EXPECT_EQ(lines[1]["fields"]["tenant"], "Sam Smith paying $700.00 per 2 weeks");
  EXPECT_EQ(lines[2]["fields"]["tenant"], "");  // the empty line closing LIMA's list
  EXPECT_EQ(lines[3]["fields"]["tenant"], "");  // MIKE has no unsold property

  RunResult detailed = Run("2009-04-18", "--detailed");
  ASSERT_EQ(detailed.status, 0) << detailed.stderr_text;
  lines = detailed.Copies("property");
  ASSERT_EQ(lines.size(), 6u);
  // Paid 875 of four weeks at 350 as of the 20th (the payment of the 25th is
  // later): the third week half paid, so paid to the 16th; the balance counts
  // every period of the schedule.
  EXPECT_EQ(lines[1]["fields"]["tenant"], "Balance owing is $525.00.  Paid to 16/04/2009");
  EXPECT_EQ(lines[1]["fields"]["Property"], "");
  EXPECT_EQ(lines[3]["fields"]["tenant"], "Balance owing is $0.00.  Paid to 30/12/1899");
}

}  // namespace
}  // namespace e2e
