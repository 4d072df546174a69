// The disbursement section end to end, read from the trace of the real command.
#include "statement_harness.h"

namespace e2e {
namespace {

using ReportRunTest = StatementTest;

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
  EXPECT_EQ(r.Events("section", "Header").size(), 2u);
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
  EXPECT_EQ(r.Fields("DisburseFooter", "Totalfee"), (Texts{"50.00", "0.00"}));
  EXPECT_EQ(r.Fields("DisburseFooter", "TotalValue"), (Texts{"812.50", "400.00"}));
  EXPECT_EQ(r.Events("section", "DisburseHeader").size(), 3u);
}

}  // namespace
}  // namespace e2e
