// The end-to-end harness.
#include "statement_harness.h"

#include <algorithm>
#include <fstream>

#include "engines/jet/host_database.h"

namespace e2e {

namespace {

constexpr char kFailure[] = "Error printing report - ";

bool IsFailure(const nlohmann::json& message) {
  return message.value("text", "").rfind(kFailure, 0) == 0;
}

}  // namespace

std::vector<nlohmann::json> RunResult::Events(const std::string& op,
                                              const std::string& name) const {
  std::vector<nlohmann::json> out;
  for (const auto& e : trace) {
    if (e.value("op", "") == op && (name.empty() || e.value("name", "") == name)) {
      out.push_back(e);
    }
  }
  return out;
}

Texts RunResult::Fields(const std::string& section, const std::string& field) const {
  Texts out;
  for (const auto& e : Events("section", section)) out.push_back(e["fields"].value(field, ""));
  return out;
}

std::string RunResult::LastMessage() const {
  const auto messages = Events("message");
  return messages.empty() ? "" : messages.back().value("text", "");
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

bool Printed(const RunResult& r) {
  const auto messages = r.Events("message");
  const bool failed = std::any_of(messages.begin(), messages.end(), IsFailure);
  EXPECT_EQ(r.status, 0) << r.stderr_text;
  EXPECT_FALSE(r.Events("end").empty()) << "the report was not ended";
  EXPECT_FALSE(failed) << r.LastMessage();
  return r.status == 0 && !r.Events("end").empty() && !failed;
}

std::string Stopped(const RunResult& r) {
  const auto messages = r.Events("message");
  const std::string text = r.LastMessage();
  EXPECT_EQ(r.status, 1) << r.stderr_text;
  EXPECT_TRUE(r.Events("end").empty());
  EXPECT_EQ(std::count_if(messages.begin(), messages.end(), IsFailure), 1) << text;
  EXPECT_EQ(text.rfind(kFailure, 0), 0u) << text;
  EXPECT_NE(r.stderr_text.find(text.substr(0, 60)), std::string::npos) << r.stderr_text;
  return text;
}

StatementTest::StatementTest() { jet::CreateHostDatabase(db_.string()); }

void StatementTest::Sql(const std::string& sql) { jet::ExecuteSql(db_.string(), sql); }

void StatementTest::StandardSetup(bool tax) {
  const std::string t = tax ? "-1" : "0";
  Sql("insert into options (CompanyName, Address1, Address2, Address3, PrintName, PrintAddress, "
      "TaxExpense, TaxIncome, TaxDisburse, Rent_Group, WhatPaysFirst) values ('Harbour Lettings', "
      "'1 Quay St', 'Portside', 'QLD 4000', -1, -1, " + t + ", " + t + ", " + t + ", 'RENT', 0);"
      "insert into glcodes (gl_code, description, type, BalanceDate, exclude_disburse, "
      "pay_to_owner, pay_extra_charges) values "
      "('RENT', 'Rent received', 1, '2009-01-01 00:00:00', 0, 0, 0),"
      "('REPAIRS', 'Repairs and maintenance', 2, '2009-01-01 00:00:00', 0, 0, 0),"
      "('BOND', 'Bond lodged', 1, '2009-01-01 00:00:00', -1, 0, 0),"
      "('OWNPAY', 'Owner contribution', 1, '2009-01-01 00:00:00', -1, -1, 0),"
      "('LEVY', 'Body corporate levy', 2, '2009-01-01 00:00:00', -1, 0, 0);");
}

RunResult StatementTest::Run(const std::string& date, const std::string& extra_args) {
  return Command("statements " + (date.empty() ? "" : "--date " + date) + " --database " +
                 Quoted(db_) + " --app-folder " + Quoted(dir_) + " --out " + Quoted(out_) +
                 " --trace " + Quoted(dir_ / "trace.jsonl") + " --locale en_AU " + extra_args);
}

RunResult StatementTest::Command(const std::string& command_line) {
  const fs::path err = dir_ / "stderr.txt";
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
  fs::remove(dir_ / "trace.jsonl");
  return r;
}

std::vector<Texts> StatementTest::RegisterRows() const {
  return nlohmann::json::parse(
             testing_support::RunCommand(
                 "python3 -c \"import csv, json, sys\n"
                 "print(json.dumps(list(csv.reader(open(sys.argv[1], newline='')))[1:]))\" " +
                 Quoted(out_ / "register-2009-04-18.csv"))
                 .output)
      .get<std::vector<Texts>>();
}

std::string StatementTest::FakePrinter() {
  fs::create_directories(dir_ / "bin");
  WriteFile(dir_ / "bin" / "lp", "#!/bin/sh\necho \"$@\" >> " + Quoted(dir_ / "lp.log") +
                                     "\nfor f; do :; done\ncp \"$f\" " +
                                     Quoted(dir_ / "job.pdf") + "\n");
  fs::permissions(dir_ / "bin" / "lp", fs::perms::owner_all);
  return "PATH=" + Quoted(dir_ / "bin") + ":\"$PATH\" ";
}

}  // namespace e2e
