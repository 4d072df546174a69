// The report engine end to end: the statement definition printed to a real
// PDF, read back with pdftotext and pdfinfo, and the trace of the run.
#include "engines/report/report_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "core/com_error.h"
#include "engines/report/page_painter.h"
#include "engines/report/preview_pages.h"
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
  // Each statement counts its own pages.
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Page 2 of")));
  EXPECT_THAT(text, HasSubstr("Page 1 of 1"));
  const auto summary = report_engine::Summary(*report);
  EXPECT_EQ(summary.documents, 1);
  EXPECT_EQ(summary.pages, 2);
  EXPECT_EQ(summary.copies.at("Header"), 2);
}

TEST_F(ReportEngineTest, SectionsThatDoNotFitStartANewPageAndTheTraceCountsPages) {
  platform::OpenTrace((dir_ / "trace.jsonl").string());
  auto report = NewReport();
  PrintStatement(*report, "Ms Alice Brown", 70);  // more lines than a page holds
  report->EndReport();
  platform::CloseTrace();
  const std::string trace = platform::ReadFile((dir_ / "trace.jsonl").string());
  EXPECT_THAT(trace, HasSubstr("{\"op\":\"newpage\",\"page\":2}\n"));
  EXPECT_THAT(trace, ::testing::Not(HasSubstr("\"page\":3")));
  EXPECT_THAT(trace,
              ::testing::EndsWith("{\"op\":\"end\",\"destination\":0,\"emailTo\":\"\","
                                  "\"emailSubject\":\"\",\"pages\":2,\"file\":\"" +
                                  options_.output_folder + "/statements-2026-03-31.pdf\"}\n"));
  // The line that did not fit is the first thing on page 2.
  const size_t newpage = trace.find("{\"op\":\"newpage\"");
  const size_t next =
      trace.find("{\"op\":\"section\",\"name\":\"TransDetail\",\"page\":2", newpage);
  EXPECT_EQ(next, trace.find('\n', newpage) + 1);
  const std::string pdf = options_.output_folder + "/statements-2026-03-31.pdf";
  const std::string page2 = RunCommand("pdftotext -f 2 -l 2 '" + pdf + "' -");
  EXPECT_THAT(page2, HasSubstr("Rent received, line 70"));
  EXPECT_THAT(page2, HasSubstr("Page 2 of 2"));
}

TEST_F(ReportEngineTest, PageNumbersCountWithinEachStatement) {
  auto report = NewReport();
  PrintStatement(*report, "Ms Alice Brown", 70);  // two pages
  PrintStatement(*report, "Mr Bob Ng", 1);        // one page
  PrintStatement(*report, "Ms Carol Day", 70);    // two pages
  report->EndReport();
  const std::string pdf = options_.output_folder + "/statements-2026-03-31.pdf";
  std::string numbers;
  for (int page = 1; page <= 5; ++page) {
    const std::string text = RunCommand("pdftotext -f " + std::to_string(page) + " -l " +
                                        std::to_string(page) + " '" + pdf + "' -");
    const size_t at = text.find("Page ");
    ASSERT_NE(at, std::string::npos) << page;
    numbers += text.substr(at, text.find('\n', at) - at) + ";";
  }
  EXPECT_EQ(numbers, "Page 1 of 2;Page 2 of 2;Page 1 of 1;Page 1 of 2;Page 2 of 2;");
}

TEST_F(ReportEngineTest, NewPageOnAnEmptyPageAddsNoBlankPage) {
  auto report = NewReport();
  report->NewPage();
  EXPECT_EQ(report->PageHasOutput(), 0);
  report->PrintSection("Blank");
  EXPECT_NE(report->PageHasOutput(), 0);
  report->NewPage();
  EXPECT_EQ(report->PageHasOutput(), 0);
  report->PrintSection("Blank");
  report->EndReport();
  EXPECT_EQ(report->PageHasOutput(), 0);
  EXPECT_EQ(report_engine::Summary(*report).pages, 2);
}

TEST_F(ReportEngineTest, EqualInputGivesEqualBytesAndMeasuringRunsTraceTheSame) {
  std::string traces[2];
  for (int run = 0; run < 2; ++run) {
    const bool render = run == 0;
    platform::OpenTrace((dir_ / ("trace" + std::to_string(run))).string());
    auto report = NewReport(0, render);
    PrintStatement(*report, "Ms Alice Brown", 60);
    PrintStatement(*report, "Mr Bob Ng", 5);
    report->EndReport();
    platform::CloseTrace();
    traces[run] = platform::ReadFile((dir_ / ("trace" + std::to_string(run))).string());
    if (render) {
      std::filesystem::rename(options_.output_folder + "/statements-2026-03-31.pdf",
                              dir_ / "first.pdf");
    }
  }
  EXPECT_EQ(traces[0], traces[1]);
  EXPECT_FALSE(std::filesystem::exists(options_.output_folder + "/statements-2026-03-31.pdf"));
  auto again = NewReport();
  PrintStatement(*again, "Ms Alice Brown", 60);
  PrintStatement(*again, "Mr Bob Ng", 5);
  again->EndReport();
  EXPECT_EQ(platform::ReadFile((dir_ / "first.pdf").string()),
            platform::ReadFile(options_.output_folder + "/statements-2026-03-31.pdf"));
}

TEST_F(ReportEngineTest, AnEmptyReportWritesNothing) {
  platform::OpenTrace((dir_ / "trace.jsonl").string());
  auto report = NewReport();
  report->EndReport();
  EXPECT_FALSE(std::filesystem::exists(options_.output_folder));
  EXPECT_THAT(platform::ReadFile((dir_ / "trace.jsonl").string()),
              HasSubstr("\"pages\":0,\"file\":\"\"}"));
}

TEST_F(ReportEngineTest, AnUnwritableOutputFolderIsAClearErrorAndLeavesNothingBehind) {
  WriteText((dir_ / "file").string(), "");
  options_.output_folder = (dir_ / "file" / "out").string();
  auto report = NewReport();
  // Told at the document's first page, before any time goes into it.
  try {
    PrintStatement(*report, "Ms Alice Brown", 1);
    report->EndReport();
    FAIL() << "no error";
  } catch (const core::ComError& e) {
    EXPECT_THAT(e.description(),
                ::testing::StartsWith("cannot create the folder " + options_.output_folder + ": "));
  }
}

TEST_F(ReportEngineTest, PrintingWithoutAPrinterIsAnErrorAndThePdfStays) {
  options_.printer = "no-such-printer";
  auto report = NewReport(contracts::kDestinationPrinter);
  PrintStatement(*report, "Ms Alice Brown", 1);
  const std::string pdf = options_.output_folder + "/statements-2026-03-31.pdf";
  try {
    report->EndReport();
    FAIL() << "no error";
  } catch (const core::ComError& e) {
    EXPECT_THAT(e.description(),
                ::testing::StartsWith("the printer no-such-printer did not take the statements: "));
    EXPECT_THAT(e.description(), ::testing::EndsWith("; the statements are in " + pdf));
  }
  EXPECT_TRUE(platform::PlainFileExists(pdf));

  // Without CUPS' lp at all.
  const std::string path = getenv("PATH");
  setenv("PATH", dir_.c_str(), 1);
  auto again = NewReport(contracts::kDestinationPrinter);
  PrintStatement(*again, "Ms Alice Brown", 1);
  try {
    again->EndReport();
    ADD_FAILURE() << "no error";
  } catch (const core::ComError& e) {
    EXPECT_EQ(e.description(),
              "cannot print: the lp command (CUPS) is not installed; the statements are in " + pdf);
  }
  setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(platform::PlainFileExists(pdf));
}

TEST_F(ReportEngineTest, APreviewKeepsItsPagesByStatementAndPaintsThemAsThePdf) {
  options_.keep_preview = true;
  auto report = NewReport();
  auto& documents = dynamic_cast<contracts::StatementDocuments&>(*report);
  documents.BeginStatement("ALICE");
  PrintStatement(*report, "Ms Alice Brown", 70);  // two pages
  documents.BeginStatement("BOB");
  PrintStatement(*report, "Mr Bob Ng", 1);
  report->EndReport();
  const auto pages = report_engine::KeptPreview(*report);
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(pages->OwnerOfPage(1), "ALICE");
  EXPECT_EQ(pages->OwnerOfPage(2), "BOB");
  EXPECT_EQ(pages->FirstPageOf("BOB"), 2);
  EXPECT_EQ(pages->FirstPageOf("CAROL"), -1);

  // The kept pages, painted into a PDF of their own, read as the preview's.
  const std::string copy = (dir_ / "kept.pdf").string();
  {
    platform::AtomicFile file(copy);
    report_engine::PdfWriter writer(
        report_engine::PageSetup{},
        [&file](const unsigned char* data, unsigned int length) {
          file.Write(data, length);
          return true;
        },
        "2026-03-31T00:00:00");
    for (int page = 0; page < pages->PageCount(); ++page) {
      pages->PaintPage(writer.cr(), page);
      writer.ShowPage();
    }
    writer.Finish();
    file.Commit();
  }
  const std::string pdf = options_.output_folder + "/statements-2026-03-31.pdf";
  for (int page = 1; page <= 3; ++page) {
    const std::string range = " -f " + std::to_string(page) + " -l " + std::to_string(page) + " ";
    EXPECT_EQ(RunCommand("pdftotext" + range + "'" + copy + "' -"),
              RunCommand("pdftotext" + range + "'" + pdf + "' -"))
        << "page " << page;
  }
  EXPECT_THAT(RunCommand("pdftotext -f 2 -l 2 '" + copy + "' -"), HasSubstr("Page 2 of 2"));

  // The print button's run leaves the preview's pages as they were.
  report->SetDestination(contracts::kDestinationPrinter);
  report->LoadDefinition(StatementDefinition());
  PrintStatement(*report, "Ms Carol Day", 1);
  EXPECT_EQ(report_engine::KeptPreview(*report), pages);
  EXPECT_EQ(pages->PageCount(), 3);
  // Without the option nothing is kept.
  options_.keep_preview = false;
  EXPECT_EQ(report_engine::KeptPreview(*NewReport()), nullptr);
}

TEST_F(ReportEngineTest, ATextTooLongForItsLineEndsWithAnEllipsisAndTheTraceKeepsItWhole) {
  platform::OpenTrace((dir_ / "trace.jsonl").string());
  auto report = NewReport();
  PrintStatement(*report, "Ms Alice Brown", 1);
  auto property = report->Sections("property");
  const std::string address =
      "Unit 12/345 Extraordinarily Long Boulevard Name,Lyndon Springs Heights NSW 2340";
  // "e" and a combining acute accent: one character to a reader, two to UTF-8.
  std::string accents;
  for (int i = 0; i < 80; ++i) accents += "e\xCC\x81";
  property->Fields("Property")->SetText(address);
  property->Fields("tenant")->SetText(accents);
  report->PrintSection("property");
  report->EndReport();
  platform::CloseTrace();
  // The PDF keeps the whole text for search and copy, so what is drawn is
  // read from where its glyphs end: within the field, the ellipsis last.
  const std::string pdf = options_.output_folder + "/statements-2026-03-31.pdf";
  const std::string words = RunCommand("pdftotext -bbox '" + pdf + "' -");
  const auto right_edge = [&](const std::string& word) {
    const size_t at = words.find(">" + word);
    if (at == std::string::npos) return -1.0;
    const size_t x = words.rfind("xMax=\"", at);
    return std::stod(words.substr(x + 6));
  };
  const double margin = 720 / 20.0;  // points
  const double property_end = right_edge("Name,Lyndon Springs Heights NSW 2340");
  EXPECT_GT(property_end, margin + 4000 / 20.0) << words;
  EXPECT_LE(property_end, margin + 4700 / 20.0) << words;
  const double tenant_end = right_edge(accents);
  EXPECT_GT(tenant_end, margin + 10000 / 20.0) << words;
  EXPECT_LE(tenant_end, margin + 10466 / 20.0) << words;
  const std::string trace = platform::ReadFile((dir_ / "trace.jsonl").string());
  EXPECT_THAT(trace, HasSubstr("\"Property\":\"" + address + "\""));
}

TEST_F(ReportEngineTest, PicturesInPngJpegAndBmpAreEmbedded) {
  const std::string data = std::string(DUNMERROW_SOURCE_DIR) + "/tests/engines/report/data/";
  const std::string path = (dir_ / "pictures.rdn").string();
  WriteText(path,
            "<report>\n<section name=\"P\" height=\"1000\">\n"
            "<image top=\"0\" left=\"0\" width=\"1000\" height=\"400\" src=\"" +
                data +
                "logo.png\"/>\n"
                "<image top=\"0\" left=\"1000\" width=\"1000\" height=\"400\" src=\"" +
                data +
                "logo.jpg\"/>\n"
                "<image top=\"0\" left=\"2000\" width=\"1000\" height=\"400\" src=\"" +
                DUNMERROW_SOURCE_DIR +
                "/definitions/reportlogo.bmp\"/>\n"
                "</section>\n</report>\n");
  auto report = report_engine::CreateReport(options_);
  report->LoadDefinition(path);
  report->PrintSection("P");
  report->PrintSection("P");
  report->EndReport();
  const std::string list =
      RunCommand("pdfimages -list '" + options_.output_folder + "/statements-2026-03-31.pdf'");
  // Six placements of three pictures, each stored once; the JPEG as JPEG.
  std::istringstream lines(list);
  std::string line;
  std::set<std::string> objects;
  int placements = 0;
  std::string encodings;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string page, num, type, width, height, color, comp, bpc, enc, interp, object;
    fields >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc >> interp >>
        object;
    if (type != "image") continue;
    ++placements;
    objects.insert(object);
    if (placements <= 3) encodings += width + "x" + height + ":" + enc + " ";
  }
  EXPECT_EQ(placements, 6) << list;
  EXPECT_EQ(objects.size(), 3u) << list;
  EXPECT_EQ(encodings, "48x20:image 48x20:jpeg 360x150:image ");
}

TEST_F(ReportEngineTest, TooLongATextIsClippedToItsOneLineField) {
  const std::string path = (dir_ / "clip.rdn").string();
  // The field spans 720..1720 twips across the page: points 36 to 86.
  WriteText(path,
            "<report>\n<section name=\"S\" height=\"600\">\n"
            "<field name=\"Short\" top=\"0\" left=\"0\" width=\"1000\" height=\"240\"/>\n"
            "</section>\n</report>\n");
  auto report = report_engine::CreateReport(options_);
  report->LoadDefinition(path);
  report->Sections("S")->Fields("Short")->SetText(std::string(60, 'W') + "\nsecond line");
  report->PrintSection("S");
  report->EndReport();
  const std::string image = (dir_ / "page").string();
  RunCommand("pdftoppm -r 72 -gray -singlefile '" + options_.output_folder +
             "/statements-2026-03-31.pdf' '" + image + "'");
  std::istringstream pgm(platform::ReadFile(image + ".pgm"));
  std::string magic;
  int width = 0, height = 0, depth = 0;
  pgm >> magic >> width >> height >> depth;
  pgm.get();
  std::string pixels(static_cast<size_t>(width * height), '\0');
  pgm.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  ASSERT_EQ(magic, "P5");
  auto ink = [&](int x0, int x1, int y0, int y1) {
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
