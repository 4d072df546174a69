// Runs the real `dunmerrow` commands on a small host database built by the
// test, and reads back the exit status, the messages and the trace.
#ifndef DUNMERROW_TESTS_E2E_STATEMENT_HARNESS_H_
#define DUNMERROW_TESTS_E2E_STATEMENT_HARNESS_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "test_support.h"

namespace e2e {

namespace fs = std::filesystem;
using testing_support::FilesUnder;
using testing_support::Quoted;
using testing_support::ReadFile;
using testing_support::WriteFile;
using Texts = std::vector<std::string>;

struct RunResult {
  int status = -1;
  std::string stderr_text;
  std::vector<nlohmann::json> trace;

  // Every event of `op` ("section", "newpage", "end", "message"); with a
  // `name`, only the printed copies of that section.
  std::vector<nlohmann::json> Events(const std::string& op, const std::string& name = "") const;
  // Field `field` of every printed copy of `section`, in order.
  Texts Fields(const std::string& section, const std::string& field) const;
  // The text of the last message shown; "" when there was none.
  std::string LastMessage() const;
  // The names of the printed sections, in order, with "|" for each new page
  // and "#" for each end of a document.
  std::string Outline() const;
};

// Whether the run printed: exit status 0, its report ended and no failure
// shown; a failed expectation names what was not so.
bool Printed(const RunResult& r);
// Expects a stopped run: exit status 1, nothing ended, its one failure
// "Error printing report - ..." shown and on standard error. Returns that
// text ("" when none was shown).
std::string Stopped(const RunResult& r);

class StatementTest : public ::testing::Test {
 protected:
  StatementTest();

  void Sql(const std::string& sql);
  // A standard options row (tax options as given) and the usual accounts.
  void StandardSetup(bool tax = false);
  // `dunmerrow statements --date DATE ...` with the test's database, en_AU,
  // a trace and an output folder; no --date when DATE is empty.
  RunResult Run(const std::string& date, const std::string& extra_args = "");
  // Runs a command line at DUNMERROW_NOW=2009-04-20T09:00:00 with the settings
  // files machine.ini and user.ini of `dir_`, the component's folder `home_`.
  RunResult Command(const std::string& command_line);
  std::string Stdout() const { return ReadFile(dir_ / "stdout.txt"); }
  // The rows of the register of 18/04/2009 below its heading, as Python's
  // csv module reads them.
  std::vector<Texts> RegisterRows() const;
  // Makes a stand-in `lp` that logs the arguments of each job to lp.log and
  // keeps the file printed as job.pdf; returns the PATH setting that finds
  // it, for `launcher_`.
  std::string FakePrinter();

  testing_support::ScratchFolder scratch_;
  const fs::path dir_ = scratch_.path();
  const fs::path db_ = dir_ / "property.mdb";
  const fs::path out_ = dir_ / "out";
  fs::path home_ = DUNMERROW_BIN_DIR;
  // Put before the command (e.g. "xvfb-run -a "), after its environment.
  std::string launcher_;
};

}  // namespace e2e

#endif  // DUNMERROW_TESTS_E2E_STATEMENT_HARNESS_H_
