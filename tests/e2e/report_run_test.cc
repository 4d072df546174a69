// Owner statements end to end: the run's messages, periods, addresses, pages,
// per-owner documents, failures and the disbursement section, read from the
// trace of the real command.
#include "statement_harness.h"

namespace e2e {
namespace {

class ReportRunTest : public StatementTest {
 protected:
  void Owners() {
    StandardSetup();
    Sql("insert into owner (code, name, postal1, postal2, postal3, street1, street2, street3, email) "
        "values ('ALPHA', 'Alice Alpha', 'PO Box 1', 'Portside', 'QLD 4000', '1 Main St', 'Portside', "
        "'QLD 4000', 'alice@example.com'),"
        "('BRAVO', 'Bob Bravo', null, '', null, '2 High St', 'Hillview', 'QLD 4100', 'bob@example.com'),"
        "('CHARLIE', 'Cate Charlie', null, 'Unit 3', null, '3 Low St', null, null, null);"
        "insert into disbursement (owner, date, amount, fees, tax, reserve_taken, note) values "
        "('ALPHA', '2009-03-31 00:00:00', 900, 90, 9, 0, null),"
        "('ALPHA', '2009-04-18 00:00:00', 1000, 100, 10, 0, null),"
        "('BRAVO', '2009-04-18 00:00:00', 500, 50, 5, 0, null),"
        "('CHARLIE', '2009-04-18 00:00:00', 250, 25, 2.5, 0, null);");
  }
};

TEST_F(ReportRunTest, NoDisbursementsOnTheDate) {
  StandardSetup();
  RunResult r = Run("2009-04-18");
  EXPECT_EQ(r.status, 0) << r.stderr_text;
  auto messages = r.Events("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["text"], "There were no disbursements done on 18/04/2009");
  EXPECT_EQ(r.Events("end").size(), 1u);
  EXPECT_TRUE(r.Copies("Header").empty());
}

TEST_F(ReportRunTest, PeriodsAddressesAndPagesPerOwner) {
  Owners();
  RunResult r = Run("2009-04-18");
  ASSERT_EQ(r.status, 0) << r.stderr_text;
  auto headers = r.Copies("Header");
  ASSERT_EQ(headers.size(), 3u);

  const auto& alpha = headers[0]["fields"];
  EXPECT_EQ(alpha["DateRange"], "Transaction from 01/04/2009 to 18/04/2009");
  EXPECT_EQ(alpha["Owner"], "Alice Alpha");
  EXPECT_EQ(alpha["Address1"], "PO Box 1");
  EXPECT_EQ(alpha["Address3"], "QLD 4000");
  EXPECT_EQ(alpha["oCompanyName"], "Harbour Lettings");
  EXPECT_EQ(alpha["oAddress2"], "Portside");

  // No earlier disbursement: the period starts a hundred years before the run.
  const auto& bravo = headers[1]["fields"];
  EXPECT_EQ(bravo["DateRange"], "Transaction from 20/04/1909 to 18/04/2009");
  EXPECT_EQ(bravo["Address1"], "2 High St");  // postal lines all empty: the street
  EXPECT_EQ(bravo["Address2"], "Hillview");

  const auto& charlie = headers[2]["fields"];  // postal2 alone: never mixed with street
  EXPECT_EQ(charlie["Address1"], "");
  EXPECT_EQ(charlie["Address2"], "Unit 3");
  EXPECT_EQ(charlie["Address3"], "");

  // Every owner after the first starts on a new page; one document in all.
  EXPECT_EQ(r.Events("newpage").size(), 2u);
  EXPECT_EQ(r.Outline().rfind("Header ", 0), 0u) << r.Outline();
  ASSERT_EQ(r.Events("end").size(), 1u);
  EXPECT_EQ(r.Events("end")[0]["destination"], 0);
}

TEST_F(ReportRunTest, OutboxGetsOneDocumentPerOwner) {
  Owners();
  RunResult r = Run("2009-04-18", "--to outbox");
  ASSERT_EQ(r.status, 0) << r.stderr_text;
  auto ends = r.Events("end");
  ASSERT_EQ(ends.size(), 3u);
  EXPECT_EQ(ends[0]["emailTo"], "alice@example.com");
  EXPECT_EQ(ends[1]["emailTo"], "bob@example.com");
  EXPECT_EQ(ends[2]["emailTo"], "");
  for (const auto& e : ends) {
    EXPECT_EQ(e["emailSubject"], "Rental Summary");
    EXPECT_EQ(e["destination"], 7);
  }
  EXPECT_TRUE(r.Events("newpage").empty());  // each owner opens a document of its own
  size_t eml = 0;
  for (const auto& f : std::filesystem::directory_iterator(out_ / "outbox")) {
    if (f.path().extension() == ".eml") ++eml;
  }
  EXPECT_EQ(eml, 3u);
}

TEST_F(ReportRunTest, AFailureInTheSecondOwnerStopsTheRun) {
  Owners();
  Sql("update disbursement set amount = null where owner = 'BRAVO'");
  RunResult r = Run("2009-04-18");
  EXPECT_EQ(r.status, 1);
  auto messages = r.Events("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["text"].get<std::string>().rfind("Error printing report - ", 0), 0u);
  EXPECT_NE(messages[0]["text"].get<std::string>().find("BRAVO"), std::string::npos);
  EXPECT_TRUE(r.Events("end").empty());  // the report is not ended
  EXPECT_EQ(r.Copies("Header").size(), 2u);
  EXPECT_EQ(r.Copies("DisburseFooter").size(), 1u);  // the first owner's statement stands
}

TEST_F(ReportRunTest, DisbursementFeesReserveNoteAndFooter) {
  StandardSetup(/*tax=*/true);
  Sql("insert into owner (code, name, street1) values ('DELTA', 'Dan Delta', '4 Bay Rd'),"
      "('ECHO', 'Eve Echo', '5 Bay Rd');"
      "insert into disbursement (recordnumber, owner, date, amount, fees, tax, reserve_taken, note) "
      "values (10, 'DELTA', '2009-04-18 00:00:00', 0, 20, 2, 200, 'Held for the roof'),"
      "(11, 'DELTA', '2009-04-18 00:00:00', 812.5, 30, 3, 0, null),"
      "(12, 'ECHO', '2009-04-18 00:00:00', 400, 0, 0, -150.5, '');"
      "insert into extra_fees (disburse_id, date, description, value, tax) values "
      "(10, '2009-04-17 00:00:00', 'Inspection', 5, 0.5),"
      "(10, '2009-04-17 00:00:00', 'Postage', 7.5, 0.75);");
  RunResult r = Run("2009-04-18");
  ASSERT_EQ(r.status, 0) << r.stderr_text;

  // Two disbursements of one owner on the date: one statement listing both.
  EXPECT_EQ(r.Copies("Header").size(), 2u);
  auto details = r.Copies("DisburseDetail");
  ASSERT_EQ(details.size(), 7u);
  EXPECT_EQ(details[0]["fields"]["details"], "Inspection");
  EXPECT_EQ(details[0]["fields"]["amount"], "");
  EXPECT_EQ(details[0]["fields"]["fees"], "5.00");
  EXPECT_EQ(details[0]["fields"]["tax"], "Includes tax of 0.50");
  EXPECT_EQ(details[1]["fields"]["fees"], "7.50");
  EXPECT_EQ(details[2]["fields"]["details"], "Disbursement");
  EXPECT_EQ(details[2]["fields"]["Date"], "18/04/2009");
  EXPECT_EQ(details[2]["fields"]["amount"], "0.00");
  EXPECT_EQ(details[2]["fields"]["fees"], "7.50");  // 20 less the extra fees listed
  EXPECT_EQ(details[2]["fields"]["tax"], "Includes tax of 0.75");
  EXPECT_EQ(details[3]["fields"]["details"], "Reserve amount of 200 retained");
  EXPECT_EQ(details[3]["fields"]["Date"], "");
  EXPECT_EQ(details[3]["fields"]["fees"], "");
  EXPECT_EQ(details[4]["fields"]["amount"], "812.50");
  EXPECT_EQ(details[5]["fields"]["tax"], "Includes tax of 0.00");
  EXPECT_EQ(details[6]["fields"]["details"], "Reserve amount of 150.5 paid out");

  auto notes = r.Copies("Notes");
  ASSERT_EQ(notes.size(), 1u);  // the empty note prints nothing
  EXPECT_EQ(notes[0]["fields"]["Notes"], "Held for the roof");

  // The heading repeats while the amounts so far add up to zero.
  auto footers = r.Copies("DisburseFooter");
  ASSERT_EQ(footers.size(), 2u);
  EXPECT_EQ(footers[0]["fields"]["Totalfee"], "50.00");
  EXPECT_EQ(footers[0]["fields"]["TotalValue"], "812.50");
  EXPECT_EQ(r.Copies("DisburseHeader").size(), 3u);
}

}  // namespace
}  // namespace e2e
