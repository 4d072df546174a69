// Printing through a stand-in `lp` on PATH that hangs, refuses or is not there.
#include "engines/report/printer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "core/com_error.h"
#include "report_test_util.h"

namespace report_test {
namespace {

using testing_support::ExpectComError;

class PrinterTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    env_.Set("PATH", dir_.string() + ":" + std::getenv("PATH"));
  }
  void FakeLp(const std::string& body) {
    const std::string lp = (dir_ / "lp").string();
    WriteFile(lp, "#!/bin/sh\n" + body);
    chmod(lp.c_str(), 0755);
  }
};

TEST_F(PrinterTest, AHangingLpIsKilledAfterTheTimeoutAndTheStatementsAreKept) {
  const std::string pdf = (dir_ / "statements.pdf").string();
  WriteFile(pdf, "%PDF-1.5 stand-in");
  const std::string child = (dir_ / "child.pid").string();
  FakeLp("sleep 30 &\necho $! > '" + child + "'\nwait\n");
  const auto hung = ExpectComError(core::kErrPrinter, "", [&] {
    report_engine::SubmitToPrinter(pdf, "front-desk", std::chrono::seconds(1));
  });
  EXPECT_EQ(
      hung.description(),
      "the printer front-desk did not take the statements within 1 s; the statements are in " +
          pdf);
  std::string pid;
  std::ifstream(child) >> pid;
  ASSERT_FALSE(pid.empty());
  // Gone (a zombie counts as gone) within the moments a killed process needs.
  bool running = true;
  for (int attempt = 0; running && attempt < 500; ++attempt) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string number, name, state;
    running = (stat >> number >> name >> state) && state != "Z";
    if (running) usleep(10'000);
  }
  EXPECT_FALSE(running) << "what lp started still runs";
  EXPECT_TRUE(std::filesystem::exists(pdf));
}

TEST_F(PrinterTest, ARefusedJobOrNoLpAtAllIsAnErrorAndThePdfStays) {
  const auto print = [&] {
    auto report = NewReport(contracts::kDestinationPrinter);
    PrintStatement(*report, "Ms Alice Brown", 1);
    report->EndReport();
  };
  FakeLp("echo 'lp: The printer or class does not exist.' >&2\nexit 1\n");
  EXPECT_EQ(ExpectComError(core::kErrPrinter, "", print).description(),
            "the printer (default) did not take the statements: lp: The printer or class does "
            "not exist.; the statements are in " +
                Pdf());
  EXPECT_TRUE(std::filesystem::is_regular_file(Pdf()));
  std::filesystem::remove(Pdf());
  env_.Set("PATH", (dir_ / "nowhere").string());
  EXPECT_EQ(ExpectComError(core::kErrPrinter, "", print).description(),
            "cannot print: the lp command (CUPS) is not installed; the statements are in " + Pdf());
  EXPECT_TRUE(std::filesystem::is_regular_file(Pdf()));
}

}  // namespace
}  // namespace report_test
