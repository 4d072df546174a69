// The report engine's throughput: statement-like pages of 60 fields each,
// laid out and written to a real PDF, and the peak memory of a run, which
// must not grow with the number of pages.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "contracts/report.h"
#include "engines/report/report_engine.h"

namespace {

namespace fs = std::filesystem;

// A page holds a header of 10 fields and 10 lines of 5 fields: 60 fields.
constexpr char kDefinition[] = R"(<report font-family="Liberation Sans" font-size="9"
    margin-top="720" margin-bottom="900" page-numbers="Page {page} of {pages}">
  <section name="Head" height="1500">
    <label top="0" left="0" width="6000" height="480" font-size="18" bold="true" text="Statement"/>
    <field name="f1" top="500" left="0" width="5000" height="240" bold="true"/>
    <field name="f2" top="740" left="0" width="5000" height="240"/>
    <field name="f3" top="980" left="0" width="5000" height="240"/>
    <field name="f4" top="1220" left="0" width="5000" height="240"/>
    <field name="f5" top="500" left="5200" width="5000" height="240" align="right"/>
    <field name="f6" top="740" left="5200" width="5000" height="240" align="right"/>
    <field name="f7" top="980" left="5200" width="5000" height="240" align="right"/>
    <field name="f8" top="1220" left="5200" width="2400" height="240" align="right"/>
    <field name="f9" top="1220" left="7700" width="1200" height="240"/>
    <field name="f10" top="1220" left="9000" width="1200" height="240"/>
    <line top="1490" left="0" width="10466" height="0"/>
  </section>
  <section name="Line" height="1370">
    <field name="Date" top="5" left="0" width="1300" height="240"/>
    <field name="Property" top="5" left="1350" width="1500" height="240"/>
    <field name="Details" top="5" left="2900" width="4100" height="240"/>
    <field name="Expense" top="5" left="7050" width="1650" height="240" align="right"/>
    <field name="Income" top="5" left="8750" width="1716" height="240" align="right"/>
  </section>
</report>
)";

constexpr int kLinesPerPage = 10;

std::string WriteDefinition() {
  const fs::path path =
      fs::temp_directory_path() / ("dunmerrow-bench-" + std::to_string(getpid()) + ".rdn");
  std::ofstream(path) << kDefinition;
  return path.string();
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void PrintPages(contracts::Report& report, int pages) {
  auto head = report.Sections("Head");
  auto line = report.Sections("Line");
  for (int page = 0; page < pages; ++page) {
    if (report.PageHasOutput()) report.NewPage();
    for (int i = 1; i <= 10; ++i) {
      head->Fields("f" + std::to_string(i))
          ->SetText("Owner " + std::to_string(page) + " value " + std::to_string(i));
    }
    report.PrintSection("Head");
    for (int i = 0; i < kLinesPerPage; ++i) {
      line->Clear();
      line->Fields("Date")->SetText(std::to_string(1 + (page + i) % 28) + "/11/2026");
      line->Fields("Property")->SetText("P" + std::to_string(10000 + page % 97));
      line->Fields("Details")->SetText(i % 2 ? "Rent" : "Repairs and maintenance");
      line->Fields(i % 2 ? "Income" : "Expense")
          ->SetText(std::to_string(100 + (page * 37 + i * 11) % 9000) + "." +
                    std::to_string(10 + i));
      report.PrintSection("Line");
    }
  }
}

// Lays out and renders `range(0)` pages into one PDF.
void BM_RenderPages(benchmark::State& state) {
  const std::string definition = WriteDefinition();
  report_engine::EngineOptions options;
  options.output_folder =
      (fs::temp_directory_path() / ("dunmerrow-bench-out-" + std::to_string(getpid()))).string();
  options.render = state.range(1) != 0;
  const int pages = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto report = report_engine::CreateReport(options);
    report->LoadDefinition(definition);
    PrintPages(*report, pages);
    report->EndReport();
    if (report_engine::Summary(*report).pages != pages) state.SkipWithError("page count differs");
  }
  state.SetItemsProcessed(state.iterations() * pages);
  state.counters["pages_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * pages), benchmark::Counter::kIsRate);
  state.counters["peak_rss_kb"] = static_cast<double>(PeakKilobytes());
  if (options.render) {
    state.counters["pdf_kb"] =
        static_cast<double>(fs::file_size(fs::directory_iterator(options.output_folder)->path())) /
        1024;
  }
  fs::remove_all(options.output_folder);
  fs::remove(definition);
}

// Small runs first, so that the peak memory of the large run shows growth.
BENCHMARK(BM_RenderPages)
    ->Args({100, 1})
    ->Args({1000, 1})
    ->Args({5000, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
