// Delivery through the real command and a real mail server on 127.0.0.1:
// each statement sent once however often the run is repeated, one run at a
// time per output folder, and mail failures counted as what they are.
#include <fcntl.h>
#include <sys/file.h>

#include <map>

#include "hardening_support.h"

namespace e2e {
namespace {

class DeliveryTest : public FaultTest {
 protected:
  // The register's rows by owner code: "state: reason".
  std::map<std::string, std::string> Register() {
    std::map<std::string, std::string> rows;
    std::istringstream in(FileText(out_ / "register-2009-04-18.csv"));
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
      std::vector<std::string> cells;
      std::stringstream cell_stream(line);
      for (std::string cell; std::getline(cell_stream, cell, ',');) cells.push_back(cell);
      if (cells.size() >= 13) rows[cells[0]] = cells[11] + ": " + cells[12];
    }
    return rows;
  }
  static int Count(const std::string& text, const std::string& word) {
    int n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
  }
  std::string Summary() { return FileText(dir_ / "stdout.txt"); }
};

// Five addresses in one field are no address; the other owners still go.
const char kManyAddresses[] =
    "ann.one@example.com; bob.two@example.com; cat.three@example.com; dan.four@example.com; "
    "eve.five@example.com";

TEST_F(DeliveryTest, AReRunSendsNothingTwiceUnlessTheStatementChangedOrResendIsAsked) {
  Owners({"one@example.com", "two@example.com", kManyAddresses});
  MailServer();
  RunResult first = Run("2009-04-18", "--to email");
  EXPECT_EQ(first.status, 3) << first.stderr_text;  // one was meant to go and did not
  EXPECT_EQ(Count(MailLog(), "RCPT"), 2);
  EXPECT_EQ(Register()["OWNER3"], "waiting: no valid e-mail address");
  EXPECT_NE(Summary().find("  2 sent\n  1 waiting: no valid e-mail address\n"), std::string::npos)
      << Summary();

  RunResult again = Run("2009-04-18", "--to email");
  EXPECT_EQ(again.status, 3);
  EXPECT_EQ(Count(MailLog(), "RCPT"), 2) << "a statement went out twice";
  EXPECT_EQ(Register()["OWNER1"], "sent: already sent");
  EXPECT_EQ(FilesUnder(out_ / "outbox"), std::vector<std::string>{"Statement-2009-04-18-OWNER3.eml"});

  // A corrected statement goes again, kept beside the first.
  Sql("update disbursement set amount = 12 where owner = 'OWNER2'");
  Run("2009-04-18", "--to email");
  EXPECT_EQ(Count(MailLog(), "RCPT"), 3);
  EXPECT_EQ(Register()["OWNER2"], "sent: ");
  EXPECT_TRUE(fs::exists(out_ / "sent" / "Statement-2009-04-18-OWNER2-2.eml"));

  Run("2009-04-18", "--to email --resend");
  EXPECT_EQ(Count(MailLog(), "RCPT"), 5);
}

TEST_F(DeliveryTest, AStoppedRunAndItsReRunQueueEachStatementOnce) {
  Owners({"one@example.com", "two@example.com", "three@example.com"});
  Sql("update Revenues set Amount = NULL where rowid = (select max(rowid) from Revenues)");
  RunResult stopped = Run("2009-04-18", "--to outbox");
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 2u);
  // The register of a stopped run tells what it did, the failing owner last.
  const std::string register_text = FileText(out_ / "register-2009-04-18.csv");
  EXPECT_NE(register_text.find("OWNER3,Owner 3,"), std::string::npos) << register_text;
  EXPECT_EQ(Register()["OWNER3"].rfind("failed: Invalid use of Null", 0), 0u) << register_text;

  Sql("update Revenues set Amount = 1 where Amount is null");
  RunResult mended = Run("2009-04-18", "--to outbox");
  EXPECT_EQ(mended.status, 0) << mended.stderr_text;
  EXPECT_EQ(Register()["OWNER1"], "written: already in the outbox");
  EXPECT_EQ(Register()["OWNER3"], "written: ");
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 3u);

  MailServer();
  for (int i = 0; i < 2; ++i) Command("outbox send --out '" + out_.string() + "'");
  EXPECT_EQ(Count(MailLog(), "RCPT"), 3);
  RunResult status = Command("outbox status --out '" + out_.string() + "'");
  EXPECT_EQ(status.status, 0);
  EXPECT_NE(Summary().find("0 waiting, 0 half-sent, 0 failed, 3 sent"), std::string::npos)
      << Summary();
}

TEST_F(DeliveryTest, OneRunOrSendAtATimeUsesAnOutputFolder) {
  Owners({"one@example.com"});
  fs::create_directories(out_);
  const int fd = open(out_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  RunResult run = Run("2009-04-18", "--to outbox");
  RunResult send = Command("outbox send --out '" + out_.string() + "'");
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
  MailServer("", "Timeout=1\n");
  RunResult r = Run("2009-04-18", "--to email");
  EXPECT_EQ(r.Events("end").size(), 4u) << r.stderr_text;  // every owner's statement
  EXPECT_EQ(r.status, 3) << r.stderr_text;
  EXPECT_EQ(Count(MailLog(), "RCPT"), 1);  // only fine@ was taken
  std::map<std::string, std::string> rows = Register();
  EXPECT_EQ(rows["OWNER4"], "sent: ");
  EXPECT_NE(rows["OWNER2"].find("550 5.1.1 mailbox unavailable"), std::string::npos) << rows["OWNER2"];
  EXPECT_NE(rows["OWNER3"].find("timed out"), std::string::npos) << rows["OWNER3"];
  EXPECT_EQ(rows["OWNER1"].rfind("waiting: ", 0), 0u) << rows["OWNER1"];
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 3u);
  EXPECT_NE(Summary().find("  1 sent\n  3 waiting\n"), std::string::npos) << Summary();
}

TEST_F(DeliveryTest, AServerThatNeverAnswersIsTriedThreeTimesThenLeftAlone) {
  Owners({"a@example.com", "b@example.com", "c@example.com", "d@example.com", "e@example.com"});
  MailServer("--silent", "Timeout=1\n");
  RunResult r = Run("2009-04-18", "--to email");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(Count(MailLog(), "connect"), 3);
  std::map<std::string, std::string> rows = Register();
  EXPECT_EQ(rows["OWNER5"].rfind("waiting: not tried: the mail server 127.0.0.1", 0), 0u)
      << rows["OWNER5"];
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 5u);
}

}  // namespace
}  // namespace e2e
