// The trace of the demo portfolio, byte for byte: a speed-up that changes any
// printed text, page break or event order changes the trace's SHA-256.
//
// After a change that is meant to alter the output, refresh the golden hash with
//   DUNMERROW_UPDATE_GOLDEN=1 build/bin/e2e_tests --gtest_filter='DemoTraceGolden.*'
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "statement_harness.h"

namespace e2e {
namespace {

const std::string kGoldenFile = std::string(DUNMERROW_SOURCE_DIR) + "/tests/e2e/demo_trace.sha256";

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The SHA-256 of a file in hex, from coreutils' sha256sum; empty on failure.
std::string Sha256Of(const std::filesystem::path& path) {
  const std::string cmd = "sha256sum '" + path.string() + "'";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return "";
  char buffer[128] = {};
  const bool read = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
  pclose(pipe);
  if (!read) return "";
  const std::string line(buffer);
  return line.substr(0, line.find(' '));
}

// The first line of the golden file that is not a comment.
std::string GoldenHash() {
  std::ifstream in(kGoldenFile);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') return line;
  }
  return "";
}

class DemoTraceGolden : public StatementTest {};

TEST_F(DemoTraceGolden, DetailedRunWithNotesMatchesTheRecordedTrace) {
  const std::filesystem::path demo = dir_ / "demo";
  RunResult made = Command("demo-data --out '" + demo.string() + "' --properties 200 --seed 1");
  ASSERT_EQ(made.status, 0) << made.stderr_text;
  std::smatch date;
  const std::string summary = ReadText(dir_ / "stdout.txt");
  ASSERT_TRUE(std::regex_search(summary, date,
                                std::regex("latest disbursement date: (\\d{4}-\\d{2}-\\d{2})")))
      << summary;

  // --to none lays out every page with the real fonts but writes no PDF.
  const std::filesystem::path trace = dir_ / "demo-trace.jsonl";
  RunResult run =
      Command("statements --date " + date[1].str() + " --detailed --notes --app-folder '" +
              demo.string() + "' --out '" + (dir_ / "out").string() + "' --to none --trace '" +
              trace.string() + "' --locale en_AU");
  ASSERT_EQ(run.status, 0) << run.stderr_text;
  const std::string text = ReadText(trace);
  // A run that printed almost nothing would make the comparison worthless.
  ASSERT_GT(text.size(), 100000u);
  ASSERT_NE(text.find("\"op\":\"end\""), std::string::npos);

  // The output folder differs from run to run; the rest must not.
  std::string normalised = text;
  const std::string out = (dir_ / "out").string();
  for (size_t at = normalised.find(out); at != std::string::npos; at = normalised.find(out, at)) {
    normalised.replace(at, out.size(), "OUT");
  }
  const std::filesystem::path hashed = dir_ / "demo-trace-normalised.jsonl";
  std::ofstream(hashed, std::ios::binary) << normalised;
  const std::string actual = Sha256Of(hashed);
  ASSERT_EQ(actual.size(), 64u) << "sha256sum failed on " << trace;
  if (const char* update = std::getenv("DUNMERROW_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream(kGoldenFile)
        << "# SHA-256 of the demo portfolio's trace (200 properties, seed 1,\n"
           "# detailed with notes, en_AU); see tests/e2e/trace_golden_test.cc\n"
        << actual << "\n";
    GTEST_SKIP() << "golden hash rewritten: " << actual;
  }
  EXPECT_EQ(actual, GoldenHash()) << "the demo portfolio's trace changed; the trace is kept in "
                                  << hashed;
}

}  // namespace
}  // namespace e2e
