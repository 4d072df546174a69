// Delivery through the real command and a real mail server on 127.0.0.1:
// each statement sent once however often the run is repeated, one run at a
// time per output folder, and mail failures counted as what they are.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "hardening_support.h"

namespace e2e {
namespace {

using DeliveryTest = FaultTest;

TEST_F(DeliveryTest, AReRunSendsNothingTwiceUnlessTheStatementChangedOrResendIsAsked) {
  // Five addresses in one field are no address; the other owners still go.
  Owners({"one@example.com", "two@example.com",
          "ann.one@example.com; bob.two@example.com; cat.three@example.com; "
          "dan.four@example.com; eve.five@example.com"});
  ASSERT_NO_FATAL_FAILURE(MailServer());
  RunResult first = Run("2009-04-18", "--to email");
  EXPECT_EQ(first.status, 3) << first.stderr_text;  // one was meant to go and did not
  EXPECT_EQ(Logged("RCPT"), 2);
  EXPECT_EQ(Registered("OWNER3"), "waiting: no valid e-mail address");
  EXPECT_NE(Stdout().find("  2 sent\n  1 waiting: no valid e-mail address\n"), std::string::npos)
      << Stdout();

  EXPECT_EQ(Run("2009-04-18", "--to email").status, 3);
  EXPECT_EQ(Logged("RCPT"), 2) << "a statement went out twice";
  EXPECT_EQ(Registered("OWNER1"), "sent: already sent");
  EXPECT_EQ(FilesUnder(out_ / "outbox"), Texts{"Statement-2009-04-18-OWNER3.eml"});

  // A corrected statement goes again, kept beside the first.
  Sql("update disbursement set amount = 12 where owner = 'OWNER2'");
  Run("2009-04-18", "--to email");
  EXPECT_EQ(Logged("RCPT"), 3);
  EXPECT_EQ(Registered("OWNER2"), "sent: ");
  EXPECT_TRUE(fs::exists(out_ / "sent" / "Statement-2009-04-18-OWNER2-2.eml"));

  Run("2009-04-18", "--to email --resend");
  EXPECT_EQ(Logged("RCPT"), 5);
}

TEST_F(DeliveryTest, AStoppedRunAndItsReRunQueueEachStatementOnce) {
  Owners({"one@example.com", "two@example.com", "three@example.com"});
  Sql("update Revenues set Amount = NULL where rowid = (select max(rowid) from Revenues)");
  EXPECT_EQ(Run("2009-04-18", "--to outbox").status, 1);
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 2u);
  // The register of a stopped run tells what it did, the failing owner last.
  ASSERT_EQ(RegisterRows().size(), 3u);
  EXPECT_EQ(RegisterRows().back()[0], "OWNER3");
  EXPECT_EQ(Registered("OWNER3").rfind("failed: Invalid use of Null", 0), 0u);

  Sql("update Revenues set Amount = 1 where Amount is null");
  RunResult mended = Run("2009-04-18", "--to outbox");
  EXPECT_EQ(mended.status, 0) << mended.stderr_text;
  EXPECT_EQ(Registered("OWNER1"), "written: already in the outbox");
  EXPECT_EQ(Registered("OWNER3"), "written: ");
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 3u);

  ASSERT_NO_FATAL_FAILURE(MailServer());
  for (int i = 0; i < 2; ++i) Command("outbox send --out " + Quoted(out_));
  EXPECT_EQ(Logged("RCPT"), 3);
  EXPECT_EQ(Command("outbox status --out " + Quoted(out_)).status, 0);
  EXPECT_NE(Stdout().find("0 waiting, 0 half-sent, 0 failed, 3 sent"), std::string::npos)
      << Stdout();
}

TEST_F(DeliveryTest, OneRunOrSendAtATimeUsesAnOutputFolder) {
  Owners({"one@example.com"});
  fs::create_directories(out_);
  const int fd = open(out_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  RunResult run = Run("2009-04-18", "--to outbox");
  RunResult send = Command("outbox send --out " + Quoted(out_));
  close(fd);
  for (const RunResult& r : {run, send}) {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.stderr_text.find("another run is using " + out_.string()), std::string::npos)
        << r.stderr_text;
  }
  EXPECT_TRUE(run.Events("section").empty());
}

TEST_F(DeliveryTest, MailFailuresWaitWithTheirReasonAndTheOthersGoOn) {
  Owners({"drop@example.com", "refused@example.com", "hang@example.com", "fine@example.com"});
  ASSERT_NO_FATAL_FAILURE(MailServer("", "Timeout=1\n"));
  RunResult r = Run("2009-04-18", "--to email");
  EXPECT_EQ(r.Events("end").size(), 4u) << r.stderr_text;  // every owner's statement
  EXPECT_EQ(r.status, 3) << r.stderr_text;
  EXPECT_EQ(Logged("RCPT"), 1);  // only fine@ was taken
  EXPECT_EQ(Registered("OWNER4"), "sent: ");
  EXPECT_NE(Registered("OWNER2").find("550 5.1.1 mailbox unavailable"), std::string::npos)
      << Registered("OWNER2");
  EXPECT_NE(Registered("OWNER3").find("timed out"), std::string::npos) << Registered("OWNER3");
  EXPECT_EQ(Registered("OWNER1").rfind("waiting: ", 0), 0u) << Registered("OWNER1");
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 3u);
  EXPECT_NE(Stdout().find("  1 sent\n  3 waiting\n"), std::string::npos) << Stdout();
}

TEST_F(DeliveryTest, AServerThatNeverAnswersIsTriedThreeTimesThenLeftAlone) {
  Owners({"a@example.com", "b@example.com", "c@example.com", "d@example.com", "e@example.com"});
  ASSERT_NO_FATAL_FAILURE(MailServer("--silent", "Timeout=1\n"));
  EXPECT_EQ(Run("2009-04-18", "--to email").status, 3);
  EXPECT_EQ(Logged("connect"), 3);
  EXPECT_EQ(Registered("OWNER5").rfind("waiting: not tried: the mail server 127.0.0.1", 0), 0u)
      << Registered("OWNER5");
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 5u);
}

}  // namespace
}  // namespace e2e
