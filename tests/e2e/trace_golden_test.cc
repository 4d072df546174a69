// The output of the demo portfolio, byte for byte: a speed-up that changes any
// printed text, page break, event order or written byte changes a SHA-256.
//
// After a change that is meant to alter the output, refresh the golden hash with
//   DUNMERROW_UPDATE_GOLDEN=1 build/bin/e2e_tests --gtest_filter='DemoTraceGolden.*'
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <map>
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

// The golden hashes: lines "NAME HASH" after the comments.
std::map<std::string, std::string> GoldenHashes() {
  std::map<std::string, std::string> hashes;
  std::ifstream in(kGoldenFile);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    hashes[line.substr(0, space)] = line.substr(space + 1);
  }
  return hashes;
}

class DemoTraceGolden : public StatementTest {
 protected:
  // The run's output, with the folders that differ from run to run named OUT.
  std::string Normalised(const std::string& text) const {
    std::string normalised = text;
    const std::string out = (dir_ / "out").string();
    for (size_t at = normalised.find(out); at != std::string::npos;
         at = normalised.find(out, at)) {
      normalised.replace(at, out.size(), "OUT");
    }
    return normalised;
  }
  std::string HashOf(const std::string& name, const std::string& bytes) {
    const std::filesystem::path hashed = dir_ / ("golden-" + name);
    std::ofstream(hashed, std::ios::binary) << bytes;
    return Sha256Of(hashed);
  }
};

// The trace of a run that only lays out, the preview PDF and the e-mailed
// documents of the same portfolio: a change that alters any printed text,
// page break, event order or written byte changes one of the hashes.
TEST_F(DemoTraceGolden, DetailedRunWithNotesMatchesTheRecordedOutput) {
  const std::filesystem::path demo = dir_ / "demo";
  RunResult made = Command("demo-data --out '" + demo.string() + "' --properties 200 --seed 1");
  ASSERT_EQ(made.status, 0) << made.stderr_text;
  std::smatch date;
  const std::string summary = ReadText(dir_ / "stdout.txt");
  ASSERT_TRUE(std::regex_search(summary, date,
                                std::regex("latest disbursement date: (\\d{4}-\\d{2}-\\d{2})")))
      << summary;
  const std::string common = "statements --date " + date[1].str() +
                             " --detailed --notes --locale en_AU --app-folder '" +
                             demo.string() + "' --out '" + (dir_ / "out").string() + "' ";

  // --to none lays out every page with the real fonts but writes no PDF.
  const std::filesystem::path trace = dir_ / "demo-trace.jsonl";
  RunResult run = Command(common + "--to none --trace '" + trace.string() + "'");
  ASSERT_EQ(run.status, 0) << run.stderr_text;
  const std::string text = ReadText(trace);
  // A run that printed almost nothing would make the comparison worthless.
  ASSERT_GT(text.size(), 100000u);
  ASSERT_NE(text.find("\"op\":\"end\""), std::string::npos);

  // The documents, painted and written on the worker thread and then on the
  // run's own: both give the same bytes.
  std::string pdf;
  std::string emails;
  for (const char* threads : {"2", "1"}) {
    RunResult set = Command(std::string("settings set Configure Threads ") + threads + " --machine");
    ASSERT_EQ(set.status, 0) << set.stderr_text;
    std::filesystem::remove_all(dir_ / "out");
    RunResult preview = Command(common + "--to preview");
    ASSERT_EQ(preview.status, 0) << preview.stderr_text;
    const std::string this_pdf =
        ReadText(dir_ / "out" / ("statements-" + date[1].str() + ".pdf"));
    ASSERT_EQ(this_pdf.rfind("%PDF-", 0), 0u);

    RunResult outbox = Command(common + "--to outbox");
    ASSERT_EQ(outbox.status, 0) << outbox.stderr_text;
    std::vector<std::filesystem::path> messages;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "out" / "outbox")) {
      messages.push_back(entry.path());
    }
    std::sort(messages.begin(), messages.end());
    ASSERT_GT(messages.size(), 10u);
    std::string these_emails;
    for (const auto& message : messages) {
      these_emails += message.filename().string() + "\n" + ReadText(message);
    }
    if (pdf.empty()) {
      pdf = this_pdf;
      emails = these_emails;
    } else {
      EXPECT_TRUE(pdf == this_pdf) << "the PDF differs with Threads=" << threads;
      EXPECT_TRUE(emails == these_emails) << "the messages differ with Threads=" << threads;
    }
  }

  const std::map<std::string, std::string> actual = {
      {"trace", HashOf("trace", Normalised(text))},
      {"pdf", HashOf("pdf", pdf)},
      {"eml", HashOf("eml", emails)}};
  for (const auto& [name, hash] : actual) ASSERT_EQ(hash.size(), 64u) << "sha256sum failed";
  if (const char* update = std::getenv("DUNMERROW_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream golden(kGoldenFile);
    golden << "# SHA-256 of the demo portfolio's output (200 properties, seed 1, detailed\n"
              "# with notes, en_AU): the trace of a layout run, the preview PDF, and the\n"
              "# outbox's messages; see tests/e2e/trace_golden_test.cc\n";
    for (const auto& [name, hash] : actual) golden << name << " " << hash << "\n";
    GTEST_SKIP() << "golden hashes rewritten";
  }
  EXPECT_EQ(actual, GoldenHashes()) << "the demo portfolio's output changed; it is kept in "
                                    << dir_;
}

}  // namespace
}  // namespace e2e
