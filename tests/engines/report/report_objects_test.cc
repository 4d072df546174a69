// The object model the component drives: sections and fields by name and
// position, Clear, AddField, and that the objects handed out are live.
#include "engines/report/report_objects.h"

#include <gmock/gmock.h>
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
  EXPECT_EQ(
      TraceText(),
      "{\"op\":\"section\",\"name\":\"TransDetail\",\"page\":1,\"fields\":{\"Date\":\"\","
      "\"Property\":\"\",\"Details\":\"Water rates\",\"Expense\":\"\",\"Income\":\"12.00\"}}\n"
      "{\"op\":\"section\",\"name\":\"TransDetail\",\"page\":1,\"fields\":{\"Date\":"
      "\"02/03/2026\",\"Property\":\"\",\"Details\":\"\",\"Expense\":\"\",\"Income\":\"\"}}\n");
}

TEST_F(ReportObjectsTest, CompanyLinesInsertedAsTheComponentDoesMoveTheHeaderDown) {
  platform::OpenTrace((dir_ / "trace.jsonl").string());
  auto report = NewReport();
  auto header = report->Sections("Header");
  const int32_t height = header->Height();
  const int32_t owner_top = header->Fields("Owner")->Top();
  const int32_t logo_top = header->Fields("Logo")->Top();
  for (const char* name : {"oAddress1", "oCompanyName"}) {
    header->SetHeight(header->Height() + 240);
    for (int16_t i = 1; i <= header->FieldCount(); ++i) {
      auto field = header->Fields(i);
      if (field->Top() >= 720) field->SetTop(field->Top() + 240);
    }
    header->AddField(name);
    auto added = header->Fields(name);
    added->SetDefaultText(name);
    added->SetText(name);
    added->SetHeight(240);
    added->SetTop(720);
    added->SetLeft(885);
    added->SetWidth(report->Sections("Header")->Fields("Square")->Width());
    added->SetStyle(2);
  }
  EXPECT_EQ(header->Height(), height + 480);
  EXPECT_EQ(header->Fields("Owner")->Top(), owner_top + 480);
  EXPECT_EQ(header->Fields("Logo")->Top(), logo_top);
  EXPECT_EQ(header->Fields("oAddress1")->Top(), 960);
  EXPECT_EQ(header->Fields("oCompanyName")->Top(), 720);
  EXPECT_EQ(header->Fields("oCompanyName")->Width(), 5400);
  EXPECT_EQ(ErrorOf([&] { header->AddField("Owner"); }),
            "Section 'Header' already has a field 'Owner'");

  header->Fields("Owner")->SetText("Ms Alice Brown");
  report->PrintSection("Header");
  header->Clear();  // added fields are fields: emptied too
  report->PrintSection("Header");
  report->EndReport();
  const std::string trace = TraceText();
  EXPECT_THAT(trace,
              ::testing::HasSubstr("\"Address3\":\"\",\"oAddress1\":\"oAddress1\",\"oCompanyName\":"
                                   "\"oCompanyName\"}}\n"));
  EXPECT_THAT(trace, ::testing::HasSubstr("\"oAddress1\":\"\",\"oCompanyName\":\"\"}}\n"));
  const std::string text =
      RunCommand("pdftotext -layout '" + options_.output_folder + "/statements-2026-03-31.pdf' -");
  EXPECT_THAT(text, ::testing::HasSubstr("oCompanyName"));
  EXPECT_THAT(text, ::testing::HasSubstr("Ms Alice Brown"));
}

}  // namespace
}  // namespace report_test
