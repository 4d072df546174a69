// Owner statements end to end: periods, addresses and the disbursement
// section, read from the trace of the real command.
#include "statement_harness.h"

namespace e2e {
namespace {

using ReportRunTest = StatementTest;

TEST_F(ReportRunTest, PeriodsAndAddressesPerOwner) {
  StandardSetup();
  Sql("insert into owner (code, name, postal1, postal2, postal3, street1, street2, street3) "
      "values ('ALPHA', 'Alice Alpha', 'PO Box 1', 'Portside', 'QLD 4000', '1 Main St', "
      "'Portside', 'QLD 4000'), ('BRAVO', 'Bob Bravo', null, '', null, '2 High St', 'Hillview', "
      "'QLD 4100'), ('CHARLIE', 'Cate Charlie', null, 'Unit 3', null, '3 Low St', null, null);"
      "insert into disbursement (owner, date, amount, fees, tax, reserve_taken, note) values "
      "('ALPHA', '2009-03-31 00:00:00', 900, 90, 9, 0, null),"
      "('ALPHA', '2009-04-18 00:00:00', 1000, 100, 10, 0, null),"
      "('BRAVO', '2009-04-18 00:00:00', 500, 50, 5, 0, null),"
      "('CHARLIE', '2009-04-18 00:00:00', 250, 25, 2.5, 0, null);");
  RunResult r = Run("2009-04-18");
  ASSERT_TRUE(Printed(r));
  // Without an earlier disbursement the period starts a hundred years back.
  EXPECT_EQ(r.Fields("Header", "DateRange"),
            (Texts{"Transaction from 01/04/2009 to 18/04/2009",
                   "Transaction from 20/04/1909 to 18/04/2009",
                   "Transaction from 20/04/1909 to 18/04/2009"}));
  EXPECT_EQ(r.Fields("Header", "Owner"), (Texts{"Alice Alpha", "Bob Bravo", "Cate Charlie"}));
  // Postal lines all empty: the street; postal2 alone is never mixed with it.
  EXPECT_EQ(r.Fields("Header", "Address1"), (Texts{"PO Box 1", "2 High St", ""}));
  EXPECT_EQ(r.Fields("Header", "Address2"), (Texts{"Portside", "Hillview", "Unit 3"}));
  EXPECT_EQ(r.Fields("Header", "Address3"), (Texts{"QLD 4000", "QLD 4100", ""}));
}

TEST_F(ReportRunTest, DisbursementFeesReserveNoteAndFooter) {
  StandardSetup(/*tax=*/true);
  Sql("insert into owner (code, name, street1) values ('DELTA', 'Dan Delta', '4 Bay Rd'),"
      "('ECHO', 'Eve Echo', '5 Bay Rd');"
      "insert into disbursement (recordnumber, owner, date, amount, fees, tax, reserve_taken, "
      "note) values (10, 'DELTA', '2009-04-18 00:00:00', 0, 20, 2, 200, 'Held for the roof'),"
      "(11, 'DELTA', '2009-04-18 00:00:00', 812.5, 30, 3, 0, null),"
      "(12, 'ECHO', '2009-04-18 00:00:00', 400, 0, 0, -150.5, '');"
      "insert into extra_fees (disburse_id, date, description, value, tax) values "
      "(10, '2009-04-17 00:00:00', 'Inspection', 5, 0.5),"
      "(10, '2009-04-17 00:00:00', 'Postage', 7.5, 0.75);");
  RunResult r = Run("2009-04-18");
  ASSERT_TRUE(Printed(r));
  // Two disbursements of one owner on the date: one statement listing both;
  // the disbursement's fees are 20 less the extra fees listed.
  EXPECT_EQ(r.Copies("Header").size(), 2u);
  EXPECT_EQ(r.Fields("DisburseDetail", "details"),
            (Texts{"Inspection", "Postage", "Disbursement", "Reserve amount of 200 retained",
                   "Disbursement", "Disbursement", "Reserve amount of 150.5 paid out"}));
  EXPECT_EQ(r.Fields("DisburseDetail", "Date"),
            (Texts{"17/04/2009", "17/04/2009", "18/04/2009", "", "18/04/2009", "18/04/2009", ""}));
  EXPECT_EQ(r.Fields("DisburseDetail", "amount"),
            (Texts{"", "", "0.00", "", "812.50", "400.00", ""}));
  EXPECT_EQ(r.Fields("DisburseDetail", "fees"),
            (Texts{"5.00", "7.50", "7.50", "", "30.00", "0.00", ""}));
  EXPECT_EQ(r.Fields("DisburseDetail", "tax"),
            (Texts{"Includes tax of 0.50", "Includes tax of 0.75", "Includes tax of 0.75", "",
                   "Includes tax of 3.00", "Includes tax of 0.00", ""}));
  EXPECT_EQ(r.Fields("Notes", "Notes"), Texts{"Held for the roof"});  // "" prints nothing

  // The heading repeats while the amounts so far add up to zero.
  EXPECT_EQ(r.Fields("DisburseFooter", "Totalfee")[0], "50.00");
  EXPECT_EQ(r.Fields("DisburseFooter", "TotalValue")[0], "812.50");
  EXPECT_EQ(r.Copies("DisburseFooter").size(), 2u);
  EXPECT_EQ(r.Copies("DisburseHeader").size(), 3u);
}

}  // namespace
}  // namespace e2e
