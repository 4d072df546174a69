// Shared set-up of the report engine's tests (one program): a scratch folder,
// the statement definition, its PDF and trace read back.
#ifndef DUNMERROW_TESTS_ENGINES_REPORT_REPORT_TEST_UTIL_H_
#define DUNMERROW_TESTS_ENGINES_REPORT_REPORT_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "contracts/report.h"
#include "engines/report/report_engine.h"
#include "platform/trace.h"
#include "test_support.h"

namespace report_test {

using testing_support::Quoted;
using testing_support::ReadFile;
using testing_support::WriteFile;

// The standard output of `command`, run through the shell.
inline std::string Output(const std::string& command) {
  return testing_support::RunCommand(command).output;
}

// Empties `section`, sets its fields from "name=text" entries and prints a copy.
inline void Print(contracts::Report& report, const std::string& section,
                  const std::vector<std::string>& texts) {
  auto fields = report.Sections(section);
  fields->Clear();
  for (const std::string& entry : texts) {
    const size_t equals = entry.find('=');
    fields->Fields(entry.substr(0, equals))->SetText(entry.substr(equals + 1));
  }
  report.PrintSection(section);
}

inline const std::string kStatementDefinition =
    std::string(DUNMERROW_SOURCE_DIR) + "/definitions/OwnerStatement.rdn";

// A fresh scratch folder per test; the clock is fixed.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Set("DUNMERROW_NOW", "2026-03-31T10:20:30");
    options_.output_folder = (dir_ / "out").string();
  }
  void TearDown() override { platform::CloseTrace(); }

  std::shared_ptr<contracts::Report> NewReport(int32_t destination = 0, bool render = true) {
    report_engine::EngineOptions options = options_;
    options.destination = destination;
    options.render = render;
    auto report = report_engine::CreateReport(options);
    report->LoadDefinition(kStatementDefinition);
    return report;
  }
  // Fills and prints one owner statement of `lines` transaction lines.
  static void PrintStatement(contracts::Report& report, const std::string& owner, int lines) {
    if (report.PageHasOutput()) report.NewPage();
    Print(report, "Header",
          {"DateRange=Transaction from 01/03/2026 to 31/03/2026", "Owner=" + owner,
           "Address1=12 Harbour Street", "Address2=Kellsworth 4021", "Address3="});
    Print(report, "property",
          {"Property=4 Mill Lane,Kellsworth", "tenant=J. Carter paying $420.00 per week"});
    report.PrintSection("TransHeader");
    for (int i = 0; i < lines; ++i) {
      Print(report, "TransDetail",
            {"Date=0" + std::to_string(1 + i % 9) + "/03/2026", "Property=MILL4",
             "Details=Rent received, line " + std::to_string(i + 1), "Income=420.00"});
    }
    Print(report, "TransFooter",
          {"Total=Total for MILL4", "Income=840.00", "Expense=0.00", "TotalValue=840.00"});
    report.PrintSection("DisburseHeader");
    Print(report, "DisburseDetail",
          {"Date=31/03/2026", "details=Disbursement", "amount=756.00", "fees=84.00"});
    Print(report, "DisburseFooter", {"Totalfee=84.00", "TotalValue=756.00"});
  }

  // The PDF a preview run writes, and `options` of pdftotext over it.
  std::string Pdf() const { return options_.output_folder + "/statements-2026-03-31.pdf"; }
  std::string PdfText(const std::string& options = "") const {
    return Output("pdftotext " + options + " '" + Pdf() + "' -");
  }
  // The trace of the run from StartTrace to here.
  void StartTrace() { platform::OpenTrace(trace_); }
  std::string TraceText() {
    platform::CloseTrace();
    return ReadFile(trace_);
  }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  const std::filesystem::path dir_ = folder_.path();
  const std::string trace_ = (dir_ / "trace.jsonl").string();
  report_engine::EngineOptions options_;
};

}  // namespace report_test

#endif  // DUNMERROW_TESTS_ENGINES_REPORT_REPORT_TEST_UTIL_H_
