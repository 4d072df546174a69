// The component surface: parameters, PrintReport and the print button,
// through the recording fake engine and the in-memory fake database.
#include "component/cls_report.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "core/com_error.h"
#include "fake_database.h"
#include "fake_report.h"
#include "platform/message_box.h"
#include "platform/object_factory.h"

class ClsReportPeer {
 public:
  static std::string GetParam(const clsReport& r, const std::string& name, const core::Variant& d) {
    return r.GetParam(name, d);
  }
};

namespace {

using testing_support::FakeDatabase;
using testing_support::FakeDBEngine;
using testing_support::FakeReport;

class ClsReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::temp_directory_path() /
            ("dunmerrow-cls-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(home_);
    setenv("DUNMERROW_HOME", home_.c_str(), 1);
    setenv("QUELLORY_MACHINE_SETTINGS", (home_ / "machine.ini").c_str(), 1);
    setenv("QUELLORY_USER_SETTINGS", (home_ / "user.ini").c_str(), 1);
    setenv("DUNMERROW_NOW", "2009-04-18T10:00:00", 1);

    db_ = std::make_shared<FakeDatabase>();
    db_->Answer("from options", {{{"PrintName", core::Variant(false)},
                                  {"PrintAddress", core::Variant(false)},
                                  {"TaxExpense", core::Variant(false)},
                                  {"TaxIncome", core::Variant(false)},
                                  {"TaxDisburse", core::Variant(false)}}});
    db_->Answer("from glcodes", {});
    db_->Answer("from owner", {});
    engine_ = std::make_shared<FakeDBEngine>(db_);
    platform::RegisterFactory(contracts::kDBEngineProgId, [this] { return engine_; });
    platform::RegisterFactory(contracts::kReportProgId, [this] {
      auto report = std::make_shared<FakeReport>();
      report->Declare("Header");
      created_.push_back(report);
      return report;
    });
    platform::SetMessageSink([this](const std::string& text, const std::string& title) {
      messages_.push_back(title + ": " + text);
    });
  }
  void TearDown() override {
    platform::SetMessageSink(nullptr);
    platform::RegisterFactory(contracts::kReportProgId, nullptr);
    platform::RegisterFactory(contracts::kDBEngineProgId, nullptr);
    std::filesystem::remove_all(home_);
  }
  void WriteDefinition(const std::string& name) { std::ofstream(home_ / name) << "<report/>"; }

  std::filesystem::path home_;
  std::shared_ptr<FakeDatabase> db_;
  std::shared_ptr<FakeDBEngine> engine_;
  std::vector<std::shared_ptr<FakeReport>> created_;
  std::vector<std::string> messages_;
};

TEST_F(ClsReportTest, ParametersAreSetOnceAndReadWithoutRegardToCase) {
  clsReport report;
  report.SetParam("DateTo", core::Variant(core::Date::FromCivil(2009, 4, 18)));
  try {
    report.SetParam("DATETO", core::Variant(core::Date::FromCivil(2010, 1, 1)));
    FAIL() << "a second DateTo was accepted";
  } catch (const core::ComError& e) {
    EXPECT_EQ(e.number(), 457);
  }
  EXPECT_EQ(ClsReportPeer::GetParam(report, "dateto", ""), "2009-04-18");
  report.SetParam("bNotes", core::Variant::Null());
  EXPECT_EQ(ClsReportPeer::GetParam(report, "bNotes", false), "False");
  EXPECT_EQ(ClsReportPeer::GetParam(report, "missing", true), "True");
}

TEST_F(ClsReportTest, UseParameterMatchesExactNamesOnly) {
  clsReport report;
  EXPECT_TRUE(report.UseParameter("bToEnabled"));
  EXPECT_TRUE(report.UseParameter("bNotes"));
  EXPECT_TRUE(report.UseParameter("bDetailed"));
  EXPECT_FALSE(report.UseParameter("bnotes"));
  EXPECT_FALSE(report.UseParameter("DateTo"));
}

TEST_F(ClsReportTest, MissingOrHiddenDefinitionDoesNothing) {
  clsReport report;
  WriteDefinition(".Hidden.rdn");
  std::filesystem::create_directories(home_ / "Folder.rdn");
  report.PrintReport("Missing");
  report.PrintReport(".Hidden");
  report.PrintReport("Folder");
  EXPECT_TRUE(created_.empty());
  EXPECT_TRUE(engine_->opened.empty());
  EXPECT_EQ(report.report_filename(), "Folder");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ClsReportTest, RunWithoutDisbursementsThenPrintButton) {
  clsReport report;
  WriteDefinition("OwnerStatement.rdn");
  report.SetParam("DateTo", core::Variant(core::Date::FromCivil(2009, 4, 18)));
  report.PrintReport("OwnerStatement");
  ASSERT_EQ(created_.size(), 1u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Dunmerrow: There were no disbursements done on 2009-04-18");
  FakeReport& engine = *created_[0];
  EXPECT_EQ(engine.calls.front(), "LoadDefinition " + (home_ / "OwnerStatement.rdn").string());
  EXPECT_EQ(engine.calls.back(), "EndReport");

  // The print button runs the same report again, on the same engine, to the printer.
  engine.calls.clear();
  engine.PressPrintButton();
  EXPECT_EQ(created_.size(), 1u);
  ASSERT_GE(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[0], "Destination 2");
  EXPECT_EQ(engine.calls.back(), "EndReport");
  EXPECT_EQ(messages_.size(), 2u);

  // A second PrintReport makes a new engine object.
  report.PrintReport("OwnerStatement");
  EXPECT_EQ(created_.size(), 2u);
}

TEST_F(ClsReportTest, UnregisteredEngineFailsNamingIt) {
  platform::RegisterFactory(contracts::kReportProgId, nullptr);
  WriteDefinition("OwnerStatement.rdn");
  clsReport report;
  try {
    report.PrintReport("OwnerStatement");
    FAIL() << "no error without a report engine";
  } catch (const core::ComError& e) {
    EXPECT_EQ(e.number(), 429);
    EXPECT_NE(e.description().find("Vintrel.Report"), std::string::npos);
  }
}

}  // namespace
