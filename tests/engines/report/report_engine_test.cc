// The report engine end to end: the statement definition printed to a real
// PDF, read back with pdftotext and pdfinfo, and the trace of the run.
#include "engines/report/report_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/com_error.h"
#include "platform/files.h"
#include "platform/trace.h"
#include "report_test_util.h"

namespace report_test {
namespace {

using ::testing::HasSubstr;

class ReportEngineTest : public ReportTest {};

TEST_F(ReportEngineTest, PreviewWritesOnePdfWithEveryStatement) {
  auto report = NewReport();
  PrintStatement(*report, "Ms Alice Brown", 3);
  PrintStatement(*report, "Mr Bob Ng", 2);
  report->EndReport();
  const std::string pdf = options_.output_folder + "/statements-2026-03-31.pdf";
  ASSERT_TRUE(platform::PlainFileExists(pdf));
  EXPECT_THAT(RunCommand("pdfinfo '" + pdf + "'"), HasSubstr("Pages:           2"));
  const std::string text = RunCommand("pdftotext -layout '" + pdf + "' -");
  EXPECT_THAT(text, HasSubstr("Ms Alice Brown"));
  EXPECT_THAT(text, HasSubstr("Mr Bob Ng"));
  EXPECT_THAT(text, HasSubstr("Rent received, line 3"));
  EXPECT_THAT(text, HasSubstr("Page 1 of 2"));
  EXPECT_THAT(text, HasSubstr("Page 2 of 2"));
  const auto summary = report_engine::Summary(*report);
  EXPECT_EQ(summary.documents, 1);
  EXPECT_EQ(summary.pages, 2);
  EXPECT_EQ(summary.copies.at("Header"), 2);
}

}  // namespace
}  // namespace report_test
