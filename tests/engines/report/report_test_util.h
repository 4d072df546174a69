// Shared set-up of the report engine's tests, header only (the folder's
// *_test.cc files make one program): a scratch folder, the
// statement definition, commands run for their output.
#ifndef DUNMERROW_TESTS_ENGINES_REPORT_REPORT_TEST_UTIL_H_
#define DUNMERROW_TESTS_ENGINES_REPORT_REPORT_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "contracts/report.h"
#include "engines/report/report_engine.h"
#include "platform/trace.h"
#include "test_support.h"

namespace report_test {

// The definition shipped with the component.
inline std::string StatementDefinition() {
  return std::string(DUNMERROW_SOURCE_DIR) + "/definitions/OwnerStatement.rdn";
}

// The standard output of `command`, run through the shell.
inline std::string RunCommand(const std::string& command) {
  return testing_support::RunCommand(command).output;
}

// Writes `contents` to `path`.
inline void WriteText(const std::string& path, const std::string& contents) {
  testing_support::WriteFile(path, contents);
}

// A fresh scratch folder per test; the clock is fixed.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::shared_ptr<contracts::Report> NewReport(int32_t destination = 0, bool render = true);
  // Fills and prints one owner statement of `lines` transaction lines.
  void PrintStatement(contracts::Report& report, const std::string& owner, int lines);

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  const std::filesystem::path dir_ = folder_.path();
  report_engine::EngineOptions options_;
};

inline void ReportTest::SetUp() {
  env_.Set("DUNMERROW_NOW", "2026-03-31T10:20:30");
  options_.output_folder = (dir_ / "out").string();
}

inline void ReportTest::TearDown() { platform::CloseTrace(); }

inline std::shared_ptr<contracts::Report> ReportTest::NewReport(int32_t destination, bool render) {
  report_engine::EngineOptions options = options_;
  options.destination = destination;
  options.render = render;
  auto report = report_engine::CreateReport(options);
  report->LoadDefinition(StatementDefinition());
  return report;
}

inline void ReportTest::PrintStatement(contracts::Report& report, const std::string& owner,
                                       int lines) {
  auto header = report.Sections("Header");
  header->Fields("DateRange")->SetText("Transaction from 01/03/2026 to 31/03/2026");
  header->Fields("Owner")->SetText(owner);
  header->Fields("Address1")->SetText("12 Harbour Street");
  header->Fields("Address2")->SetText("Kellsworth 4021");
  header->Fields("Address3")->SetText("");
  if (report.PageHasOutput()) report.NewPage();
  report.PrintSection("Header");
  auto property = report.Sections("property");
  property->Clear();
  property->Fields("Property")->SetText("4 Mill Lane,Kellsworth");
  property->Fields("tenant")->SetText("J. Carter paying $420.00 per week");
  report.PrintSection("property");
  report.PrintSection("TransHeader");
  auto detail = report.Sections("TransDetail");
  for (int i = 0; i < lines; ++i) {
    detail->Clear();
    detail->Fields("Date")->SetText("0" + std::to_string(1 + i % 9) + "/03/2026");
    detail->Fields("Property")->SetText("MILL4");
    detail->Fields("Details")->SetText("Rent received, line " + std::to_string(i + 1));
    detail->Fields("Income")->SetText("420.00");
    report.PrintSection("TransDetail");
  }
  auto footer = report.Sections("TransFooter");
  footer->Fields("Total")->SetText("Total for MILL4");
  footer->Fields("Income")->SetText("840.00");
  footer->Fields("Expense")->SetText("0.00");
  footer->Fields("TotalValue")->SetText("840.00");
  report.PrintSection("TransFooter");
  report.PrintSection("DisburseHeader");
  auto disburse = report.Sections("DisburseDetail");
  disburse->Fields("Date")->SetText("31/03/2026");
  disburse->Fields("details")->SetText("Disbursement");
  disburse->Fields("amount")->SetText("756.00");
  disburse->Fields("fees")->SetText("84.00");
  report.PrintSection("DisburseDetail");
  auto totals = report.Sections("DisburseFooter");
  totals->Fields("Totalfee")->SetText("84.00");
  totals->Fields("TotalValue")->SetText("756.00");
  report.PrintSection("DisburseFooter");
}

}  // namespace report_test

#endif  // DUNMERROW_TESTS_ENGINES_REPORT_REPORT_TEST_UTIL_H_
