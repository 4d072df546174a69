// Importing the real Jet files of the fixtures: row counts and values that
// libmdb's text forms get wrong, read through the engine; and the files that
// cannot be read, whatever they are called.
#include "engines/jet/mdb_import.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"
#include "test_support.h"

namespace jet {
namespace {

using core::Currency;
using core::Date;
using testing_support::ExpectComError;
using testing_support::MdbFixture;
using testing_support::ReadFile;
using testing_support::WriteFile;

using Database = std::shared_ptr<contracts::Database>;

Database Open(const std::string& path) {
  return CreateDBEngine()->OpenDatabase(path, false, true, "");
}

int32_t Count(const Database& db, const std::string& table) {
  return db->OpenRecordset("select count(*) as n from [" + table + "]")->Field("n").AsLong();
}

class MdbImportTest : public ::testing::Test {
 protected:
  // The fixture imported into a SQLite file, opened; the Jet file is only read.
  Database Import(const std::string& name) {
    const std::string before = ReadFile(MdbFixture(name));
    ImportMdbToFile(MdbFixture(name), folder_.File(name + ".sqlite"));
    EXPECT_EQ(ReadFile(MdbFixture(name)), before);
    return Open(folder_.File(name + ".sqlite"));
  }

  testing_support::ScratchFolder folder_;
};

TEST_F(MdbImportTest, Jet3AndJet4NumbersDatesCurrencyAndYesNo) {
  for (const char* name : {"testV1997.mdb", "testV2003.mdb"}) {
    SCOPED_TRACE(name);
    auto db = Import(name);
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

TEST_F(MdbImportTest, DatesOutsideTheUsualRangeAndMemoText) {
  auto db = Import("DateTestDatabase.mdb");
  EXPECT_EQ(Count(db, "DateTest"), 6);
  const auto date_of = [&](int id, const char* column) {
    const std::string sql = "select * from DateTest where IDCol = " + std::to_string(id);
    return db->OpenRecordset(sql)->Field(column).AsDate();
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

TEST_F(MdbImportTest, UnicodeTextLongMemoAndOle) {
  auto db = Import("testUnicodeCompV2003.mdb");
  EXPECT_EQ(Count(db, "Table"), 8);
  const auto text = [&](int id) {
    const std::string sql = "select * from [Table] where ID = " + std::to_string(id);
    return db->OpenRecordset(sql)->Field("Unicode").AsString();
  };
  EXPECT_EQ(text(2), "ääkkösiä");
  EXPECT_EQ(text(3), "Мир");
  EXPECT_EQ(text(4),
            "\u03f0\u03b1\u1f76 \u03c4\u1f79\u03c4' \u1f10\u03b3\u1f7c "
            "\u039a\u1f7b\u03f0\u03bb\u03c9\u03c0\u03b1");
  EXPECT_EQ(text(5), "漢字仮名交じり文");

  auto projects = Import("test2V2003.mdb");
  auto rs = projects->OpenRecordset("select * from MSP_PROJECTS");
  const std::string author = rs->Field("PROJ_PROP_AUTHOR").AsString();
  EXPECT_EQ(author.size(), 348u);  // the whole memo, past the 255 characters of a text
  EXPECT_EQ(author.substr(0, 9), "Jon Iles ");
  EXPECT_EQ(author.substr(author.size() - 12), "jflksjadf as");
  EXPECT_EQ(rs->Field("PROJ_INFO_CURRENT_DATE").AsDate(), Date::FromCivil(2006, 2, 3, 8, 0, 0));
  EXPECT_EQ(rs->Field("RESERVED_BINARY_DATA").AsString().size(), 22970u);
}

TEST_F(MdbImportTest, HostIndexesAndViewWhereTheirTablesAre) {
  sqlite3* raw = nullptr;
  sqlite3_open(":memory:", &raw);
  // As a host's tables come from a Jet file: the disbursements and extra fees
  // are there, the notes are not, and the expenses lack a column.
  sqlite3_exec(raw,
               "CREATE TABLE disbursement (recordnumber, owner, date);"
               "CREATE TABLE tenancy (reference, name);"
               "CREATE TABLE extra_fees (disburse_id, date, description, value, tax);"
               "CREATE TABLE Expenses (Date, Amount);",
               nullptr, nullptr, nullptr);
  AddHostIndexesAndView(raw);
  std::vector<std::string> names;
  auto db = WrapSqliteDatabase(raw, "host");
  auto rs = db->OpenRecordset(
      "select name from sqlite_master where type in ('index', 'view') order by name");
  for (; !rs->IsEOF(); rs->MoveNext()) names.push_back(rs->Field("name").AsString());
  EXPECT_EQ(names, (std::vector<std::string>{"disbursement_by_date", "disbursement_by_owner",
                                             "extra_fees_by_disbursement", "extra_fees_view",
                                             "tenancy_by_reference"}));
}

// Whatever a file is called, its first bytes decide; a file that cannot be
// read fails naming it, and an import of it leaves nothing behind. libmdb
// trusts the file, so the import must also survive the reader crashing.
TEST_F(MdbImportTest, UnreadableFilesNameTheFileAndWhy) {
  const std::string renamed = folder_.File("property.dat");
  WriteFile(renamed, ReadFile(MdbFixture("testV1997.mdb")));
  EXPECT_EQ(Count(Open(renamed), "Table1"), 2);

  CreateHostDatabase(folder_.File("host.sqlite"));
  std::string damaged = ReadFile(MdbFixture("testV1997.mdb"));
  damaged[102434] = 53;  // one byte of a data page: the reader crashes
  const struct {
    const char* name;
    std::optional<std::string> bytes;  // none: the file is not written
    int number;
    const char* says;
  } cases[] = {
      {"missing.mdb", std::nullopt, kErrCannotOpen, "Could not find file"},
      {"", std::nullopt, kErrCannotOpen, "Cannot open the file"},  // the folder
      {"empty.mdb", "", kErrUnrecognizedFormat, "the file is empty"},
      {"notes.mdb", "Not a database, only some text that is long enough.", kErrUnrecognizedFormat,
       "not a SQLite or Jet database file"},
      {"truncated.sqlite", ReadFile(folder_.File("host.sqlite")).substr(0, 100),
       kErrUnrecognizedFormat, "Cannot read the database"},
      {"truncated.mdb", ReadFile(MdbFixture("testV2003.mdb")).substr(0, 10000),
       kErrUnrecognizedFormat, "is truncated or damaged"},
      {"damaged.mdb", damaged, kErrUnrecognizedFormat, "is damaged: reading it failed ("},
  };
  const std::string out = folder_.File("out.sqlite");
  for (const auto& c : cases) {
    const std::string path = folder_.File(c.name);
    if (c.bytes) WriteFile(path, *c.bytes);
    const auto e = ExpectComError(c.number, c.says, [&] { Open(path); });
    EXPECT_NE(e.description().find("'" + path + "'"), std::string::npos) << e.description();
    EXPECT_THROW(ImportMdbToFile(path, out), core::ComError) << path;
    EXPECT_EQ(DetectFileFormat(out), FileFormat::kMissing) << path;  // nothing half-written
  }
  // A reader that takes too long is stopped: here a sound file given 1 ms.
  const std::string slow = MdbFixture("testV2003.mdb");
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  ExpectComError(kErrUnrecognizedFormat,
                 "The Jet database '" + slow +
                     "' is damaged: reading it did not finish within 1 milliseconds.",
                 [&] { ImportMdb(slow, db, std::chrono::milliseconds(1)); });
  sqlite3_close(db);
}

}  // namespace
}  // namespace jet
