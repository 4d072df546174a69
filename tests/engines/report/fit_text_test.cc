// FitText: what fits a field, measured with the PDF's own fonts, and the
// promise that every call makes progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "report_test_util.h"

namespace report_test {
namespace {

// True when `text` is whole UTF-8 characters (lead byte plus continuations).
bool WholeCharacters(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

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
    while (!text.empty()) {
      const size_t offered = text.size();
      std::string rest = report_->FitText(*field_, text);
      EXPECT_LT(rest.size(), offered) << "no progress";
      parts.push_back(text);
      text = rest;
      if (parts.size() > 10000) break;
    }
    return parts;
  }
  std::string Join(const std::vector<std::string>& parts) {
    std::string all;
    for (const auto& p : parts) all += p;
    return all;
  }
  std::shared_ptr<contracts::Report> report_;
  std::shared_ptr<contracts::ReportField> field_;
};

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// Each call makes progress, every part is whole UTF-8 characters, and the
// parts rejoin to the text.
TEST_F(FitTextTest, TextsSplitIntoWholeCharactersThatRejoin) {
  const struct {
    const char* name;
    std::string text;
    size_t parts;  // at least
  } cases[] = {
      {"empty", "", 0},
      {"short", "Gutters cleared in March.", 1},
      {"long", Repeat("The tenant reported a leaking tap in unit 12. ", 60), 6},
      {"multi-byte", Repeat("\xC3\x9C" "bergabe caf\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC ", 80), 2},
      {"right to left", Repeat("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D ", 60), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parts = Split(c.text);
    EXPECT_GE(parts.size(), c.parts);
    if (c.parts == 1) {
      EXPECT_EQ(parts.size(), 1u);
    }
    EXPECT_TRUE(Join(parts) == c.text);
    for (const std::string& part : parts) EXPECT_TRUE(WholeCharacters(part)) << part;
    // Logical order: the text's first word comes first.
    if (!parts.empty()) {
      EXPECT_EQ(parts[0].substr(0, 4), c.text.substr(0, 4));
    }
  }
}

TEST_F(FitTextTest, ExactFitLeavesNoRestAndOneMoreWordSplitsAtTheWord) {
  // Grow a text word by word until the one-line field overflows.
  std::string fits;
  std::string next = "word";
  for (int i = 0;; ++i) {
    std::string candidate = fits.empty() ? next : fits + " " + next;
    std::string text = candidate;
    if (!report_->FitText(*field_, text).empty()) break;
    fits = candidate;
    ASSERT_LT(i, 1000);
  }
  std::string text = fits;
  EXPECT_EQ(report_->FitText(*field_, text), "");
  text = fits + " word";
  EXPECT_EQ(report_->FitText(*field_, text), "word");
  EXPECT_EQ(text, fits + " ");
}

TEST_F(FitTextTest, AWordWiderThanTheFieldIsBrokenAndAFieldLowerThanALineStillTakesALine) {
  auto narrow = report_->Sections("TransDetail")->Fields("Date");  // 1300 twips wide
  narrow->SetHeight(60);                                           // lower than one line
  std::string text(200, 'W');
  std::string rest = report_->FitText(*narrow, text);
  EXPECT_FALSE(text.empty());
  EXPECT_FALSE(rest.empty());
  EXPECT_EQ(text + rest, std::string(200, 'W'));
  // A single character too wide for the field still moves on.
  narrow->SetWidth(1);
  std::string wide = "\xE6\x9D\xB1\xE4\xBA\xAC";
  EXPECT_EQ(report_->FitText(*narrow, wide), "\xE4\xBA\xAC");
  EXPECT_EQ(wide, "\xE6\x9D\xB1");
}

TEST_F(FitTextTest, LineBreaksEndAPartAndAreNotPrinted) {
  std::string text = "First line\r\nSecond line\nThird";
  EXPECT_EQ(report_->FitText(*field_, text), "Second line\nThird");
  EXPECT_EQ(text, "First line");
  EXPECT_EQ(Split("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(FitTextTest, InvalidUtf8BecomesReplacementCharacters) {
  std::string text = "bad \xff byte";
  EXPECT_EQ(report_->FitText(*field_, text), "");
  EXPECT_EQ(text, "bad \xEF\xBF\xBD byte");
}

TEST_F(FitTextTest, ATallFieldHoldsSeveralLines) {
  auto tall = report_->Sections("notes")->AddField("tall");
  tall->SetWidth(3000);
  tall->SetHeight(3 * 240);
  std::string text;
  for (int i = 0; i < 30; ++i) text += "several words here ";
  std::string one_line = text;
  report_->FitText(*report_->Sections("TransDetail")->Fields("Details"), one_line);
  std::string three_lines = text;
  report_->FitText(*tall, three_lines);
  EXPECT_GT(three_lines.size(), one_line.size() * 2 / 3 * 2);
}

}  // namespace
}  // namespace report_test
