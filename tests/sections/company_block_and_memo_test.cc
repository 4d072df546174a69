// The company block's field positions and the splitting of long texts,
// through the recording fake engine.
#include <gtest/gtest.h>

#include "data/general.h"
#include "fake_database.h"
#include "fake_report.h"
#include "sections/company_block.h"
#include "sections/memo.h"

namespace {

using testing_support::FakeDatabase;
using testing_support::FakeField;
using testing_support::FakeReport;
using testing_support::Row;

class CompanyBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    header_ = report_.Declare("Header");
    logo_ = header_->Add("Logo", 100);
    date_range_ = header_->Add("DateRange", 720);
    owner_ = header_->Add("Owner", 1500);
    square_ = header_->Add("Square", 600);
    square_->width_ = 9000;
  }
  void Options(Row row) {
    auto db = std::make_shared<FakeDatabase>();
    db->Answer("from options", {std::move(row)});
    General::DataDb() = db;
  }
  FakeField& Added(const std::string& name) {
    return *std::dynamic_pointer_cast<FakeField>(header_->Fields(name));
  }

  FakeReport report_;
  std::shared_ptr<testing_support::FakeSection> header_;
  std::shared_ptr<FakeField> logo_, date_range_, owner_, square_;
};

TEST_F(CompanyBlockTest, NameAndAddressLinesStackFromTheInsertionTop) {
  Options({{"PrintName", core::Variant(true)}, {"PrintAddress", core::Variant(true)},
           {"CompanyName", core::Variant("Harbour Lettings")}, {"Address1", core::Variant("1 Quay St")},
           {"Address2", core::Variant("")}, {"Address3", core::Variant("Portside 4000")}});
  sections::GetCompanyName(report_);
  EXPECT_EQ(Added("oCompanyName").top_, 720);
  EXPECT_EQ(Added("oAddress1").top_, 960);
  EXPECT_EQ(Added("oAddress3").top_, 1200);
  EXPECT_THROW(header_->Fields("oAddress2"), core::ComError);
  EXPECT_EQ(Added("oCompanyName").text_, "Harbour Lettings");
  EXPECT_EQ(Added("oCompanyName").left_, 885);
  EXPECT_EQ(Added("oCompanyName").width_, 9000);  // copied from "Square"
  EXPECT_EQ(Added("oCompanyName").style_, 2);
  EXPECT_EQ(header_->height_, 1000 + 3 * 240);
  // Fields at or below the insertion top moved down by every line; others stayed.
  EXPECT_EQ(date_range_->top_, 720 + 3 * 240);
  EXPECT_EQ(owner_->top_, 1500 + 3 * 240);
  EXPECT_EQ(logo_->top_, 100);
  EXPECT_EQ(square_->top_, 600);
}

TEST_F(CompanyBlockTest, NoFlagsLeaveTheHeaderAsLoadedAndNoSquareFallsBack) {
  Options({{"PrintName", core::Variant::Null()}, {"PrintAddress", core::Variant(false)}});
  sections::GetCompanyName(report_);
  EXPECT_EQ(header_->FieldCount(), 4);
  EXPECT_EQ(header_->height_, 1000);

  header_->fields_.pop_back();  // no "Square" any more
  Options({{"PrintName", core::Variant(true)}, {"PrintAddress", core::Variant(false)},
           {"CompanyName", core::Variant("Harbour Lettings")}});
  sections::GetCompanyName(report_);
  EXPECT_EQ(Added("oCompanyName").width_, 8100);
  EXPECT_EQ(Added("oCompanyName").top_, 720);
}

TEST(MemoFieldTest, LongTextsPrintOverSeveralCopies) {
  FakeReport report;
  auto notes = report.Declare("Notes");
  notes->Add("Notes");
  notes->Add("Other");
  report.fit_chars = 4;

  sections::PrintMemoField(report, "", "Missing", "Missing");  // nothing looked up
  EXPECT_TRUE(report.printed.empty());

  notes->fields_[1]->text_ = "kept once";
  sections::PrintMemoField(report, "abcdefghij", "Notes", "Notes");
  ASSERT_EQ(report.printed.size(), 3u);
  EXPECT_EQ(report.printed[0].fields["Notes"], "abcd");
  EXPECT_EQ(report.printed[0].fields["Other"], "kept once");
  EXPECT_EQ(report.printed[1].fields["Notes"], "efgh");
  EXPECT_EQ(report.printed[1].fields["Other"], "");
  EXPECT_EQ(report.printed[2].fields["Notes"], "ij");
  EXPECT_EQ(notes->fields_[0]->text_, "");  // left cleared
}

// An engine that never makes progress must not hang the run.
class StuckReport : public FakeReport {
 public:
  std::string FitText(contracts::ReportField&, std::string& text) override { return text; }
};

TEST(MemoFieldTest, AnEngineThatFitsNothingCannotHangTheLoop) {
  StuckReport report;
  report.Declare("Notes")->Add("Notes");
  sections::PrintMemoField(report, "some text", "Notes", "Notes");
  EXPECT_EQ(report.printed.size(), 1u);
}

}  // namespace
