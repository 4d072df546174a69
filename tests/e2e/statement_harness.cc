// The end-to-end harness.
#include "statement_harness.h"

#include <unistd.h>

#include <fstream>

#include "engines/jet/host_database.h"

namespace e2e {

std::vector<nlohmann::json> RunResult::Events(const std::string& op) const {
  std::vector<nlohmann::json> out;
  for (const auto& e : trace) {
    if (e.value("op", "") == op) out.push_back(e);
  }
  return out;
}

std::vector<nlohmann::json> RunResult::Copies(const std::string& name) const {
  std::vector<nlohmann::json> out;
  for (const auto& e : trace) {
    if (e.value("op", "") == "section" && e.value("name", "") == name) out.push_back(e);
  }
  return out;
}

std::vector<std::string> RunResult::Fields(const std::string& section,
                                          const std::string& field) const {
  std::vector<std::string> out;
  for (const auto& copy : Copies(section)) out.push_back(copy["fields"].value(field, ""));
  return out;
}

std::string RunResult::Outline() const {
  std::string out;
  for (const auto& e : trace) {
    const std::string op = e.value("op", "");
    if (op == "section") out += e.value("name", "") + " ";
    if (op == "newpage") out += "| ";
    if (op == "end") out += "# ";
  }
  return out;
}

void StatementTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = std::filesystem::temp_directory_path() /
         ("dunmerrow-e2e-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" +
          info->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  db_ = dir_ / "property.mdb";
  out_ = dir_ / "out";
  jet::CreateHostDatabase(db_.string());
}

void StatementTest::TearDown() {
  if (!HasFailure()) std::filesystem::remove_all(dir_);
}

void StatementTest::Sql(const std::string& sql) { jet::ExecuteSql(db_.string(), sql); }

void StatementTest::StandardSetup(bool tax) {
  const std::string t = tax ? "-1" : "0";
  Sql("insert into options (CompanyName, Address1, Address2, Address3, PrintName, PrintAddress, "
      "TaxExpense, TaxIncome, TaxDisburse, Rent_Group, WhatPaysFirst) values ('Harbour Lettings', "
      "'1 Quay St', 'Portside', 'QLD 4000', -1, -1, " + t + ", " + t + ", " + t + ", 'RENT', 0);"
      "insert into glcodes (gl_code, description, type, BalanceDate, exclude_disburse, "
      "pay_to_owner, pay_extra_charges) values "
      "('RENT', 'Rent received', 1, '2009-01-01 00:00:00', 0, 0, 0),"
      "('WATER', 'Water charges', 1, '2009-01-01 00:00:00', 0, 0, -1),"
      "('REPAIRS', 'Repairs and maintenance', 2, '2009-01-01 00:00:00', 0, 0, 0),"
      "('BOND', 'Bond lodged', 1, '2009-01-01 00:00:00', -1, 0, 0),"
      "('OWNPAY', 'Owner contribution', 1, '2009-01-01 00:00:00', -1, -1, 0),"
      "('LEVY', 'Body corporate levy', 2, '2009-01-01 00:00:00', -1, 0, 0);");
}

RunResult StatementTest::Run(const std::string& date, const std::string& extra_args) {
  return Command("statements " + (date.empty() ? "" : "--date " + date) + " --database '" + db_.string() +
                 "' --app-folder '" + dir_.string() + "' --out '" + out_.string() +
                 "' --trace '" + (dir_ / "trace.jsonl").string() + "' --locale en_AU " +
                 extra_args);
}

RunResult StatementTest::Command(const std::string& command_line) {
  using testing_support::Quoted;
  const std::filesystem::path err = dir_ / "stderr.txt";
  // A hang fails the test instead of stopping the suite.
  const std::string cmd = "TZ=UTC DUNMERROW_NOW=2009-04-20T09:00:00 DUNMERROW_HOME=" +
                          Quoted(home_) + " QUELLORY_MACHINE_SETTINGS=" +
                          Quoted(dir_ / "machine.ini") + " QUELLORY_USER_SETTINGS=" +
                          Quoted(dir_ / "user.ini") + " " + launcher_ + "timeout 600 " +
                          Quoted(std::string(DUNMERROW_BIN_DIR) + "/dunmerrow") + " " +
                          command_line + " </dev/null >" + Quoted(dir_ / "stdout.txt") + " 2>" +
                          Quoted(err);
  RunResult r;
  r.status = testing_support::RunCommand(cmd).status;
  r.stderr_text = ReadFile(err);
  std::ifstream trace(dir_ / "trace.jsonl");
  for (std::string line; std::getline(trace, line);) {
    if (!line.empty()) r.trace.push_back(nlohmann::json::parse(line));
  }
  std::filesystem::remove(dir_ / "trace.jsonl");
  return r;
}

}  // namespace e2e
