// What the fault and delivery tests share: owners of a few pages each, a
// small disk, helper programs, a mail server of their own and the register.
#ifndef DUNMERROW_TESTS_HARDENING_HARDENING_SUPPORT_H_
#define DUNMERROW_TESTS_HARDENING_HARDENING_SUPPORT_H_

#include <signal.h>
#include <sys/mount.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "statement_harness.h"

namespace e2e {

class FaultTest : public StatementTest {
 protected:
  void TearDown() override {
    if (mounted_) umount2(out_.c_str(), MNT_DETACH);
    for (const int pid : helpers_) kill(pid, SIGTERM);
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

  // Starts `command` in the background, stopped when the test ends, and
  // waits for it to create `ready`.
  void Helper(const std::string& command, const fs::path& ready) {
    const std::string pid =
        testing_support::RunCommand(command + " >/dev/null 2>&1 & echo $!").output;
    helpers_.push_back(std::stoi(pid));
    for (int i = 0; i < 400 && !fs::exists(ready); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_TRUE(fs::exists(ready)) << command << " did not start";
  }

  // The mail server of smtp_faults.py (with `flags`), ready to answer, and
  // the settings that send through it, with `extra` lines.
  void MailServer(const std::string& flags = "", const std::string& extra = "") {
    const fs::path port = dir_ / "smtp.port";
    const fs::path script = fs::path(DUNMERROW_SOURCE_DIR) / "tests/hardening/smtp_faults.py";
    ASSERT_NO_FATAL_FAILURE(Helper("python3 " + Quoted(script) + " " + Quoted(port) + " " +
                                       Quoted(dir_ / "smtp.log") + " " + flags,
                                   port));
    WriteFile(dir_ / "machine.ini", "[SOFTWARE\\Quellory\\Mail]\nHost=127.0.0.1\nPort=" +
                                        ReadFile(port) + "\nFrom=office@example.com\n" + extra);
  }
  // How often `word` is in the mail server's log: "connect" per connection,
  // "RCPT" per recipient of a message it took.
  int Logged(const std::string& word) {
    const std::string log = ReadFile(dir_ / "smtp.log");
    int n = 0;
    for (size_t at = log.find(word); at != std::string::npos; at = log.find(word, at + 1)) ++n;
    return n;
  }

  // The rows of the register of 18/04/2009 after its heading, split at the
  // commas (no cell of these owners holds one).
  std::vector<Texts> RegisterRows() {
    std::vector<Texts> rows;
    std::istringstream in(ReadFile(out_ / "register-2009-04-18.csv"));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      std::stringstream cells(line);
      rows.emplace_back();
      for (std::string cell; std::getline(cells, cell, ',');) rows.back().push_back(cell);
    }
    return rows;
  }
  // What the register says of `owner`: "state: reason"; "" without a row.
  std::string Registered(const std::string& owner) {
    for (const Texts& row : RegisterRows()) {
      if (row.size() > 12 && row[0] == owner) return row[11] + ": " + row[12];
    }
    return "";
  }

  bool mounted_ = false;
  std::vector<int> helpers_;
};

}  // namespace e2e

#endif  // DUNMERROW_TESTS_HARDENING_HARDENING_SUPPORT_H_
