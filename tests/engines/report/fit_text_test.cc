// FitText: what fits a field, measured with the PDF's own fonts, and the
// promise that every call makes progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "report_test_util.h"

namespace report_test {
namespace {

class FitTextTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    report_ = NewReport();
    field_ = report_->Sections("notes")->Fields("notes");
  }
  // Splits `text` the way PrintMemoField does; the parts in order.
  std::vector<std::string> Split(std::string text) {
    std::vector<std::string> parts;
    while (!text.empty() && parts.size() < 10000) {
      const size_t offered = text.size();
      std::string rest = report_->FitText(*field_, text);
      EXPECT_LT(rest.size(), offered) << "no progress";
      parts.push_back(text);
      text = rest;
    }
    return parts;
  }
  std::shared_ptr<contracts::Report> report_;
  std::shared_ptr<contracts::ReportField> field_;
};

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// Each call makes progress, the parts rejoin to the text in their order and
// none starts inside a UTF-8 character, so every part is whole characters.
TEST_F(FitTextTest, TextsSplitIntoWholeCharactersThatRejoin) {
  const struct {
    const char* name;
    std::string text;
    size_t parts;  // at least; exactly for none
  } cases[] = {
      {"empty", "", 0},
      {"long", Repeat("The tenant reported a leaking tap in unit 12. ", 60), 6},
      {"multi-byte", Repeat("Übergabe café 東京 ", 80), 2},
      {"right to left", Repeat("שלום עולם ", 60), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parts = Split(c.text);
    EXPECT_TRUE(c.parts == 0 ? parts.empty() : parts.size() >= c.parts) << parts.size();
    std::string joined;
    for (const std::string& part : parts) {
      EXPECT_TRUE(part.empty() || (static_cast<unsigned char>(part[0]) & 0xC0) != 0x80) << part;
      joined += part;
    }
    EXPECT_TRUE(joined == c.text);
  }
}

// Line breaks end a part and are not printed; invalid UTF-8 becomes U+FFFD.
TEST_F(FitTextTest, OneCallTakesALineAndLeavesTheRest) {
  const struct {
    std::string text, part, rest;
  } cases[] = {
      {"First line\r\nSecond line\nThird", "First line", "Second line\nThird"},
      {"bad \xff byte", "bad \xEF\xBF\xBD byte", ""},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(report_->FitText(*field_, text), c.rest) << c.text;
    EXPECT_EQ(text, c.part) << c.text;
  }
  EXPECT_EQ(Split("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(FitTextTest, ExactFitLeavesNoRestAndOneMoreWordSplitsAtTheWord) {
  // Grow a text word by word until the one-line field overflows.
  std::string fits;
  for (int i = 0;; ++i) {
    std::string text = fits.empty() ? "word" : fits + " word";
    if (!report_->FitText(*field_, text).empty()) break;
    fits = text;
    ASSERT_LT(i, 1000);
  }
  std::string text = fits + " word";
  EXPECT_EQ(report_->FitText(*field_, text), "word");
  EXPECT_EQ(text, fits + " ");
}

TEST_F(FitTextTest, AFieldTakesTheLinesItsHeightHoldsButAlwaysOneAndBreaksWiderWords) {
  auto narrow = report_->Sections("TransDetail")->Fields("Date");  // 1300 twips wide
  narrow->SetHeight(60);                                           // lower than one line
  std::string text(200, 'W');
  std::string rest = report_->FitText(*narrow, text);
  EXPECT_FALSE(text.empty());
  EXPECT_FALSE(rest.empty());
  EXPECT_EQ(text + rest, std::string(200, 'W'));
  // A single character too wide for the field still moves on.
  narrow->SetWidth(1);
  std::string wide = "東京";
  EXPECT_EQ(report_->FitText(*narrow, wide), "京");
  EXPECT_EQ(wide, "東");
  // A field three lines high takes three lines.
  auto tall = report_->Sections("notes")->AddField("tall");
  tall->SetWidth(3000);
  tall->SetHeight(3 * 240);
  const std::string words = Repeat("several words here ", 30);
  std::string one_line = words;
  report_->FitText(*report_->Sections("TransDetail")->Fields("Details"), one_line);
  std::string three_lines = words;
  report_->FitText(*tall, three_lines);
  EXPECT_GT(three_lines.size(), one_line.size() * 2 / 3 * 2);
}

}  // namespace
}  // namespace report_test
