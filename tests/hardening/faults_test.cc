// Failing surroundings through the real command: a full disk, an output
// folder that is no folder, a locked database, and a picture or font that is
// not there. Each run stops with its message or reports the problem; nothing is
// left half-written.

#include "hardening_support.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

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
  // The owners written before the disk filled keep their messages; the run
  // stops at the one that did not fit.
  EXPECT_LT(FilesUnder(out_ / "outbox").size(), 3u);
  const auto messages = r.Events("message");
  ASSERT_FALSE(messages.empty());
  const std::string failure = messages.back()["text"];
  EXPECT_EQ(failure.rfind("Error printing report - ", 0), 0u) << failure;
  EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
  // The register tells no more than was written: the owner that did not fit
  // is the last row, failed, and every row before it names its message.
  std::istringstream rows(FileText(out_ / "register-2009-04-18.csv"));
  std::vector<std::vector<std::string>> cells;
  for (std::string line; std::getline(rows, line);) {
    std::stringstream fields(line);
    cells.emplace_back();
    for (std::string cell; std::getline(fields, cell, ',');) cells.back().push_back(cell);
  }
  ASSERT_GE(cells.size(), 2u);
  EXPECT_EQ(cells.back().at(11), "failed");
  for (size_t i = 1; i + 1 < cells.size(); ++i) {
    EXPECT_EQ(cells[i].at(11), "written");
    EXPECT_TRUE(fs::exists(out_ / cells[i].at(13))) << cells[i].at(13);
  }
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
    home_ = dir_ / "home";
    fs::create_directories(home_);
    testing_support::WriteFile(home_ / "OwnerStatement.rdn", definition);
    if (logo) testing_support::WriteFile(home_ / "reportlogo.bmp", *logo);
    return Run("2009-04-18");
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
