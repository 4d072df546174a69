// Importing the real Jet files of the fixtures: row counts and values that
// libmdb's text forms get wrong, through the engine as the component reads
// them.
#include "engines/jet/mdb_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/com_error.h"
#include "engines/jet/jet_engine.h"
#include "engines/jet/sql_translator.h"
#include "test_support.h"

namespace jet {
namespace {

using core::Currency;
using core::Date;
using testing_support::ExpectComError;
using testing_support::MdbFixture;
using testing_support::ReadFile;
using testing_support::WriteFile;

std::shared_ptr<contracts::Database> Open(const std::string& path) {
  return CreateDBEngine()->OpenDatabase(path, false, true, "");
}

int32_t Count(const std::shared_ptr<contracts::Database>& db, const std::string& table) {
  return db->OpenRecordset("select count(*) as n from [" + table + "]")->Field("n").AsLong();
}

TEST(MdbImportTest, Jet3AndJet4NumbersDatesCurrencyAndYesNo) {
  for (const char* name : {"testV1997.mdb", "testV2003.mdb"}) {
    SCOPED_TRACE(name);
    auto db = Open(MdbFixture(name));
    EXPECT_EQ(Count(db, "Table1"), 2);
    EXPECT_EQ(Count(db, "Table2"), 0);
    EXPECT_EQ(Count(db, "Table3"), 0);
    auto rs = db->OpenRecordset("select * from Table1 where A = 'ABCDEFG'");  // without case
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->Field("B").AsString(), "hijklmnop");
    EXPECT_EQ(rs->Field("C").AsInteger(), 2);
    EXPECT_EQ(rs->Field("D").AsInteger(), 222);
    EXPECT_EQ(rs->Field("E").AsLong(), 333333333);
    EXPECT_DOUBLE_EQ(rs->Field("F").AsDouble(), 444.555);
    EXPECT_EQ(rs->Field("G").AsDate(), Date::FromCivil(1974, 9, 21));
    EXPECT_EQ(rs->Field("H").AsCurrency(), Currency::FromRaw(35000));
    EXPECT_EQ(rs->Field("I").AsBoolean(), true);
    auto other = db->OpenRecordset("select * from Table1 where A = 'a'");
    EXPECT_EQ(other->Field("G").AsDate(), Date::FromCivil(1981, 12, 12));
    EXPECT_EQ(other->Field("I").AsBoolean(), false);
    EXPECT_TRUE(other->Field("H").AsCurrency().IsZero());
  }
}

TEST(MdbImportTest, DatesOutsideTheUsualRangeAndMemoText) {
  auto db = Open(MdbFixture("DateTestDatabase.mdb"));
  EXPECT_EQ(Count(db, "DateTest"), 6);
  const auto date_of = [&](int id, const char* column) {
    return db->OpenRecordset("select * from DateTest where IDCol = " + std::to_string(id))
        ->Field(column)
        .AsDate();
  };
  EXPECT_EQ(date_of(1, "DateTimeCol"), Date::FromCivil(2021, 12, 2));
  EXPECT_EQ(date_of(2, "DateCol"), Date::FromCivil(9999, 1, 1));
  EXPECT_EQ(date_of(3, "DateTimeCol"), Date::FromCivil(1898, 1, 1));
  EXPECT_EQ(date_of(3, "DateCol"), Date::FromCivil(1899, 1, 1));
  EXPECT_EQ(date_of(3, "TimeCol"), Date::FromCivil(1900, 1, 1));
  EXPECT_EQ(date_of(4, "DateTimeCol"), Date::FromCivil(632, 1, 1));
  // Stored dates compare with date literals.
  auto old =
      db->OpenRecordset("select IDCol from DateTest where DateCol < #1/1/1900# order by IDCol");
  EXPECT_EQ(old->Field("IDCol").AsLong(), 3);
  auto memo = db->OpenRecordset("select LongTextCol from DateTest where IDCol = 6");
  EXPECT_EQ(memo->Field("LongTextCol").AsString(), "New line\r\nin field");
}

TEST(MdbImportTest, UnicodeTextLongMemoAndOle) {
  auto db = Open(MdbFixture("testUnicodeCompV2003.mdb"));
  EXPECT_EQ(Count(db, "Table"), 8);
  const auto text = [&](int id) {
    return db->OpenRecordset("select * from [Table] where ID = " + std::to_string(id))
        ->Field("Unicode")
        .AsString();
  };
  EXPECT_EQ(text(2), "ääkkösiä");
  EXPECT_EQ(text(3), "Мир");
  EXPECT_EQ(text(4),
            "\u03f0\u03b1\u1f76 \u03c4\u1f79\u03c4' \u1f10\u03b3\u1f7c "
            "\u039a\u1f7b\u03f0\u03bb\u03c9\u03c0\u03b1");
  EXPECT_EQ(text(5), "漢字仮名交じり文");

  auto projects = Open(MdbFixture("test2V2003.mdb"));
  auto rs = projects->OpenRecordset("select * from MSP_PROJECTS");
  const std::string author = rs->Field("PROJ_PROP_AUTHOR").AsString();
  EXPECT_EQ(author.size(), 348u);  // the whole memo, past the 255 characters of a text
  EXPECT_EQ(author.substr(0, 9), "Jon Iles ");
  EXPECT_EQ(author.substr(author.size() - 12), "jflksjadf as");
  EXPECT_EQ(rs->Field("PROJ_INFO_CURRENT_DATE").AsDate(), Date::FromCivil(2006, 2, 3, 8, 0, 0));
  EXPECT_EQ(rs->Field("RESERVED_BINARY_DATA").AsString().size(), 22970u);
}

TEST(MdbImportTest, ImportToFileMatchesAndLeavesTheSourceAlone) {
  testing_support::ScratchFolder folder;
  for (const char* name : {"testV1997.mdb", "testV2003.mdb", "test2V2003.mdb",
                           "testUnicodeCompV2003.mdb", "DateTestDatabase.mdb"}) {
    SCOPED_TRACE(name);
    const std::string source = MdbFixture(name);
    const std::string before = ReadFile(source);
    const std::string out = folder.File(std::string(name) + ".sqlite");
    ImportMdbToFile(source, out);
    EXPECT_EQ(DetectFileFormat(out), FileFormat::kSqlite);
    auto imported = Open(out);
    auto direct = Open(source);
    auto tables = imported->OpenRecordset(
        "select name from sqlite_master where type = 'table' order by name");
    for (; !tables->IsEOF(); tables->MoveNext()) {
      const std::string table = tables->Field("name").AsString();
      EXPECT_EQ(Count(imported, table), Count(direct, table)) << table;
    }
    EXPECT_EQ(ReadFile(source), before);
  }
}

TEST(MdbImportTest, AJetFileUnderAnyNameAndBadJetFiles) {
  testing_support::ScratchFolder folder;
  const std::string renamed = folder.File("property.dat");
  WriteFile(renamed, ReadFile(MdbFixture("testV1997.mdb")));
  EXPECT_EQ(Count(Open(renamed), "Table1"), 2);

  const std::string truncated = folder.File("truncated.mdb");
  WriteFile(truncated, ReadFile(MdbFixture("testV2003.mdb")).substr(0, 10000));
  ExpectComError(kErrUnrecognizedFormat, "'" + truncated + "' is truncated or damaged",
                 [&] { Open(truncated); });
  const std::string out = folder.File("out.sqlite");
  EXPECT_THROW(ImportMdbToFile(truncated, out), core::ComError);
  EXPECT_EQ(DetectFileFormat(out), FileFormat::kMissing);  // nothing half-written
  EXPECT_THROW(ImportMdbToFile(folder.File("none.mdb"), out), core::ComError);
}

TEST(MdbImportTest, HostIndexesAndViewWhereTheirTablesAre) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  // As a host's tables come from a Jet file: the disbursements and extra fees
  // are there, the notes are not, and the expenses lack a column.
  sqlite3_exec(db,
               "CREATE TABLE disbursement (recordnumber INTEGER, owner TEXT, date DATETIME TEXT);"
               "CREATE TABLE tenancy (reference TEXT COLLATE NOCASE, name TEXT);"
               "CREATE TABLE extra_fees (disburse_id INTEGER, date DATETIME TEXT, description "
               "TEXT, value CURRENCY REAL, tax CURRENCY REAL);"
               "CREATE TABLE Expenses (Date DATETIME TEXT, Amount CURRENCY REAL);"
               "INSERT INTO extra_fees VALUES (7, '2009-04-18 00:00:00', 'Inspection', 55, 5);",
               nullptr, nullptr, nullptr);
  AddHostIndexesAndView(db);
  std::vector<std::string> names;
  sqlite3_exec(
      db, "SELECT name FROM sqlite_master WHERE type IN ('index', 'view') ORDER BY name",
      [](void* out, int, char** values, char**) {
        static_cast<std::vector<std::string>*>(out)->push_back(values[0]);
        return 0;
      },
      &names, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(names, (std::vector<std::string>{"disbursement_by_date", "disbursement_by_owner",
                                             "extra_fees_by_disbursement", "extra_fees_view",
                                             "tenancy_by_reference"}));
}

// libmdb trusts the file; the import must survive it crashing or looping.
TEST(MdbImportTest, DamagedJetFilesFailWithoutCrashingOrHanging) {
  testing_support::ScratchFolder folder;
  std::string bytes = ReadFile(MdbFixture("testV1997.mdb"));
  bytes[102434] = 53;  // one byte of a data page: the reader crashes
  const std::string damaged = folder.File("damaged.mdb");
  WriteFile(damaged, bytes);
  const auto import_error = [](const std::string& path, std::chrono::milliseconds timeout) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    const std::string description =
        ExpectComError(kErrUnrecognizedFormat, "", [&] { ImportMdb(path, db, timeout); })
            .description();
    sqlite3_close(db);
    return description;
  };
  EXPECT_EQ(import_error(damaged, std::chrono::seconds(30))
                .rfind("The Jet database '" + damaged + "' is damaged: reading it failed (", 0),
            0u);
  // A reader that takes too long is stopped: here a sound file given 1 ms.
  const std::string slow = MdbFixture("testV2003.mdb");
  EXPECT_EQ(import_error(slow, std::chrono::milliseconds(1)),
            "The Jet database '" + slow +
                "' is damaged: reading it did not finish within 1 "
                "milliseconds.");
}

}  // namespace
}  // namespace jet
