// The company block's field positions and the splitting of long texts,
// through the recording fake engine.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/general.h"
#include "fake_database.h"
#include "fake_report.h"
#include "sections/company_block.h"
#include "sections/memo.h"

namespace {

using core::Variant;
using testing_support::FakeDatabase;
using testing_support::FakeField;
using testing_support::FakeReport;
using testing_support::Row;

class CompanyBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    header_ = report_.Declare("Header");
    header_->Add("Logo", 100);
    header_->Add("DateRange", 720);
    header_->Add("Owner", 1500);
    header_->Add("Square", 600)->width_ = 9000;
  }
  void Options(Row row) {
    auto db = std::make_shared<FakeDatabase>();
    db->Answer("from options", {std::move(row)});
    General::DataDb() = db;
  }
  FakeField& Added(const std::string& name) {
    return *std::dynamic_pointer_cast<FakeField>(header_->Fields(name));
  }
  // The header's fields, each as "name top text", sorted.
  std::vector<std::string> Layout() const {
    std::vector<std::string> layout;
    for (const auto& f : header_->fields_) {
      layout.push_back(f->name_ + " " + std::to_string(f->top_) + " " + f->text_);
    }
    std::sort(layout.begin(), layout.end());
    return layout;
  }

  FakeReport report_;
  std::shared_ptr<testing_support::FakeSection> header_;
};

TEST_F(CompanyBlockTest, NameAndAddressLinesStackFromTheInsertionTop) {
  Options({{"PrintName", Variant(true)}, {"PrintAddress", Variant(true)},
           {"CompanyName", Variant("Harbour Lettings")}, {"Address1", Variant("1 Quay St")},
           {"Address2", Variant("")}, {"Address3", Variant("Portside 4000")}});
  sections::GetCompanyName(report_);
  // Fields at or below the insertion top moved down by every line; others stayed.
  EXPECT_EQ(Layout(), (std::vector<std::string>{
                          "DateRange 1440 ", "Logo 100 ", "Owner 2220 ", "Square 600 ",
                          "oAddress1 960 1 Quay St", "oAddress3 1200 Portside 4000",
                          "oCompanyName 720 Harbour Lettings"}));
  EXPECT_EQ(header_->height_, 1000 + 3 * 240);
  EXPECT_EQ(Added("oCompanyName").left_, 885);
  EXPECT_EQ(Added("oCompanyName").width_, 9000);  // copied from "Square"
  EXPECT_EQ(Added("oCompanyName").style_, 2);
}

TEST_F(CompanyBlockTest, NoFlagsLeaveTheHeaderAsLoadedAndNoSquareFallsBack) {
  Options({{"PrintName", Variant::Null()}, {"PrintAddress", Variant(false)}});
  sections::GetCompanyName(report_);
  EXPECT_EQ(Layout(), (std::vector<std::string>{"DateRange 720 ", "Logo 100 ", "Owner 1500 ",
                                                "Square 600 "}));
  EXPECT_EQ(header_->height_, 1000);

  header_->fields_.pop_back();  // no "Square" any more
  Options({{"PrintName", Variant(true)}, {"PrintAddress", Variant(false)},
           {"CompanyName", Variant("Harbour Lettings")}});
  sections::GetCompanyName(report_);
  EXPECT_EQ(Added("oCompanyName").width_, 8100);
  EXPECT_EQ(Added("oCompanyName").top_, 720);
}

// Records every text offered to FitText; `stuck` gives each back whole, as
// an engine that fits nothing would.
class MeasuringReport : public FakeReport {
 public:
  std::string FitText(contracts::ReportField& field, std::string& text) override {
    largest_offer = std::max(largest_offer, text.size());
    ++offers;
    return stuck ? text : FakeReport::FitText(field, text);
  }
  bool stuck = false;
  size_t largest_offer = 0, offers = 0;
};

TEST(MemoFieldTest, EveryPieceInOrderWhateverACopyHolds) {
  std::string megabyte;
  for (size_t i = 0; megabyte.size() < (1u << 20); ++i) {
    megabyte += "line " + std::to_string(i) + " \xC3\xBC\xE2\x82\xAC\n";
  }
  megabyte.resize(1u << 20);
  const struct {
    const char* name;
    std::string text;
    size_t per_copy;
    bool stuck;
    size_t copies;
  } cases[] = {
      {"empty: nothing printed, nothing looked up", "", 4, false, 0},
      {"short", "abc", 4, false, 1},
      {"three copies", "abcdefghij", 4, false, 3},
      {"an engine that fits nothing cannot hang the loop", "some text", 4, true, 1},
      {"a megabyte, a little a copy", megabyte, 7, false, ((1u << 20) + 6) / 7},
      {"a megabyte, a page a copy", megabyte, 3000, false, ((1u << 20) + 2999) / 3000},
      {"a megabyte, a lot a copy", megabyte, 100000, false, 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MeasuringReport report;
    auto notes = report.Declare("Notes");
    notes->Add("Notes");
    notes->Add("Other")->text_ = "kept once";
    report.fit_chars = c.per_copy;
    report.stuck = c.stuck;
    const char* section = c.text.empty() ? "Missing" : "Notes";
    sections::PrintMemoField(report, c.text, section, section);
    ASSERT_EQ(report.printed.size(), c.copies);
    std::string printed;
    for (const auto& copy : report.printed) printed += copy.fields.at("Notes");
    if (!c.stuck) {
      EXPECT_TRUE(printed == c.text) << printed.size() << " of " << c.text.size();
    }
    if (c.copies == 0) continue;
    EXPECT_EQ(report.printed[0].fields["Other"], "kept once");
    if (c.copies > 1) {
      EXPECT_EQ(report.printed[1].fields["Other"], "");
    }
    EXPECT_EQ(notes->fields_[0]->text_, "");  // left cleared
    // The work per copy follows what a copy holds, not the whole text.
    EXPECT_LE(report.largest_offer, std::max<size_t>(4096, 4 * c.per_copy));
    EXPECT_LE(report.offers, 2 * report.printed.size() + 16);
  }
}

}  // namespace
