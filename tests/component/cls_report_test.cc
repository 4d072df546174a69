// The component surface: parameters and PrintReport, through the recording
// fake engine and the in-memory fake database.
#include "component/cls_report.h"

#include <gtest/gtest.h>

#include "fake_database.h"
#include "fake_report.h"
#include "platform/object_factory.h"
#include "test_support.h"

class ClsReportPeer {
 public:
  static std::string GetParam(const clsReport& r, const std::string& name, const core::Variant& d) {
    return r.GetParam(name, d);
  }
};

namespace {

using core::Variant;
using testing_support::ExpectComError;
using testing_support::FakeDatabase;
using testing_support::FakeDBEngine;
using testing_support::FakeReport;

class ClsReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Set("DUNMERROW_HOME", home_.path().string());
    env_.Settings(home_.File("machine.ini"), home_.File("user.ini"));
    db_->Answer("from options",
                {{{"PrintName", Variant(false)}, {"PrintAddress", Variant(false)}}});
    db_->Answer("from glcodes", {});
    db_->Answer("from owner", {});
    platform::RegisterFactory(contracts::kDBEngineProgId, [this] { return engine_; });
    platform::RegisterFactory(contracts::kReportProgId, [this] {
      auto report = std::make_shared<FakeReport>();
      report->Declare("Header");
      created_.push_back(report);
      return report;
    });
  }
  void TearDown() override {
    platform::RegisterFactory(contracts::kReportProgId, nullptr);
    platform::RegisterFactory(contracts::kDBEngineProgId, nullptr);
  }
  void WriteDefinition(const std::string& name) {
    testing_support::WriteFile(home_.path() / name, "<report/>");
  }

  testing_support::ScratchFolder home_;
  testing_support::ScopedEnvironment env_;
  testing_support::MessageCapture shown_;
  std::shared_ptr<FakeDatabase> db_ = std::make_shared<FakeDatabase>();
  std::shared_ptr<FakeDBEngine> engine_ = std::make_shared<FakeDBEngine>(db_);
  std::vector<std::shared_ptr<FakeReport>> created_;
};

TEST_F(ClsReportTest, ParametersAreReadWithoutRegardToCase) {
  clsReport report;
  report.SetParam("DateTo", Variant(core::Date::FromCivil(2009, 4, 18)));
  EXPECT_EQ(ClsReportPeer::GetParam(report, "dateto", ""), "2009-04-18");
  report.SetParam("bNotes", Variant::Null());
  EXPECT_EQ(ClsReportPeer::GetParam(report, "bNotes", false), "False");
  EXPECT_EQ(ClsReportPeer::GetParam(report, "missing", true), "True");
}

TEST_F(ClsReportTest, MissingDefinitionDoesNothingAndAnUnregisteredEngineFails) {
  clsReport report;
  WriteDefinition(".Hidden.rdn");
  std::filesystem::create_directories(home_.path() / "Folder.rdn");
  for (const char* name : {"Missing", ".Hidden", "Folder"}) report.PrintReport(name);
  EXPECT_TRUE(created_.empty());
  EXPECT_TRUE(engine_->opened.empty());
  EXPECT_EQ(report.report_filename(), "Folder");
  EXPECT_TRUE(shown_.messages.empty());

  platform::RegisterFactory(contracts::kReportProgId, nullptr);
  WriteDefinition("OwnerStatement.rdn");
  ExpectComError(429, "Vintrel.Report", [&] { report.PrintReport("OwnerStatement"); });
}

TEST_F(ClsReportTest, RunWithoutDisbursements) {
  clsReport report;
  WriteDefinition("OwnerStatement.rdn");
  report.SetParam("DateTo", Variant(core::Date::FromCivil(2009, 4, 18)));
  report.PrintReport("OwnerStatement");
  ASSERT_EQ(created_.size(), 1u);
  EXPECT_EQ(shown_.Lines(), std::vector<std::string>{
                                "Dunmerrow: There were no disbursements done on 2009-04-18"});
  FakeReport& engine = *created_[0];
  EXPECT_EQ(engine.calls.front(), "LoadDefinition " + home_.File("OwnerStatement.rdn"));
  EXPECT_EQ(engine.calls.back(), "EndReport");
  // A second PrintReport makes a new engine object.
  report.PrintReport("OwnerStatement");
  EXPECT_EQ(created_.size(), 2u);
}

}  // namespace
