// Opening the host's database through the settings, the recordset operations
// and the error log, on real SQLite files through the real database engine.
#include "data/general.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "data/registry.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "platform/files.h"
#include "platform/object_factory.h"
#include "platform/regional.h"
#include "platform/settings_hive.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

class GeneralTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(app_);
    fs::create_directory(home_);
    // No machine hive: every setting comes from the per-user store.
    env_.Settings(dir_ + "/none/registry.ini", dir_ + "/user.ini");
    env_.Set("DUNMERROW_HOME", home_);
    env_.Set("DUNMERROW_NOW", "2026-12-06T09:05:07");
    platform::SaveSetting("Quellory", "Settings", "apppath", app_);
    platform::RegisterFactory(contracts::kDBEngineProgId, [] { return jet::CreateDBEngine(); });
    platform::SetLocale("en_US");  // the log's month names
    General::DataDb().reset();
    General::AppFolder().clear();
    General::DbStatus().clear();
  }
  void TearDown() override {
    General::DataDb().reset();
    General::AppFolder().clear();
  }

  // A host database holding owners with the given codes.
  static void MakeDatabase(const std::string& path, const std::vector<std::string>& owners) {
    jet::CreateHostDatabase(path);
    for (const std::string& code : owners) {
      jet::ExecuteSql(path, "INSERT INTO owner (code, name) VALUES (" + General::SQLText(code) +
                                ", 'Owner " + General::SQLText(code).substr(1) + ")");
    }
  }

  static std::vector<std::string> OwnerCodes() {
    std::vector<std::string> codes;
    General::RecordsetPtr rs;
    std::string sql = "select code from owner";
    General::DataCreateSet(rs, sql);
    for (; !General::DataEOF(rs); General::DataMoveNext(rs)) codes.push_back(rs->Field("code").AsString());
    General::DataClose(rs);
    return codes;
  }

  std::string LogOf(const std::string& month_year) {
    const std::string path = app_ + "/err" + month_year + ".log";
    return platform::PlainFileExists(path) ? platform::ReadFile(path) : "<no log>";
  }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  testing_support::MessageCapture shown_;
  std::vector<testing_support::Message>& messages_ = shown_.messages;
  const std::string dir_ = folder_.path().string();
  const std::string app_ = dir_ + "/app", home_ = dir_ + "/home";
  const std::string local_db_ = app_ + "/property.mdb";
};

// Which database opens for the settings, what the status says and what is
// shown on the way.
TEST_F(GeneralTest, StartADOOpensTheDatabaseTheSettingsName) {
  const std::string network = dir_ + "/share/property.mdb", shared = dir_ + "/shared.sqlite";
  const std::string unreachable =
      "Unable to access \r\n" + network + "\r\nReverting back to \r\n" + local_db_;
  const struct {
    const char* name;
    const char* networkable;  // nullptr: the setting is not there
    std::string location;
    std::string status;
    std::vector<std::string> shown;
    std::string owner;
  } cases[] = {
      {"local, no networking", nullptr, "", "No networking enabled, using " + local_db_, {}, "LOCAL"},
      {"network database missing: the local one", "1", network,
       "Networking enabled.  Attempting to use " + network + "\r\n" + unreachable,
       {"Dunmerrow: " + unreachable}, "LOCAL"},
      {"network database there", "-1", shared,
       "Networking enabled.  Attempting to use " + shared + "\r\nDatabase file found", {},
       "SHARED"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(app_);
    fs::create_directory(app_);
    fs::remove(shared);
    MakeDatabase(local_db_, {"LOCAL"});
    MakeDatabase(shared, {"SHARED"});
    platform::SaveSetting("Quellory", "Settings", "Networkable", c.networkable ? c.networkable : "0");
    platform::SaveSetting("Quellory", "Settings", "DatabaseLocation", c.location);
    messages_.clear();
    ASSERT_TRUE(General::StartADO());
    EXPECT_EQ(General::AppFolder(), app_);
    EXPECT_EQ(General::DbStatus(), c.status);
    EXPECT_EQ(shown_.Lines(), c.shown);
    EXPECT_EQ(OwnerCodes(), std::vector<std::string>{c.owner});
  }
  // Without an apppath setting the component's own folder is the host's.
  MakeDatabase(home_ + "/property.mdb", {"HOME"});
  fs::remove(dir_ + "/user.ini");
  ASSERT_TRUE(General::StartADO());
  EXPECT_EQ(General::AppFolder(), home_);
  EXPECT_EQ(OwnerCodes(), std::vector<std::string>{"HOME"});
}

TEST_F(GeneralTest, FailedOpeningIsShownLoggedAndKeepsTheOpenDatabase) {
  MakeDatabase(local_db_, {"LOCAL"});
  ASSERT_TRUE(General::StartADO());
  const auto before = General::DataDb();
  fs::remove(local_db_);

  EXPECT_FALSE(General::StartADO());
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].title, "Start ADO");
  const std::string failure =
      "General Errors...\r\n\r\n3024 - Could not find file '" + local_db_ + "'.\r\n\r\n";
  EXPECT_EQ(messages_[0].text, failure);
  EXPECT_EQ(messages_[1].title, "Dunmerrow");
  EXPECT_EQ(messages_[1].text, "No networking enabled, using " + local_db_);
  EXPECT_EQ(LogOf("Dec26"), "06/12/26 09:05:07 " + failure + "\r\n");
  EXPECT_EQ(General::DataDb(), before);

  messages_.clear();
  platform::SaveSetting("Quellory", "Settings", "Networkable", "several");
  EXPECT_FALSE(General::StartADO());
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].title, "Start ADO");
  EXPECT_TRUE(messages_[0].text.starts_with("General Errors...\r\n\r\n13 - ")) << messages_[0].text;
  // Nothing was attempted, so no earlier attempt's status is shown.
  EXPECT_EQ(messages_[1].text, "");
}

TEST_F(GeneralTest, RowOperationsOnRealRecordsets) {
  MakeDatabase(local_db_, {"A1", "B2", "O'BRIEN"});
  ASSERT_TRUE(General::StartADO());

  General::RecordsetPtr absent;
  EXPECT_TRUE(General::DataIsEmpty(absent));
  EXPECT_TRUE(General::DataEOF(absent));
  General::DataClose(absent);
  EXPECT_TRUE(messages_.empty());

  General::RecordsetPtr rs;
  std::string sql = "select code from owner where code <> 'none' and true order by code";
  General::DataCreateSet(rs, sql);
  EXPECT_EQ(sql, "select code from owner where code <> 'none' and -1 order by code");
  ASSERT_TRUE(rs);
  EXPECT_FALSE(General::DataIsEmpty(rs));
  int rows = 0;
  for (; !General::DataEOF(rs); General::DataMoveNext(rs)) ++rows;
  EXPECT_EQ(rows, 3);
  General::DataClose(rs);
  EXPECT_FALSE(rs);

  sql = "select code from owner where code = " + General::SQLText("o'brien");
  General::DataCreateSet(rs, sql);
  EXPECT_FALSE(General::DataIsEmpty(rs));
  EXPECT_EQ(rs->Field("code").AsString(), "O'BRIEN");

  sql = "select code from owner where code = 'nobody'";
  General::DataCreateSet(rs, sql);
  EXPECT_TRUE(General::DataIsEmpty(rs));
  EXPECT_TRUE(General::DataEOF(rs));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GeneralTest, RowOperationFailuresAreReportedWithFixedAnswers) {
  MakeDatabase(local_db_, {"A1", "B2"});
  ASSERT_TRUE(General::StartADO());

  General::RecordsetPtr rs;
  std::string sql = "select code from owner";
  General::DataCreateSet(rs, sql);
  const auto kept = rs;
  sql = "select code from no_such_table";
  General::DataCreateSet(rs, sql);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, "Data Create Set");
  EXPECT_EQ(rs, kept);

  // A closed recordset: emptiness answers true without a report (3704),
  // the end-of-rows question answers true with one, so loops end.
  messages_.clear();
  rs->Close();
  EXPECT_TRUE(General::DataIsEmpty(rs));
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(General::DataEOF(rs));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, "Data EOF");
  EXPECT_NE(messages_[0].text.find("3704 - "), std::string::npos) << messages_[0].text;

  messages_.clear();
  General::RecordsetPtr absent;
  General::DataMoveNext(absent);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, "Move Next");
  EXPECT_EQ(messages_[0].text,
            "General Errors...\r\n\r\n91 - Object variable or With block variable not set\r\n\r\n");

  messages_.clear();
  General::DataDb().reset();
  sql = "select code from owner";
  General::RecordsetPtr fresh;
  General::DataCreateSet(fresh, sql);
  EXPECT_FALSE(fresh);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, "Data Create Set");
}

TEST_F(GeneralTest, LookupValueOnValuesNullsAndMissingRows) {
  MakeDatabase(local_db_, {"A1"});
  jet::ExecuteSql(local_db_, "INSERT INTO owner (code, name, email) VALUES ('N1', NULL, NULL)");
  ASSERT_TRUE(General::StartADO());
  EXPECT_EQ(General::LookupValue("name", "owner", "where code = 'A1'", "none"), "Owner A1");
  EXPECT_EQ(General::LookupValue("name", "owner", "where code = 'N1'", "none"), "");
  EXPECT_EQ(General::LookupValue("name", "owner", "where code = 'ZZ'", "none"), "none");
  EXPECT_EQ(General::LookupValue("count(*)", "owner", "", "none"), "2");
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(General::LookupValue("name", "missing_table", "", "none"), "none");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, "Data Create Set");

  EXPECT_TRUE(General::IfNull(core::Variant::Null(), core::Variant("d")).AsString() == "d");
  EXPECT_EQ(General::IfNull(core::Variant(int32_t{5}), core::Variant("d")).AsLong(), 5);
}

TEST_F(GeneralTest, EngineFailuresCarryNumberAndDescription) {
  General::AppFolder() = app_;
  General::DataError("Data EOF",
                     core::ComError(3021, "No current record.", "Dunmerrow.Jet"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "General Errors...\r\n\r\n3021 - No current record.\r\n\r\n");
  EXPECT_EQ(LogOf("Dec26"), "06/12/26 09:05:07 " + messages_[0].text + "\r\n");
}

TEST_F(GeneralTest, ErrorLogIsMonthlyAndIgnoresWriteFailures) {
  General::AppFolder() = app_;
  General::LogError("first");
  setenv("DUNMERROW_NOW", "2026-12-31T23:59:59", 1);
  General::LogError("second\r\nline two");
  setenv("DUNMERROW_NOW", "2027-01-01T00:00:01", 1);
  General::LogError("third");
  EXPECT_EQ(LogOf("Dec26"), "06/12/26 09:05:07 first\r\n31/12/26 23:59:59 second\r\nline two\r\n");
  EXPECT_EQ(LogOf("Jan27"), "01/01/27 00:00:01 third\r\n");

  General::AppFolder() = dir_ + "/no/such/folder";
  General::LogError("lost quietly");
  EXPECT_FALSE(fs::exists(dir_ + "/no"));

  // Before any opening there is no host folder: the component's folder.
  General::AppFolder().clear();
  General::LogError("early");
  EXPECT_EQ(platform::ReadFile(home_ + "/errJan27.log"), "01/01/27 00:00:01 early\r\n");
}

}  // namespace
