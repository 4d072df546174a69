// The object model the component drives: sections and fields by name and
// position, Clear, AddField, and that the objects handed out are live.
#include "engines/report/report_objects.h"

#include <gtest/gtest.h>

#include <functional>

#include "report_test_util.h"

namespace report_test {
namespace {

using ReportObjectsTest = ReportTest;

TEST_F(ReportObjectsTest, UnknownNamesRaiseErrorsNamingThem) {
  auto report = NewReport();
  auto fresh = report_engine::CreateReport(options_);
  const struct {
    std::function<void()> call;
    int number;
    std::string says;
  } cases[] = {
      {[&] { report->PrintSection("header"); }, 3265, "Report definition has no section 'header'"},
      {[&] { report->Sections("Header")->Fields("owner"); }, 3265,
       "Section 'Header' has no field 'owner'"},
      {[&] { report->Sections("Blank")->Fields(int16_t{1}); }, 9,
       "Section 'Blank' has no field at position 1 (it has 0)"},
      {[&] { report->Sections("Header")->AddField("Owner"); }, 457,
       "Section 'Header' already has a field 'Owner'"},
      {[&] { fresh->Sections("Header"); }, 3704, "No report definition is loaded"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(testing_support::ExpectComError(c.number, c.says, c.call).description(), c.says);
  }
}

TEST_F(ReportObjectsTest, ObjectsAreLiveAndClearKeepsLabels) {
  StartTrace();
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
