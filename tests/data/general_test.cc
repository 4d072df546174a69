// The General module on real SQLite files through the real database engine,
// and its query text helpers.
#include "data/general.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/date.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "platform/object_factory.h"
#include "platform/regional.h"
#include "platform/settings_hive.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

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
  }
  void TearDown() override {
    General::DataDb().reset();
    General::AppFolder().clear();
  }

  // Creates a host database holding owners with the given codes.
  static void MakeDatabase(const std::string& path, const std::vector<std::string>& owners) {
    jet::CreateHostDatabase(path);
    for (const std::string& code : owners) {
      jet::ExecuteSql(path, "INSERT INTO owner (code, name) VALUES (" + General::SQLText(code) +
                                ", 'Owner " + General::SQLText(code).substr(1) + ")");
    }
  }
  std::string LogOf(const std::string& month_year) {
    return testing_support::ReadFile(app_ + "/err" + month_year + ".log");
  }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  testing_support::MessageCapture shown_;
  const std::string dir_ = folder_.path().string();
  const std::string app_ = dir_ + "/app", home_ = dir_ + "/home";
  const std::string local_db_ = app_ + "/property.mdb";
};

// Which database opens for the settings, what the status says and what is
// shown and logged on the way. A failed opening keeps the open database.
TEST_F(GeneralTest, StartADOOpensTheDatabaseTheSettingsName) {
  const std::string network = dir_ + "/share/property.mdb", shared = dir_ + "/shared.sqlite";
  const std::string unreachable =
      "Unable to access \r\n" + network + "\r\nReverting back to \r\n" + local_db_;
  const std::string not_found =
      "General Errors...\r\n\r\n3024 - Could not find file '" + local_db_ + "'.\r\n\r\n";
  const std::string mismatch =
      "General Errors...\r\n\r\n13 - Type mismatch: 'several' is not a number\r\n\r\n";
  const struct {
    const char* name;
    const char* networkable;
    std::string location;
    bool local_there;
    bool opens;
    std::string status;
    Lines shown;
    std::string owner;  // of the database open afterwards
  } cases[] = {
      {"local, no networking", "0", "", true, true, "No networking enabled, using " + local_db_,
       {}, "LOCAL"},
      {"network database missing: the local one", "1", network, true, true,
       "Networking enabled.  Attempting to use " + network + "\r\n" + unreachable,
       {"Dunmerrow: " + unreachable}, "LOCAL"},
      {"network database there", "-1", shared, true, true,
       "Networking enabled.  Attempting to use " + shared + "\r\nDatabase file found", {},
       "SHARED"},
      {"no database at all", "0", "", false, false, "No networking enabled, using " + local_db_,
       {"Start ADO: " + not_found, "Dunmerrow: No networking enabled, using " + local_db_},
       "SHARED"},
      // Nothing was attempted, so no earlier attempt's status is shown.
      {"bad setting", "several", "", true, false, "",
       {"Start ADO: " + mismatch, "Dunmerrow: "}, "SHARED"},
  };
  MakeDatabase(shared, {"SHARED"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::SaveSetting("Quellory", "Settings", "Networkable", c.networkable);
    platform::SaveSetting("Quellory", "Settings", "DatabaseLocation", c.location);
    fs::remove(local_db_);
    if (c.local_there) MakeDatabase(local_db_, {"LOCAL"});
    EXPECT_EQ(General::StartADO(), c.opens);
    EXPECT_EQ(General::AppFolder(), app_);
    EXPECT_EQ(General::DbStatus(), c.status);
    EXPECT_EQ(shown_.Lines(), c.shown);
    EXPECT_EQ(General::LookupValue("code", "owner", "", "none"), c.owner);
    shown_.messages.clear();
  }
  const std::string at = "06/12/26 09:05:07 ";
  EXPECT_EQ(LogOf("Dec26"), at + not_found + "\r\n" + at + mismatch + "\r\n");

  // Without an apppath setting the component's own folder is the host's.
  MakeDatabase(home_ + "/property.mdb", {"HOME"});
  fs::remove(dir_ + "/user.ini");
  ASSERT_TRUE(General::StartADO());
  EXPECT_EQ(General::AppFolder(), home_);
  EXPECT_EQ(General::LookupValue("code", "owner", "", "none"), "HOME");
}

// Row operations and lookups on real recordsets, and their failures, which
// answer so that a caller's loop ends.
TEST_F(GeneralTest, RowOperationsAndLookupsAndTheirFailures) {
  MakeDatabase(local_db_, {"A1", "B2", "O'BRIEN"});
  ASSERT_TRUE(General::StartADO());
  General::RecordsetPtr rs;
  EXPECT_TRUE(General::DataIsEmpty(rs));
  EXPECT_TRUE(General::DataEOF(rs));
  General::DataClose(rs);

  std::string sql = "select code from owner where code <> 'none' and true order by code";
  General::DataCreateSet(rs, sql);
  EXPECT_EQ(sql, "select code from owner where code <> 'none' and -1 order by code");
  EXPECT_FALSE(General::DataIsEmpty(rs));
  int rows = 0;
  for (; !General::DataEOF(rs); General::DataMoveNext(rs)) ++rows;
  EXPECT_EQ(rows, 3);
  General::DataClose(rs);
  EXPECT_FALSE(rs);

  jet::ExecuteSql(local_db_, "INSERT INTO owner (code, name, email) VALUES ('N1', NULL, NULL)");
  EXPECT_EQ(General::LookupValue("name", "owner", "where code = 'A1'", "none"), "Owner A1");
  EXPECT_EQ(General::LookupValue("name", "owner", "where code = 'N1'", "none"), "");
  EXPECT_EQ(General::LookupValue("name", "owner", "where code = 'ZZ'", "none"), "none");
  EXPECT_EQ(General::LookupValue("count(*)", "owner", "", "none"), "4");

  EXPECT_EQ(General::LookupValue("name", "no_such_table", "", "none"), "none");
  const std::string lookup = "select name as result from no_such_table ";
  sql = "select code from owner";
  General::DataCreateSet(rs, sql);
  const auto kept = rs;
  sql = "select code from no_such_table";
  General::DataCreateSet(rs, sql);
  EXPECT_EQ(rs, kept);
  // A closed recordset: emptiness answers true without a report (3704),
  // the end-of-rows question answers true with one, so loops end.
  rs->Close();
  EXPECT_TRUE(General::DataIsEmpty(rs));
  EXPECT_TRUE(General::DataEOF(rs));
  General::RecordsetPtr absent;
  General::DataMoveNext(absent);
  General::DataDb().reset();
  General::DataCreateSet(absent, sql);
  EXPECT_FALSE(absent);
  // Each failure is shown once; the database engine's own carry their
  // number and description too.
  const auto shown = [](const std::string& title, const std::string& failure) {
    return title + ": General Errors...\r\n\r\n" + failure + "\r\n\r\n";
  };
  const std::string no_table = "3078 - no such table: no_such_table in \"";
  const std::string not_set = "91 - Object variable or With block variable not set";
  EXPECT_EQ(shown_.Lines(),
            (Lines{shown("Data Create Set", no_table + lookup + "\""),
                   shown("Data Create Set", no_table + sql + "\""),
                   shown("Data EOF", "3704 - Operation is not allowed when the object is closed."),
                   shown("Move Next", not_set), shown("Data Create Set", not_set)}));
}

TEST_F(GeneralTest, ErrorLogIsMonthlyAndIgnoresWriteFailures) {
  General::AppFolder() = app_;
  env_.Set("DUNMERROW_NOW", "2026-12-31T23:59:59");
  General::LogError("second\r\nline two");
  env_.Set("DUNMERROW_NOW", "2027-01-01T00:00:01");
  General::LogError("third");
  EXPECT_EQ(LogOf("Dec26"), "31/12/26 23:59:59 second\r\nline two\r\n");
  EXPECT_EQ(LogOf("Jan27"), "01/01/27 00:00:01 third\r\n");

  General::AppFolder() = dir_ + "/no/such/folder";
  General::LogError("lost quietly");
  EXPECT_FALSE(fs::exists(dir_ + "/no"));

  // Before any opening there is no host folder: the component's folder.
  General::AppFolder().clear();
  General::LogError("early");
  EXPECT_EQ(testing_support::ReadFile(home_ + "/errJan27.log"), "01/01/27 00:00:01 early\r\n");
}

TEST(SqlTextTest, FixSqlRewritesQueryTexts) {
  const std::pair<const char*, const char*> cases[] = {
      // Even apostrophe counts: only the boolean words change.
      {"where a=true and b=false", "where a=-1 and b=0"},
      {"select * from owner", "select * from owner"},
      // Only lower-case whole words outside literals and bracketed names.
      {"select [is true], truest, untrue, false_flag, True",
       "select [is true], truest, untrue, false_flag, True"},
      {"where a = \"false\" and b = false", "where a = \"false\" and b = 0"},
      {"where code = 'it''s true' and c = true", "where code = 'it''s true' and c = -1"},
      // Odd counts: stray apostrophes inside literals are doubled.
      {"where note = 'can't pay' order by note", "where note = 'can''t pay' order by note"},
      {"where name like 'O'Brien%' and x = true", "where name like 'O''Brien%' and x = -1"},
      {"where code = 'O'Neil' or code = 'B'", "where code = 'O''Neil' or code = 'B'"},
      // An apostrophe that is the last character is never doubled.
      {"where code = 'a'b'", "where code = 'a''b'"},
      {"'", "'"},
      {"x'", "x'"},
  };
  for (const auto& [given, expected] : cases) {
    std::string sql = given;
    EXPECT_EQ(General::FixSQL(sql), expected) << "given: " << given;
    EXPECT_EQ(sql, expected) << "given: " << given;
  }
}

TEST(SqlTextTest, CodesAndDatesBecomeLiterals) {
  EXPECT_EQ(General::SQLText(""), "''");
  EXPECT_EQ(General::SQLText("O'Brien"), "'O''Brien'");
  EXPECT_EQ(General::SQLDate(core::Date::FromCivil(2009, 4, 18)), "#04/18/2009#");
  EXPECT_EQ(General::SQLDate(core::Date::FromCivil(2026, 12, 6, 13, 45, 0)), "#12/06/2026#");
  EXPECT_EQ(General::SQLDate(core::Date::FromCivil(100, 1, 1)), "#01/01/0100#");
}

}  // namespace
