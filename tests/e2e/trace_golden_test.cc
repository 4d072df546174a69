// The output of the demo portfolio, byte for byte: a speed-up that changes any
// printed text, page break, event order or written byte changes a SHA-256.
//
// After a change that is meant to alter the output, refresh the golden hash with
//   DUNMERROW_UPDATE_GOLDEN=1 build/bin/e2e_tests --gtest_filter='DemoTraceGolden.*'
#include <cstdlib>
#include <regex>
#include <string>

#include "statement_harness.h"

namespace e2e {
namespace {

const std::string kGoldenFile = std::string(DUNMERROW_SOURCE_DIR) + "/tests/e2e/demo_trace.sha256";

using DemoTraceGolden = StatementTest;

// The trace of a run that only lays out, the preview PDF and the e-mailed
// documents of the same portfolio, each painted and written on the worker
// thread and then on the run's own.
TEST_F(DemoTraceGolden, DetailedRunWithNotesMatchesTheRecordedOutput) {
  const fs::path demo = dir_ / "demo";
  RunResult made = Command("demo-data --out " + Quoted(demo) + " --properties 200 --seed 1");
  ASSERT_EQ(made.status, 0) << made.stderr_text;
  std::smatch date;
  const std::string summary = Stdout();
  ASSERT_TRUE(std::regex_search(summary, date,
                                std::regex("latest disbursement date: (\\d{4}-\\d{2}-\\d{2})")))
      << summary;
  const std::string common = "statements --date " + date[1].str() +
                             " --detailed --notes --locale en_AU --app-folder " + Quoted(demo) +
                             " --out " + Quoted(out_) + " ";

  // --to none lays out every page with the real fonts but writes no PDF.
  const fs::path trace = dir_ / "demo-trace.jsonl";
  RunResult run = Command(common + "--to none --trace " + Quoted(trace));
  ASSERT_EQ(run.status, 0) << run.stderr_text;
  std::string text = ReadFile(trace);
  // A run that printed almost nothing would make the comparison worthless.
  ASSERT_GT(text.size(), 100000u);
  const std::string out = out_.string();  // differs from run to run
  for (size_t at = text.find(out); at != std::string::npos; at = text.find(out, at)) {
    text.replace(at, out.size(), "OUT");
  }

  std::string pdf[2], emails[2];
  for (int i = 0; i < 2; ++i) {
    RunResult set = Command("settings set --machine Configure Threads " + std::to_string(2 - i));
    ASSERT_EQ(set.status, 0) << set.stderr_text;
    fs::remove_all(out_);
    RunResult preview = Command(common + "--to preview");
    ASSERT_EQ(preview.status, 0) << preview.stderr_text;
    pdf[i] = ReadFile(out_ / ("statements-" + date[1].str() + ".pdf"));
    ASSERT_EQ(pdf[i].rfind("%PDF-", 0), 0u);
    RunResult outbox = Command(common + "--to outbox");
    ASSERT_EQ(outbox.status, 0) << outbox.stderr_text;
    const Texts messages = FilesUnder(out_ / "outbox");
    ASSERT_GT(messages.size(), 10u);
    for (const auto& name : messages) emails[i] += name + "\n" + ReadFile(out_ / "outbox" / name);
  }
  EXPECT_TRUE(pdf[0] == pdf[1]) << "the PDF differs with one thread";
  EXPECT_TRUE(emails[0] == emails[1]) << "the messages differ with one thread";

  WriteFile(dir_ / "trace", text);
  WriteFile(dir_ / "pdf", pdf[0]);
  WriteFile(dir_ / "eml", emails[0]);
  const std::string actual =
      testing_support::RunCommand("cd " + Quoted(dir_) + " && sha256sum eml pdf trace").output;
  ASSERT_TRUE(std::regex_match(actual, std::regex("([0-9a-f]{64}  [a-z]+\n){3}"))) << actual;
  if (const char* update = std::getenv("DUNMERROW_UPDATE_GOLDEN"); update && *update == '1') {
    WriteFile(kGoldenFile,
              "# SHA-256 of the demo portfolio's output (200 properties, seed 1, detailed\n"
              "# with notes, en_AU): the trace of a layout run, the preview PDF, and the\n"
              "# outbox's messages; see tests/e2e/trace_golden_test.cc\n" + actual);
    GTEST_SKIP() << "golden hashes rewritten";
  }
  const std::string golden = ReadFile(kGoldenFile);
  EXPECT_EQ(actual, golden.substr(golden.find("\n", golden.rfind("# ")) + 1))
      << "the demo portfolio's output changed; it is kept in " << dir_;
}

}  // namespace
}  // namespace e2e
