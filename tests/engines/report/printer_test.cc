// Printing through a stand-in `lp` on PATH: one that hangs is killed with
// whatever it started once the timeout passes, one that answers is waited
// for.
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

class PrinterTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    path_ = std::getenv("PATH");
    setenv("PATH", (dir_.string() + ":" + path_).c_str(), 1);
    pdf_ = (dir_ / "statements.pdf").string();
    WriteText(pdf_, "%PDF-1.5 stand-in");
  }
  void TearDown() override {
    setenv("PATH", path_.c_str(), 1);
    ReportTest::TearDown();
  }
  void FakeLp(const std::string& body) {
    const std::string lp = (dir_ / "lp").string();
    WriteText(lp, "#!/bin/sh\n" + body);
    chmod(lp.c_str(), 0755);
  }
  // Whether process `pid` still runs (a zombie does not) after the few
  // moments a killed process needs to go.
  static bool StillRunning(const std::string& pid) {
    for (int attempt = 0; attempt < 500; ++attempt) {
      std::ifstream stat("/proc/" + pid + "/stat");
      std::string number, name, state;
      if (!(stat >> number >> name >> state) || state == "Z") return false;
      usleep(10'000);
    }
    return true;
  }

  std::string path_, pdf_;
};

TEST_F(PrinterTest, AHangingLpIsKilledAfterTheTimeoutAndTheStatementsAreKept) {
  const std::string child = (dir_ / "child.pid").string();
  FakeLp("sleep 30 &\necho $! > '" + child + "'\nwait\n");
  try {
    report_engine::SubmitToPrinter(pdf_, "front-desk", std::chrono::seconds(1));
    FAIL() << "no error";
  } catch (const core::ComError& e) {
    EXPECT_EQ(e.number(), core::kErrPrinter);
    EXPECT_EQ(e.description(),
              "the printer front-desk did not take the statements within 1 s; the statements "
              "are in " +
                  pdf_);
  }
  std::string pid;
  std::ifstream(child) >> pid;
  ASSERT_FALSE(pid.empty());
  EXPECT_FALSE(StillRunning(pid)) << "what lp started still runs";
  EXPECT_TRUE(std::filesystem::exists(pdf_));

  FakeLp("echo 'request id is front-desk-7 (1 file(s))'\nexit 0\n");
  EXPECT_NO_THROW(report_engine::SubmitToPrinter(pdf_, "front-desk", std::chrono::seconds(5)));
  FakeLp("echo 'lp: The printer or class does not exist.' >&2\nexit 1\n");
  try {
    report_engine::SubmitToPrinter(pdf_, "", std::chrono::seconds(5));
    ADD_FAILURE() << "no error";
  } catch (const core::ComError& e) {
    EXPECT_EQ(e.description(),
              "the printer (default) did not take the statements: lp: The printer or class does "
              "not exist.; the statements are in " +
                  pdf_);
  }
}

}  // namespace
}  // namespace report_test
