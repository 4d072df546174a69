// Failing surroundings through the real command: a full disk, an output
// folder that is no folder and a locked database. Each run stops with its
// message or reports the problem; nothing is left half-written.
#include <algorithm>

#include "hardening_support.h"

namespace e2e {
namespace {

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
  EXPECT_EQ(r.LastMessage().rfind("Error printing report - ", 0), 0u) << r.LastMessage();
  EXPECT_NE(r.LastMessage().find("No space left on device"), std::string::npos);
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

TEST_F(FaultTest, AnOutputFolderThatIsAFileIsNamed) {
  Owners({""});
  WriteFile(out_, "not a folder");
  RunResult r = Run("2009-04-18");
  // Found before anything is printed, and named.
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.Events("section").empty());
  EXPECT_NE(r.stderr_text.find(out_.string()), std::string::npos) << r.stderr_text;
  EXPECT_EQ(ReadFile(out_), "not a folder");
}

TEST_F(FaultTest, ALockedDatabaseIsReportedAndLogged) {
  Owners({""});
  // Another program holds the database's exclusive lock for the whole run.
  ASSERT_NO_FATAL_FAILURE(Helper(
      "python3 -c \"import sqlite3, sys, time\n"
      "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
      "db.execute('begin exclusive')\n"
      "open(sys.argv[2], 'w').close()\n"
      "time.sleep(120)\" " + Quoted(db_) + " " + Quoted(dir_ / "locked"),
      dir_ / "locked"));
  // Named explicitly, a database that cannot be opened stops the run first.
  RunResult named = Run("2009-04-18");
  EXPECT_EQ(named.status, 1);
  EXPECT_NE(named.stderr_text.find("database is locked"), std::string::npos) << named.stderr_text;
  EXPECT_TRUE(named.Events("section").empty());
  // Found through the settings, it is reported and logged as the host does.
  RunResult r = Command("statements --date 2009-04-18 --app-folder " + Quoted(dir_) + " --out " +
                        Quoted(out_) + " --trace " + Quoted(dir_ / "trace.jsonl"));
  EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << r.stderr_text;
  const auto messages = r.Events("message");
  EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [](const nlohmann::json& m) {
    return m.value("text", "").find("locked") != std::string::npos;
  })) << r.stderr_text;
  bool logged = false;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    logged |= entry.path().filename().string().rfind("err", 0) == 0 &&
              ReadFile(entry.path()).find("locked") != std::string::npos;
  }
  EXPECT_TRUE(logged);
}

}  // namespace
}  // namespace e2e
