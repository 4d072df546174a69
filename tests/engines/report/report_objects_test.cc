// The object model the component drives: sections and fields by name and
// position, Clear, AddField, and that the objects handed out are live.
#include "engines/report/report_objects.h"

#include <gtest/gtest.h>

#include "core/com_error.h"
#include "platform/files.h"
#include "platform/trace.h"
#include "report_test_util.h"

namespace report_test {
namespace {

class ReportObjectsTest : public ReportTest {
 protected:
  // The description of the ComError that `call` raises ("" when none).
  template <typename F>
  std::string ErrorOf(F call) {
    try {
      call();
    } catch (const core::ComError& e) {
      return e.description();
    }
    return "";
  }
  std::string TraceText() { return platform::ReadFile((dir_ / "trace.jsonl").string()); }
};

TEST_F(ReportObjectsTest, UnknownNamesRaiseErrorsNamingThem) {
  auto report = NewReport();
  EXPECT_EQ(ErrorOf([&] { report->Sections("Footer"); }),
            "Report definition has no section 'Footer'");
  EXPECT_EQ(ErrorOf([&] { report->PrintSection("header"); }),
            "Report definition has no section 'header'");
  EXPECT_EQ(ErrorOf([&] { report->Sections("Header")->Fields("owner"); }),
            "Section 'Header' has no field 'owner'");
  EXPECT_EQ(ErrorOf([&] { report->Sections("Blank")->Fields(int16_t{1}); }),
            "Section 'Blank' has no field at position 1 (it has 0)");
  EXPECT_EQ(ErrorOf([&] { report->Sections("Header")->AddField("Owner"); }),
            "Section 'Header' already has a field 'Owner'");
  auto fresh = report_engine::CreateReport(options_);
  EXPECT_EQ(ErrorOf([&] { fresh->Sections("Header"); }), "No report definition is loaded");
}

TEST_F(ReportObjectsTest, NamesMatchExactlySoNotesAndNotesAreTwoSections) {
  auto report = NewReport();
  EXPECT_EQ(report->Sections("notes")->Fields("notes")->Name(), "notes");
  EXPECT_EQ(report->Sections("Notes")->Fields("Notes")->Name(), "Notes");
  EXPECT_EQ(report->Sections("Notes")->Name(), "Notes");
}

TEST_F(ReportObjectsTest, ObjectsAreLiveAndClearKeepsLabels) {
  platform::OpenTrace((dir_ / "trace.jsonl").string());
  auto report = NewReport(0, false);
  auto detail = report->Sections("TransDetail");
  report->Sections("TransDetail")->Fields("Details")->SetText("Water rates");
  detail->Fields("Income")->SetText("12.00");
  report->PrintSection("TransDetail");
  detail->Clear();
  detail->Fields("Date")->SetText("02/03/2026");
  report->PrintSection("TransDetail");
  auto header = report->Sections("TransHeader");
  header->Clear();
  EXPECT_EQ(header->Fields(int16_t{1})->Text(), "Transactions");
  // Added fields are fields: Clear empties them too.
  auto added = report->Sections("Header")->AddField("oCompanyName");
  added->SetText("Harbour Lettings");
  report->Sections("Header")->Clear();
  EXPECT_EQ(added->Text(), "");
  EXPECT_EQ(
      TraceText(),
      "{\"op\":\"section\",\"name\":\"TransDetail\",\"page\":1,\"fields\":{\"Date\":\"\","
      "\"Property\":\"\",\"Details\":\"Water rates\",\"Expense\":\"\",\"Income\":\"12.00\"}}\n"
      "{\"op\":\"section\",\"name\":\"TransDetail\",\"page\":1,\"fields\":{\"Date\":"
      "\"02/03/2026\",\"Property\":\"\",\"Details\":\"\",\"Expense\":\"\",\"Income\":\"\"}}\n");
}

}  // namespace
}  // namespace report_test
