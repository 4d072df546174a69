// Long texts split over many copies of a field: every piece in order, each
// offer to the engine bounded however long the text, and nothing lost
// whether a copy holds a little or a lot.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fake_report.h"
#include "sections/memo.h"

namespace {

// Records the size of every text offered to FitText.
class MeasuringReport : public testing_support::FakeReport {
 public:
  std::string FitText(contracts::ReportField& field, std::string& text) override {
    largest_offer = std::max(largest_offer, text.size());
    ++offers;
    return FakeReport::FitText(field, text);
  }
  size_t largest_offer = 0;
  size_t offers = 0;
};

std::string LongText(size_t size) {
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + " ü€\n";
  return text.substr(0, size);
}

TEST(LongTextTest, AMegabyteIsOfferedInBoundedPiecesAndPrintedWhole) {
  for (const size_t per_copy : {size_t{7}, size_t{3000}, size_t{100000}}) {
    MeasuringReport report;
    report.Declare("Notes")->Add("Notes");
    report.fit_chars = per_copy;
    const std::string text = LongText(1 << 20);
    sections::PrintMemoField(report, text, "Notes", "Notes");

    std::string printed;
    for (const auto& copy : report.printed) printed += copy.fields.at("Notes");
    EXPECT_TRUE(printed == text) << per_copy << ": " << printed.size() << " of " << text.size();
    EXPECT_EQ(report.printed.size(), (text.size() + per_copy - 1) / per_copy);
    // The work per copy follows what a copy holds, not the whole text.
    EXPECT_LE(report.largest_offer, std::max<size_t>(4096, 4 * per_copy)) << per_copy;
    EXPECT_LE(report.offers, 2 * report.printed.size() + 16) << per_copy;
  }
}

}  // namespace
