// Runs the real `dunmerrow statements` on a small host database built by the
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

using testing_support::FilesUnder;
using testing_support::ReadFile;

struct RunResult {
  int status = -1;
  std::string stderr_text;
  std::vector<nlohmann::json> trace;

  // Every event of `op` ("section", "newpage", "end", "message").
  std::vector<nlohmann::json> Events(const std::string& op) const;
  // The printed copies of section `name`, in order.
  std::vector<nlohmann::json> Copies(const std::string& name) const;
  // Field `field` of every printed copy of `section`, in order.
  std::vector<std::string> Fields(const std::string& section, const std::string& field) const;
  // The names of the printed sections, in order, with "|" for each new page
  // and "#" for each end of a document.
  std::string Outline() const;
};

class StatementTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs SQL against the test's host database.
  void Sql(const std::string& sql);
  // A standard options row (tax options as given) and the usual accounts.
  void StandardSetup(bool tax = false);
  // `dunmerrow statements --date DATE ...` with the test's database, en_AU,
  // DUNMERROW_NOW=2009-04-20T09:00:00, a trace and an output folder; no
  // --date when DATE is empty.
  RunResult Run(const std::string& date, const std::string& extra_args = "");
  // Runs a command line in the test's environment, the component's folder
  // being `home_`; its standard error is kept in `stderr_text`, its standard
  // output in the file stdout.txt of `dir_`.
  RunResult Command(const std::string& command_line);
  // What the last command wrote to its standard output.
  std::string Stdout() const { return ReadFile(dir_ / "stdout.txt"); }

  // Put before the command (e.g. "xvfb-run -a "), after its environment.
  std::string launcher_;
  std::filesystem::path dir_;
  std::filesystem::path db_;
  std::filesystem::path out_;
  std::filesystem::path home_ = DUNMERROW_BIN_DIR;
};

}  // namespace e2e

#endif  // DUNMERROW_TESTS_E2E_STATEMENT_HARNESS_H_
