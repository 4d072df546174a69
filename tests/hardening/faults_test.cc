// Failing surroundings through the real command: a full disk, a locked
// database, and a real mail server on 127.0.0.1 that fails in its own ways.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "statement_harness.h"

namespace e2e {
namespace {

class FaultTest : public StatementTest {
 protected:
  void TearDown() override {
    if (mounted_) umount2(out_.c_str(), MNT_DETACH);
  }

  // Owners OWNER1, OWNER2, ... with these e-mail addresses, each with sixty
  // journal lines (a few pages) and a disbursement on 18/04/2009.
  void Owners(const std::vector<std::string>& emails) {
    StandardSetup();
    for (size_t i = 1; i <= emails.size(); ++i) {
      const std::string n = std::to_string(i);
      Sql("insert into owner (code, name, street1, email) values ('OWNER" + n + "', 'Owner " + n +
          "', '1 Sea St', '" + emails[i - 1] + "')");
    }
    Sql("insert into property (code, ownercode, Address1) select code || 'P', code, 'Flat' "
        "from owner;"
        "insert into disbursement (owner, date, amount) select code, '2009-04-18 00:00:00', 10 "
        "from owner;"
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 60) "
        "insert into Revenues ([property code], Date, Amount, counter_gl, [Revenue Group]) "
        "select code || 'P', '2009-04-10 00:00:00', 1, 'BANK', 'RENT' from owner, n "
        "order by code;");
  }

  // The output folder on a file system of `size`; false when this machine
  // cannot mount one (not root).
  bool SmallDisk(const std::string& size) {
    fs::create_directories(out_);
    mounted_ = mount("tmpfs", out_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    return mounted_;
  }

  // The mail server of smtp_server.py (with `flags`), and the settings that
  // send through it, with `extra` lines.
  void ServeMail(const std::string& flags = "", const std::string& extra = "") {
    mail_.emplace(dir_ / "smtp", flags);
    ASSERT_NE(mail_->port(), 0);
    WriteFile(dir_ / "machine.ini", "[SOFTWARE\\Quellory\\Mail]\nHost=127.0.0.1\nPort=" +
                                        std::to_string(mail_->port()) +
                                        "\nFrom=office@example.com\n" + extra);
  }

  // What the register says of `owner`: "state: reason"; "" without a row.
  std::string Registered(const std::string& owner) {
    for (const Texts& row : RegisterRows()) {
      if (row.size() > 12 && row[0] == owner) return row[11] + ": " + row[12];
    }
    return "";
  }

  bool mounted_ = false;
  std::optional<testing_support::MailServer> mail_;
};

TEST_F(FaultTest, AFullDiskStopsThePdfAndLeavesNoPartOfIt) {
  // The demo portfolio's preview is larger than the disk: the disk fills in
  // the middle of the PDF, where a write error once went unnoticed.
  const fs::path demo = dir_ / "demo";
  RunResult made = Command("demo-data --out " + Quoted(demo) + " --properties 200");
  ASSERT_EQ(made.status, 0) << made.stderr_text;
  if (!SmallDisk("200k")) GTEST_SKIP() << "needs root to mount a small file system";
  const std::string failure =
      Stopped(Command("statements --date 2009-03-31 --app-folder " + Quoted(demo) + " --out " +
                      Quoted(out_) + " --trace " + Quoted(dir_ / "trace.jsonl")));
  EXPECT_NE(failure.find("statements-2009-03-31.pdf"), std::string::npos) << failure;
  EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
  // No part of the PDF, nor half a register: its two files, or neither.
  const Texts files = FilesUnder(out_);
  EXPECT_TRUE(files.empty() ||
              files == (Texts{"register-2009-03-31.csv", "register-2009-03-31.json"}))
      << files[0];
}

TEST_F(FaultTest, AFullDiskLeavesOnlyWholeMessagesInTheOutbox) {
  Owners({"one@example.com", "two@example.com", "three@example.com"});
  if (!SmallDisk("48k")) GTEST_SKIP() << "needs root to mount a small file system";
  RunResult r = Run("2009-04-18", "--to outbox");
  ASSERT_EQ(r.status, 1) << "the small disk held every message; make it smaller";
  // The owners written before the disk filled keep their messages; the run
  // stops at the one that did not fit.
  const std::string last = r.LastMessage();
  EXPECT_EQ(last.rfind("Error printing report - ", 0), 0u) << last;
  EXPECT_NE(last.find("No space left on device"), std::string::npos) << last;
  EXPECT_LT(FilesUnder(out_ / "outbox").size(), 3u);
  // The register tells no more than was written: the owner that did not fit
  // is the last row, failed, and every row before it names its message.
  const std::vector<Texts> rows = RegisterRows();
  ASSERT_GE(rows.size(), 1u);
  EXPECT_EQ(rows.back().at(11), "failed");
  for (size_t i = 0; i + 1 < rows.size(); ++i) {
    EXPECT_EQ(rows[i].at(11), "written");
    EXPECT_TRUE(fs::exists(out_ / rows[i].at(13))) << rows[i].at(13);
  }
  // What was written is whole: a message ends with its closing MIME boundary.
  for (const std::string& name : FilesUnder(out_)) {
    if (name.rfind("register-", 0) == 0) continue;
    EXPECT_EQ(name.rfind("outbox/Statement-", 0), 0u) << name;
    const std::string text = ReadFile(out_ / name);
    EXPECT_EQ(text.substr(text.size() - 4), "--\r\n") << name;
  }
}

TEST_F(FaultTest, ALockedDatabaseIsReportedAndLogged) {
  Owners({""});
  // This process holds the database's exclusive lock while the command runs.
  sqlite3* lock = nullptr;
  const int opened = sqlite3_open(db_.c_str(), &lock);
  const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closing(lock, sqlite3_close);
  ASSERT_EQ(opened, SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(lock, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
  // Named explicitly, a database that cannot be opened stops the run first.
  RunResult named = Run("2009-04-18");
  EXPECT_EQ(named.status, 1);
  EXPECT_NE(named.stderr_text.find("database is locked"), std::string::npos) << named.stderr_text;
  EXPECT_TRUE(named.Events("section").empty());
  // Found through the settings, it is reported and logged as the host does.
  RunResult r = Command("statements --date 2009-04-18 --app-folder " + Quoted(dir_) + " --out " +
                        Quoted(out_) + " --trace " + Quoted(dir_ / "trace.jsonl"));
  EXPECT_EQ(r.status, 1) << r.stderr_text;
  const std::string locked =
      "3343 - Cannot read the database " + Quoted(db_) + ": database is locked";
  ASSERT_FALSE(r.Events("message").empty());
  EXPECT_NE(r.Events("message")[0].value("text", "").find(locked), std::string::npos);
  EXPECT_NE(ReadFile(dir_ / "errApr09.log").find(locked), std::string::npos);
}

using DeliveryTest = FaultTest;

TEST_F(DeliveryTest, AReRunSendsNothingTwiceUnlessTheStatementChangedOrResendIsAsked) {
  // Five addresses in one field are no address; the other owners still go.
  Owners({"one@example.com", "two@example.com",
          "ann.one@example.com; bob.two@example.com; cat.three@example.com; "
          "dan.four@example.com; eve.five@example.com"});
  ASSERT_NO_FATAL_FAILURE(ServeMail());
  RunResult first = Run("2009-04-18", "--to email");
  EXPECT_EQ(first.status, 3) << first.stderr_text;  // one was meant to go and did not
  EXPECT_EQ(mail_->Logged("RCPT"), 2);
  EXPECT_EQ(Registered("OWNER3"), "waiting: no valid e-mail address");
  EXPECT_NE(Stdout().find("  2 sent\n  1 waiting: no valid e-mail address\n"), std::string::npos)
      << Stdout();

  EXPECT_EQ(Run("2009-04-18", "--to email").status, 3);
  EXPECT_EQ(mail_->Logged("RCPT"), 2) << "a statement went out twice";
  EXPECT_EQ(Registered("OWNER1"), "sent: already sent");
  EXPECT_EQ(FilesUnder(out_ / "outbox"), Texts{"Statement-2009-04-18-OWNER3.eml"});

  // A corrected statement goes again, kept beside the first.
  Sql("update disbursement set amount = 12 where owner = 'OWNER2'");
  Run("2009-04-18", "--to email");
  EXPECT_EQ(mail_->Logged("RCPT"), 3);
  EXPECT_EQ(Registered("OWNER2"), "sent: ");
  EXPECT_TRUE(fs::exists(out_ / "sent" / "Statement-2009-04-18-OWNER2-2.eml"));

  Run("2009-04-18", "--to email --resend");
  EXPECT_EQ(mail_->Logged("RCPT"), 5);
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

  ASSERT_NO_FATAL_FAILURE(ServeMail());
  for (int i = 0; i < 2; ++i) Command("outbox send --out " + Quoted(out_));
  EXPECT_EQ(mail_->Logged("RCPT"), 3);
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
  ASSERT_NO_FATAL_FAILURE(ServeMail("", "Timeout=1\n"));
  RunResult r = Run("2009-04-18", "--to email");
  EXPECT_EQ(r.Events("end").size(), 4u) << r.stderr_text;  // every owner's statement
  EXPECT_EQ(r.status, 3) << r.stderr_text;
  EXPECT_EQ(mail_->Logged("RCPT"), 1);  // only fine@ was taken
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
  ASSERT_NO_FATAL_FAILURE(ServeMail("--silent", "Timeout=1\n"));
  EXPECT_EQ(Run("2009-04-18", "--to email").status, 3);
  EXPECT_EQ(mail_->Logged("connect"), 3);
  EXPECT_EQ(Registered("OWNER5").rfind("waiting: not tried: the mail server 127.0.0.1", 0), 0u)
      << Registered("OWNER5");
  EXPECT_EQ(FilesUnder(out_ / "outbox").size(), 5u);
}

}  // namespace
}  // namespace e2e
