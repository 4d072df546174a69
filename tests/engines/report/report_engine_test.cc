// The report engine end to end: the statement definition printed to a real
// PDF, read back with poppler's tools, and the trace of the run.
#include "engines/report/report_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "engines/report/page_painter.h"
#include "engines/report/preview_pages.h"
#include "report_test_util.h"

namespace report_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class ReportEngineTest : public ReportTest {
 protected:
  // A report of the one-section definition `body` (its <section> elements).
  std::shared_ptr<contracts::Report> ReportOf(const std::string& body) {
    const std::string path = (dir_ / "test.rdn").string();
    WriteFile(path, "<report>\n" + body + "</report>\n");
    auto report = report_engine::CreateReport(options_);
    report->LoadDefinition(path);
    return report;
  }
};

TEST_F(ReportEngineTest, AnEmptyReportWritesNothingAndNewPageAddsNoBlankPage) {
  StartTrace();
  NewReport()->EndReport();
  EXPECT_FALSE(fs::exists(options_.output_folder));
  EXPECT_THAT(TraceText(), HasSubstr("\"pages\":0,\"file\":\"\"}"));

  auto report = NewReport();
  report->NewPage();
  report->PrintSection("Blank");
  EXPECT_NE(report->PageHasOutput(), 0);
  report->NewPage();
  EXPECT_EQ(report->PageHasOutput(), 0);
  report->PrintSection("Blank");
  report->EndReport();
  EXPECT_EQ(report->PageHasOutput(), 0);
  EXPECT_EQ(report_engine::Summary(*report).pages, 2);
}

// A section that does not fit starts a new page; a run that only measures
// lays out and traces the same, and equal input gives equal bytes.
TEST_F(ReportEngineTest, SectionsThatDoNotFitStartANewPageAndEqualInputGivesEqualBytes) {
  const auto run = [&](bool render) {
    StartTrace();
    auto report = NewReport(0, render);
    PrintStatement(*report, "Ms Alice Brown", 60);  // more lines than a page holds
    PrintStatement(*report, "Mr Bob Ng", 5);
    report->EndReport();
    return TraceText();
  };
  const std::string trace = run(true);
  EXPECT_THAT(trace, HasSubstr("{\"op\":\"newpage\",\"page\":2}\n"));
  EXPECT_THAT(trace, ::testing::EndsWith("{\"op\":\"end\",\"destination\":0,\"emailTo\":\"\","
                                         "\"emailSubject\":\"\",\"pages\":3,\"file\":\"" +
                                         Pdf() + "\"}\n"));
  // The line that did not fit is the first thing on page 2.
  const size_t newpage = trace.find("{\"op\":\"newpage\"");
  EXPECT_EQ(trace.find("{\"op\":\"section\",\"name\":\"TransDetail\",\"page\":2", newpage),
            trace.find('\n', newpage) + 1);
  EXPECT_THAT(PdfText("-f 2 -l 2"), HasSubstr("Rent received, line 60"));

  const std::string first = ReadFile(Pdf());
  ASSERT_THAT(first, ::testing::StartsWith("%PDF-"));
  fs::remove(Pdf());
  EXPECT_EQ(run(false), trace);
  EXPECT_FALSE(fs::exists(Pdf()));
  run(true);
  EXPECT_EQ(ReadFile(Pdf()), first);
}

// One PDF holds the run, each statement numbers its own pages, and a
// preview keeps its pages by owner.
TEST_F(ReportEngineTest, APreviewPdfNumbersEachStatementsPagesAndKeepsThemByOwner) {
  options_.keep_preview = true;
  auto report = NewReport();
  auto& documents = dynamic_cast<contracts::StatementDocuments&>(*report);
  const struct {
    const char *code, *owner;
    int lines;
  } statements[] = {
      {"ALICE", "Ms Alice Brown", 70}, {"BOB", "Mr Bob Ng", 1}, {"CAROL", "Ms Carol Day", 70}};
  for (const auto& statement : statements) {
    documents.BeginStatement(statement.code);
    PrintStatement(*report, statement.owner, statement.lines);
  }
  report->EndReport();
  const std::string text = PdfText();
  std::istringstream by_page(text);  // pdftotext ends each page with a form feed
  std::string numbers;
  for (std::string page; std::getline(by_page, page, '\f');) {
    const size_t at = page.find("Page ");
    numbers += at == std::string::npos ? "none;" : page.substr(at, page.find('\n', at) - at) + ";";
  }
  EXPECT_EQ(numbers, "Page 1 of 2;Page 2 of 2;Page 1 of 1;Page 1 of 2;Page 2 of 2;");
  for (const auto& statement : statements) EXPECT_THAT(text, HasSubstr(statement.owner));
  const auto summary = report_engine::Summary(*report);
  EXPECT_EQ(summary.documents, 1);
  EXPECT_EQ(summary.copies.at("Header"), 3);

  const auto pages = report_engine::KeptPreview(*report);
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->PageCount(), 5);
  EXPECT_EQ(pages->OwnerOfPage(1), "ALICE");
  EXPECT_EQ(pages->OwnerOfPage(2), "BOB");
  EXPECT_EQ(pages->OwnerOfPage(4), "CAROL");
  EXPECT_EQ(pages->FirstPageOf("CAROL"), 3);
  EXPECT_EQ(pages->FirstPageOf("DAVE"), -1);
  // The kept pages, painted into a PDF of their own, read as the preview's.
  std::string bytes;
  const auto write = [&bytes](const unsigned char* data, unsigned int length) {
    bytes.append(reinterpret_cast<const char*>(data), length);
    return true;
  };
  report_engine::PdfWriter writer(report_engine::PageSetup{}, write, "2026-03-31T00:00:00");
  for (int page = 0; page < pages->PageCount(); ++page) {
    pages->PaintPage(writer.cr(), page);
    writer.ShowPage();
  }
  writer.Finish();
  WriteFile(dir_ / "kept.pdf", bytes);
  EXPECT_EQ(Output("pdftotext " + Quoted(dir_ / "kept.pdf") + " -"), text);

  // The print button's run leaves the preview's pages as they were.
  report->SetDestination(contracts::kDestinationPrinter);
  report->LoadDefinition(kStatementDefinition);
  PrintStatement(*report, "Mr Dave Roe", 1);
  EXPECT_EQ(report_engine::KeptPreview(*report), pages);
  EXPECT_EQ(pages->PageCount(), 5);
  options_.keep_preview = false;
  EXPECT_EQ(report_engine::KeptPreview(*NewReport()), nullptr);
}

TEST_F(ReportEngineTest, ATextTooLongForItsLineEndsWithAnEllipsisAndTheTraceKeepsItWhole) {
  StartTrace();
  auto report = NewReport();
  PrintStatement(*report, "Ms Alice Brown", 1);
  // "e" and a combining acute accent: one character to a reader, two to UTF-8.
  std::string accents;
  for (int i = 0; i < 80; ++i) accents += "e\xCC\x81";
  Print(*report, "property", {"tenant=" + accents});
  report->EndReport();
  EXPECT_THAT(TraceText(), HasSubstr("\"tenant\":\"" + accents + "\""));
  // The PDF keeps the whole text for search and copy, so what is drawn is
  // read from where its glyphs end: within the field, the ellipsis last.
  const std::string words = PdfText("-bbox");
  const size_t at = words.find(">" + accents);
  ASSERT_NE(at, std::string::npos) << words;
  const double end = std::stod(words.substr(words.rfind("xMax=\"", at) + 6));
  const double margin = 720 / 20.0;  // points
  EXPECT_GT(end, margin + 10000 / 20.0) << words;
  EXPECT_LE(end, margin + 10466 / 20.0) << words;
}

TEST_F(ReportEngineTest, PicturesInPngJpegAndBmpAreEmbedded) {
  const std::string at = "\" width=\"1000\" height=\"400\" src=\"" DUNMERROW_SOURCE_DIR;
  auto report = ReportOf(
      "<section name=\"P\" height=\"1000\">\n"
      "<image top=\"0\" left=\"0" + at + "/tests/engines/report/data/logo.png\"/>\n"
      "<image top=\"0\" left=\"1000" + at + "/tests/engines/report/data/logo.jpg\"/>\n"
      "<image top=\"0\" left=\"2000" + at + "/definitions/reportlogo.bmp\"/>\n"
      "</section>\n");
  report->PrintSection("P");
  report->PrintSection("P");
  report->EndReport();
  // Six placements of three pictures, each stored once; the JPEG as JPEG.
  // pdfimages -list: page num type width height color comp bpc enc interp object ...
  EXPECT_EQ(Output("pdfimages -list " + Quoted(Pdf()) +
                   " | awk '$3 == \"image\" {print $4 \"x\" $5 \":\" $9; n[$11]}"
                   " END {print length(n) \" objects\"}'"),
            "48x20:image\n48x20:jpeg\n360x150:image\n48x20:image\n48x20:jpeg\n360x150:image\n"
            "3 objects\n");
}

TEST_F(ReportEngineTest, TooLongATextIsClippedToItsOneLineField) {
  // The field spans 720..1720 twips across the page: points 36 to 86.
  auto report = ReportOf(
      "<section name=\"S\" height=\"600\">\n"
      "<field name=\"Short\" top=\"0\" left=\"0\" width=\"1000\" height=\"240\"/>\n"
      "</section>\n");
  Print(*report, "S", {"Short=" + std::string(60, 'W') + "\nsecond line"});
  report->EndReport();
  std::istringstream pgm(Output("pdftoppm -r 72 -gray -singlefile " + Quoted(Pdf())));
  std::string magic;
  int width = 0, height = 0, depth = 0;
  pgm >> magic >> width >> height >> depth;
  pgm.get();
  ASSERT_EQ(magic, "P5");
  std::string pixels(static_cast<size_t>(width * height), '\0');
  pgm.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  const auto ink = [&](int x0, int x1, int y0, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x)
        dark += static_cast<unsigned char>(pixels[static_cast<size_t>(y * width + x)]) < 128;
    }
    return dark;
  };
  EXPECT_GT(ink(36, 86, 36, 48), 20);       // the text inside the field
  EXPECT_EQ(ink(87, width, 0, height), 0);  // nothing right of it
  EXPECT_EQ(ink(0, width, 49, height), 0);  // nor below: the second line is cut off
}

}  // namespace
}  // namespace report_test
