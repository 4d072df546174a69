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
  ASSERT_TRUE(Printed(r));
  // The first and last day of the period count; BOND is excluded for income
  // only, OWNPAY is paid to the owner, and "bond" is not "BOND".
  EXPECT_EQ(r.Fields("TransDetail", "Date"),
            (Texts{"01/04/2009", "05/04/2009", "10/04/2009", "18/04/2009", "07/04/2009"}));
  EXPECT_EQ(r.Fields("TransDetail", "Details"),
            (Texts{"Rent received", "Owner contribution", "", "Repairs and maintenance", ""}));
  EXPECT_EQ(r.Fields("TransDetail", "Income"), (Texts{"100.00", "50.00", "", "", "40.00"}));
  EXPECT_EQ(r.Fields("TransDetail", "Expense"), (Texts{"", "", "20.00", "30.00", ""}));

  EXPECT_EQ(r.Fields("TransFooter", "Income"), (Texts{"150.00", "40.00", "190.00"}));
  EXPECT_EQ(r.Fields("TransFooter", "Expense"), (Texts{"50.00", "0.00", "50.00"}));
  EXPECT_EQ(r.Fields("TransFooter", "TotalValue"), (Texts{"100.00", "40.00", "140.00"}));
  EXPECT_EQ(r.Fields("TransFooter", "Tax"),
            (Texts{"Includes tax of 7.00", "Includes tax of 0.00", "Includes tax of 7.00"}));
  EXPECT_EQ(r.Events("section", "TransHeader").size(), 1u);
  EXPECT_TRUE(r.Events("section", "Notes").empty());  // no notes without --notes
}

TEST_F(JournalTest, AZeroSubtotalAndNotesUnderLinesPrintAndANullAmountStops) {
  Journal(/*tax=*/false);
  Sql("update Revenues set [Revenue Group] = 'BOND' where [property code] = 'P2'");
  RunResult r = Run("2009-04-18", "--notes");
  ASSERT_TRUE(Printed(r));
  EXPECT_EQ(r.Fields("TransFooter", "Income"), (Texts{"150.00", "0.00", "150.00"}));
  // Without the tax option the text is never set.
  EXPECT_EQ(r.Fields("TransFooter", "Tax"), (Texts{"", "", ""}));
  // Lines without a description add nothing; each note follows its own line.
  EXPECT_EQ(r.Fields("Notes", "Notes"), (Texts{"April rent", "Fixed the tap"}));
  EXPECT_NE(r.Outline().find("TransDetail Notes TransDetail TransDetail TransDetail Notes"),
            std::string::npos)
      << r.Outline();

  // A Null amount on a printed line stops the run, naming the line.
  Sql("update Expenses set Amount = null where [Expense Group] = 'REPAIRS'");
  const std::string failure = Stopped(Run("2009-04-18"));
  EXPECT_NE(failure.find("property P1"), std::string::npos) << failure;
  EXPECT_NE(failure.find("debit"), std::string::npos) << failure;
}

using PropertyListTest = StatementTest;

TEST_F(PropertyListTest, TenanciesWithAndWithoutDetail) {
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
      "insert into Revenues (tenant_code, [property code], Date, Amount, [Revenue Group]) "
      "values ('JO', 'L1', '2009-04-01 00:00:00', 700, 'RENT'),"
      "('JO', 'L1', '2009-04-15 00:00:00', 175, 'RENT'),"
      "('JO', 'L1', '2009-04-25 00:00:00', 350, 'RENT');");
  // The closed tenancy and the sold property print nothing; an empty line
  // closes LIMA's list, and MIKE has no unsold property.
  RunResult plain = Run("2009-04-18");
  ASSERT_TRUE(Printed(plain));
  EXPECT_EQ(plain.Fields("property", "tenant"),
            (Texts{"Jo Bloggs paying $350.00 per week", "Sam Smith paying $700.00 per 2 weeks",
                   "", ""}));

  // Paid 875 of four weeks at 350 as of the 20th (the payment of the 25th is
  // later): the third week half paid, so paid to the 16th; the balance counts
  // every period of the schedule.
  RunResult detailed = Run("2009-04-18", "--detailed");
  ASSERT_TRUE(Printed(detailed));
  EXPECT_EQ(detailed.Fields("property", "tenant"),
            (Texts{"Jo Bloggs paying $350.00 per week",
                   "Balance owing is $525.00.  Paid to 16/04/2009",
                   "Sam Smith paying $700.00 per 2 weeks",
                   "Balance owing is $0.00.  Paid to 30/12/1899", "", ""}));
  EXPECT_EQ(detailed.Fields("property", "Property"),
            (Texts{"12 Ocean Rd,Portside", "", "", "", "", ""}));
}

}  // namespace
}  // namespace e2e
