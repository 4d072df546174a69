// Failing surroundings through the real command: a full disk, an output
// folder that is no folder, a mail server that drops the connection or
// refuses a recipient, a locked database, and a picture or font that is not
// there. Each run stops with its message or reports the problem; nothing is
// left half-written.
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "statement_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_regular_file()) names.push_back(fs::relative(it->path(), folder).string());
  }
  return names;
}

class FaultTest : public StatementTest {
 protected:
  void TearDown() override {
    if (mounted_) umount2(out_.c_str(), MNT_DETACH);
    if (helper_ > 0) {
      kill(helper_, SIGTERM);
      waitpid(helper_, nullptr, 0);
    }
    StatementTest::TearDown();
  }

  // Three owners with a few pages each, in code order.
  void Owners(const std::vector<std::string>& emails) {
    StandardSetup();
    for (size_t i = 0; i < emails.size(); ++i) {
      const std::string code = "OWNER" + std::to_string(i + 1);
      Sql("insert into owner (code, name, street1, email) values ('" + code + "', 'Owner " +
          std::to_string(i + 1) + "', '1 Sea St', '" + emails[i] +
          "');"
          "insert into property (code, ownercode, Address1) values ('" +
          code + "P', '" + code +
          "', 'Flat');"
          "insert into disbursement (owner, date, amount) values ('" +
          code + "', '2009-04-18 00:00:00', 10);");
      for (int line = 0; line < 60; ++line) {
        Sql("insert into Revenues ([property code], Date, Amount, counter_gl, [Revenue Group]) "
            "values ('" +
            code + "P', '2009-04-10 00:00:00', 1, 'BANK', 'RENT')");
      }
    }
  }

  // The output folder on a file system of `bytes`; false when this machine
  // cannot mount one (not root).
  bool SmallDisk(const std::string& size) {
    fs::create_directories(out_);
    mounted_ = mount("tmpfs", out_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    return mounted_;
  }

  // The one message of a stopped run: exit status 1, no end of the report.
  std::string Stopped(const RunResult& r) {
    EXPECT_EQ(r.status, 1) << r.stderr_text;
    EXPECT_TRUE(r.Events("end").empty());
    const auto messages = r.Events("message");
    if (messages.empty()) return "";
    const std::string text = messages.back()["text"];
    EXPECT_EQ(text.rfind("Error printing report - ", 0), 0u) << text;
    return text;
  }

  void Settings(const std::string& text) { std::ofstream(dir_ / "machine.ini") << text; }

  bool mounted_ = false;
  pid_t helper_ = -1;
};

TEST_F(FaultTest, AFullDiskStopsThePdfAndLeavesNoPartOfIt) {
  // The demo portfolio's preview is larger than the disk: the disk fills in
  // the middle of the PDF, where a write error once went unnoticed.
  RunResult made = Command("demo-data --out '" + (dir_ / "demo").string() + "' --properties 200");
  ASSERT_EQ(made.status, 0) << made.stderr_text;
  if (!SmallDisk("200k")) GTEST_SKIP() << "needs root to mount a small file system";
  RunResult r = Command("statements --date 2009-03-31 --app-folder '" + (dir_ / "demo").string() +
                        "' --out '" + out_.string() + "' --trace '" +
                        (dir_ / "trace.jsonl").string() + "' --locale en_AU");
  const std::string failure = Stopped(r);
  EXPECT_NE(failure.find("statements-2009-03-31.pdf"), std::string::npos) << failure;
  EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
  // No part of the PDF, nor half a register: its two files, or neither.
  const std::vector<std::string> files = FilesUnder(out_);
  const std::vector<std::string> whole_register = {"register-2009-03-31.csv",
                                                   "register-2009-03-31.json"};
  EXPECT_TRUE(files.empty() || files == whole_register) << files[0];
}

TEST_F(FaultTest, AFullDiskLeavesOnlyWholeMessagesInTheOutbox) {
  Owners({"one@example.com", "two@example.com", "three@example.com"});
  if (!SmallDisk("48k")) GTEST_SKIP() << "needs root to mount a small file system";
  RunResult r = Run("2009-04-18", "--to outbox");
  ASSERT_EQ(r.status, 1) << "the small disk held every message; make it smaller";
  // The owners ended before the disk filled keep their messages; the run
  // stops at the one that did not fit.
  EXPECT_LT(r.Events("end").size(), 3u);
  const auto messages = r.Events("message");
  ASSERT_FALSE(messages.empty());
  const std::string failure = messages.back()["text"];
  EXPECT_EQ(failure.rfind("Error printing report - ", 0), 0u) << failure;
  EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
  // What was written is whole: a message ends with its closing MIME boundary.
  for (const std::string& name : FilesUnder(out_)) {
    if (name.rfind("register-", 0) == 0) continue;
    EXPECT_EQ(name.rfind("outbox/Statement-", 0), 0u) << name;
    const std::string text = FileText(out_ / name);
    EXPECT_EQ(text.substr(text.size() - 4), "--\r\n") << name;
  }
}

TEST_F(FaultTest, AnOutputFolderThatIsAFileIsNamed) {
  Owners({""});
  std::ofstream(out_.string()) << "not a folder";
  RunResult r = Run("2009-04-18");
  // Found before anything is printed, and named.
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.Events("section").empty());
  EXPECT_NE(r.stderr_text.find(out_.string()), std::string::npos) << r.stderr_text;
  EXPECT_EQ(FileText(out_), "not a folder");
}

TEST_F(FaultTest, ADroppedConnectionAndARefusedRecipientKeepTheirMessagesOthersGoOn) {
  Owners({"drop@example.com", "refused@example.com", "fine@example.com"});
  const int port = 20000 + getpid() % 20000;
  const fs::path log = dir_ / "accepted.log";
  helper_ = fork();
  if (helper_ == 0) {
    const std::string script =
        std::string(DUNMERROW_SOURCE_DIR) + "/tests/hardening/smtp_faults.py";
    execl("/usr/bin/python3", "python3", script.c_str(), std::to_string(port).c_str(), log.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Settings("[SOFTWARE\\Quellory\\Mail]\nHost=127.0.0.1\nPort=" + std::to_string(port) +
           "\nFrom=office@example.com\n");
  RunResult r = Run("2009-04-18", "--to email");
  EXPECT_EQ(r.Events("end").size(), 3u) << r.stderr_text;  // every owner's statement
  EXPECT_EQ(r.status, 3) << r.stderr_text;  // some were meant to go and did not
  EXPECT_EQ(FileText(log), "RCPT TO:<fine@example.com>\n");

  std::vector<std::string> outbox = FilesUnder(out_ / "outbox");
  std::vector<std::string> sent = FilesUnder(out_ / "sent");
  ASSERT_EQ(outbox.size(), 2u) << r.stderr_text;
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(FileText(out_ / "sent" / sent[0]).find("To: fine@example.com"), std::string::npos);
  const std::string waiting =
      FileText(out_ / "outbox" / outbox[0]) + FileText(out_ / "outbox" / outbox[1]);
  EXPECT_NE(waiting.find("To: drop@example.com"), std::string::npos);
  EXPECT_NE(waiting.find("To: refused@example.com"), std::string::npos);
  // Each message left behind is reported, and counted as waiting.
  const std::string summary = FileText(dir_ / "stdout.txt");
  EXPECT_NE(summary.find("drop@example.com"), std::string::npos) << summary;
  EXPECT_NE(summary.find("refused@example.com"), std::string::npos) << summary;
  EXPECT_NE(summary.find("  2 waiting\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("  1 sent\n"), std::string::npos) << summary;
}

TEST_F(FaultTest, ALockedDatabaseIsReportedAndLogged) {
  Owners({""});
  // Another program holds the database's exclusive lock for the whole run.
  const fs::path ready = dir_ / "locked";
  helper_ = fork();
  if (helper_ == 0) {
    const std::string script =
        "import sqlite3, sys, time\n"
        "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
        "db.execute('begin exclusive')\n"
        "open(sys.argv[2], 'w').close()\n"
        "time.sleep(120)\n";
    execl("/usr/bin/python3", "python3", "-c", script.c_str(), db_.c_str(), ready.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 100 && !fs::exists(ready); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(fs::exists(ready));
  // Named explicitly, a database that cannot be opened stops the run first.
  RunResult named = Run("2009-04-18");
  EXPECT_EQ(named.status, 1);
  EXPECT_NE(named.stderr_text.find("database is locked"), std::string::npos) << named.stderr_text;
  EXPECT_TRUE(named.Events("section").empty());
  // Found through the settings, it is reported and logged as the host does.
  RunResult r = Command("statements --date 2009-04-18 --app-folder '" + dir_.string() +
                        "' --out '" + out_.string() + "' --trace '" +
                        (dir_ / "trace.jsonl").string() + "' --locale en_AU");
  EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << r.stderr_text;
  bool reported = false;
  for (const auto& m : r.Events("message")) {
    const std::string text = m["text"];
    if (text.find("locked") != std::string::npos) reported = true;
  }
  EXPECT_TRUE(reported) << r.stderr_text;
  bool logged = false;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("err", 0) == 0 && FileText(entry.path()).find("locked") != std::string::npos) {
      logged = true;
    }
  }
  EXPECT_TRUE(logged);
}

// A component folder of its own, with the statement definition and
// `logo` as its picture.
class MissingResourceTest : public FaultTest {
 protected:
  RunResult RunWithHome(const std::string& definition, const std::string* logo) {
    const fs::path home = dir_ / "home";
    fs::create_directories(home);
    std::ofstream(home / "OwnerStatement.rdn") << definition;
    if (logo) std::ofstream(home / "reportlogo.bmp", std::ios::binary) << *logo;
    const std::string err = (dir_ / "stderr.txt").string();
    const std::string cmd = "DUNMERROW_NOW=2009-04-20T09:00:00 DUNMERROW_HOME='" + home.string() +
                            "' QUELLORY_MACHINE_SETTINGS='" + (dir_ / "machine.ini").string() +
                            "' QUELLORY_USER_SETTINGS='" + (dir_ / "user.ini").string() + "' '" +
                            DUNMERROW_BIN_DIR +
                            "/dunmerrow' statements --date 2009-04-18 --database '" + db_.string() +
                            "' --app-folder '" + dir_.string() + "' --out '" + out_.string() +
                            "' --locale en_AU </dev/null >/dev/null 2>'" + err + "'";
    RunResult r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.stderr_text = FileText(err);
    return r;
  }
  std::string Definition() { return FileText(fs::path(DUNMERROW_BIN_DIR) / "OwnerStatement.rdn"); }
};

TEST_F(MissingResourceTest, APictureThatIsMissingOrNotAPictureIsNamed) {
  Owners({""});
  RunResult missing = RunWithHome(Definition(), nullptr);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.stderr_text.find("reportlogo.bmp"), std::string::npos) << missing.stderr_text;

  const std::string garbage = "BM this is not a bitmap at all";
  RunResult broken = RunWithHome(Definition(), &garbage);
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.stderr_text.find("reportlogo.bmp"), std::string::npos) << broken.stderr_text;
  EXPECT_TRUE(FilesUnder(out_).empty());
}

TEST_F(MissingResourceTest, AFontThatIsNotInstalledIsNamed) {
  Owners({""});
  std::string definition = Definition();
  const std::string family = "Liberation Sans";
  ASSERT_NE(definition.find(family), std::string::npos);
  for (size_t at = definition.find(family); at != std::string::npos;
       at = definition.find(family, at)) {
    definition.replace(at, family.size(), "Vanished Grotesque");
  }
  const std::string logo = FileText(fs::path(DUNMERROW_BIN_DIR) / "reportlogo.bmp");
  RunResult r = RunWithHome(definition, &logo);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.stderr_text.find("Vanished Grotesque"), std::string::npos) << r.stderr_text;
  EXPECT_TRUE(FilesUnder(out_).empty());
}

}  // namespace
}  // namespace e2e
