// The definition language: the shipped statement definition, and the
// messages a broken file gets (file, line, what is wrong).
#include "engines/report/definition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "core/com_error.h"
#include "report_test_util.h"

namespace report_test {
namespace {

using ::testing::Pair;
using testing_support::ExpectComError;

class DefinitionTest : public ReportTest {
 protected:
  // The problems of a definition whose <report> holds `body`.
  std::vector<std::string> Problems(const std::string& body, const std::string& attributes = "") {
    const std::string path = (dir_ / "test.rdn").string();
    WriteFile(path, "<report" + attributes + ">\n" + body + "</report>\n");
    std::vector<report_engine::DefinitionProblem> problems;
    report_engine::ParseDefinition(path, report_engine::SystemChecks(), problems);
    std::vector<std::string> lines;
    for (const auto& p : problems) {
      EXPECT_EQ(p.file, path);
      lines.push_back(std::to_string(p.line) + ": " + p.message);
    }
    return lines;
  }
};

// The header's company lines go in at 720 (the component inserts them
// there): the box "Square" and the owner's block sit below, the logo above.
TEST_F(DefinitionTest, TheStatementHeaderLeavesRoomForTheCompanyLines) {
  const auto def = report_engine::LoadDefinitionFile(kStatementDefinition);
  std::map<std::string, std::string> side;  // of 720
  for (const auto& section : def.sections) {
    if (section.name != "Header") continue;
    for (const auto& e : section.elements) side[e.name] = e.top < 720 ? "above" : "below";
  }
  EXPECT_THAT(side, ::testing::IsSupersetOf({Pair("Logo", "above"), Pair("Square", "below"),
                                             Pair("DateRange", "below"), Pair("Owner", "below")}));
}

TEST_F(DefinitionTest, EveryProblemIsReportedWithItsLine) {
  WriteFile(dir_ / "broken.png", "not a picture");
  // The system's own reason why a picture cannot be read follows the name.
  const auto unreadable = [&](int line, const std::string& name) {
    return ::testing::StartsWith(std::to_string(line) + ": cannot read the image " +
                                 (dir_ / name).string() + ": ");
  };
  const struct {
    std::string attributes, body;
    std::vector<::testing::Matcher<std::string>> problems;
  } cases[] = {
      {"",
       "<section name=\"A\" height=\"100\">\n<field name=\"x\"\n</section>\n",
       {"4: not well-formed XML: Error parsing start element tag"}},
      {"",
       "<section name=\"A\" height=\"300\">\n"
       "  <field name=\"x\" top=\"0\" left=\"0\" width=\"100\" height=\"abc\"/>\n"
       "  <field name=\"x\" top=\"0\" left=\"0\" width=\"100\" height=\"200\" colour=\"red\"/>\n"
       "  <label top=\"200\" left=\"0\" width=\"100\" height=\"200\" align=\"middle\"/>\n"
       "  <circle/>\n"
       "</section>\n"
       "<section name=\"A\" height=\"100\"/>\n",
       {"3: attribute 'height' of <field 'x'> must be a whole number of twips from 0 to "
        "1000000, not 'abc'",
        "4: unknown attribute 'colour' on <field 'x'>",
        "4: section 'A' already has an element named 'x' (line 3)",
        "5: attribute 'align' of <label> must be left, center or right, not 'middle'",
        "5: <label> reaches 400 twips down, below the section's height of 300",
        "6: unknown element <circle> in section 'A' (expected field, label, box, line or image)",
        "8: section 'A' is defined twice (first on line 2)"}},
      {" page=\"B5\"",
       "<section name=\"A\" height=\"20000\"/>\n",
       {"1: attribute 'page' of <report> must be A4 or Letter, not 'B5'",
        "2: section 'A' is 20000 twips high, more than the 15398 twips a page has between its "
        "margins"}},
      {"", "", {"1: the report has no <section>"}},
      {"",
       "<section name=\"A\" height=\"300\">\n"
       "  <label top=\"0\" left=\"0\" width=\"100\" height=\"200\" font-family=\"No Such Font\"/>\n"
       "</section>\n",
       {"3: font family 'No Such Font' is not installed"}},
      {"",
       "<section name=\"A\" height=\"300\">\n"
       "  <image top=\"0\" left=\"0\" width=\"100\" height=\"200\" src=\"broken.png\"/>\n"
       "  <image top=\"0\" left=\"0\" width=\"100\" height=\"200\" src=\"missing.bmp\"/>\n"
       "</section>\n",
       {unreadable(3, "broken.png"), unreadable(4, "missing.bmp")}},
      {" page-group=\"B\"",
       "<section name=\"A\" height=\"100\"/>\n",
       {"1: attribute 'page-group' of <report> names no section: 'B'"}},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(Problems(c.body, c.attributes), ::testing::ElementsAreArray(c.problems))
        << c.attributes << c.body;
  }
}

TEST_F(DefinitionTest, LoadingAnInvalidFileRaisesWithAllItsProblems) {
  const std::string path = (dir_ / "bad.rdn").string();
  WriteFile(path, "<report>\n<section name=\"A\"/>\n</report>\n");
  const std::string problem = path + ":2: <section 'A'> needs the attribute 'height'";
  const auto e = ExpectComError(core::kErrInvalidFormat, problem,
                                [&] { report_engine::LoadDefinitionFile(path); });
  EXPECT_EQ(e.description(), "Report definition " + path + " is not valid:\n" + problem);
  ExpectComError(core::kErrInvalidFormat, path + ".missing:0: ", [&] {
    report_engine::LoadDefinitionFile(path + ".missing");
  });
}

}  // namespace
}  // namespace report_test
