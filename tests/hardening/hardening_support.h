// What the hardening tests share: a fixture with a few owners, a small disk,
// the settings and a mail server of its own.
#ifndef DUNMERROW_TESTS_HARDENING_HARDENING_SUPPORT_H_
#define DUNMERROW_TESTS_HARDENING_HARDENING_SUPPORT_H_

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "statement_harness.h"

namespace e2e {

namespace fs = std::filesystem;

inline std::string FileText(const fs::path& path) { return ReadFile(path); }

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

  // The mail server of tests/hardening/smtp_faults.py (with `flags`), ready
  // to answer, and the settings that send through it with `extra` lines.
  void MailServer(const std::string& flags = "", const std::string& extra = "") {
    const fs::path port_file = dir_ / "smtp.port";
    helper_ = fork();
    if (helper_ == 0) {
      const std::string script =
          std::string(DUNMERROW_SOURCE_DIR) + "/tests/hardening/smtp_faults.py";
      execl("/usr/bin/python3", "python3", script.c_str(), port_file.c_str(),
            (dir_ / "smtp.log").c_str(), flags.empty() ? nullptr : flags.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200 && !fs::exists(port_file); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_TRUE(fs::exists(port_file)) << "the mail server did not start";
    Settings("[SOFTWARE\\Quellory\\Mail]\nHost=127.0.0.1\nPort=" + FileText(port_file) +
             "\nFrom=office@example.com\n" + extra);
  }
  // What the mail server logged: "connect" per connection, the recipients of
  // each message it took.
  std::string MailLog() { return FileText(dir_ / "smtp.log"); }

  bool mounted_ = false;
  pid_t helper_ = -1;
};

}  // namespace e2e

#endif  // DUNMERROW_TESTS_HARDENING_HARDENING_SUPPORT_H_
