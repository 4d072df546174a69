// Importing the real Jet files of the fixtures, read back through the engine,
// and the files that cannot be read, whatever they are called.
#include "engines/jet/mdb_import.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "core/convert.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"
#include "test_support.h"

namespace jet {
namespace {

using testing_support::ExpectComError;
using testing_support::MdbFixture;
using testing_support::ReadFile;
using testing_support::WriteFile;

using Database = std::shared_ptr<contracts::Database>;
using Strings = std::vector<std::string>;

Database Open(const std::string& path) {
  return CreateDBEngine()->OpenDatabase(path, false, true, "");
}

// Every row, each value as "type:text;" so that a value of another type
// shows too: 2 yes/no, 3 integer, 4 long, 5 currency, 6 double, 7 date, 8 text.
Strings Rows(const Database& db, const std::string& sql) {
  Strings rows;
  for (auto rs = db->OpenRecordset(sql); !rs->IsEOF(); rs->MoveNext()) {
    std::string row;
    for (int i = 0; i < rs->FieldCount(); ++i) {
      const core::Variant value = rs->Field(rs->FieldName(i));
      row += std::to_string(static_cast<int>(value.type())) + ":" + core::JoinText(value) + ";";
    }
    rows.push_back(row);
  }
  return rows;
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

// What libmdb's text forms get wrong: numbers, currency and yes/no of both
// Jet versions, dates far from today, memos past 255 characters or holding
// line breaks, Unicode text and OLE data.
TEST_F(MdbImportTest, EveryKindOfValueReadsAsStored) {
  const Strings table1 = {
      "8:a;8:b;3:0;3:0;4:0;6:0;7:1981-12-12;5:0;2:False;",
      "8:abcdefg;8:hijklmnop;3:2;3:222;4:333333333;6:444.555;7:1974-09-21;5:3.5;2:True;"};
  const char* const other_tables =
      "select (select count(*) from Table2), (select count(*) from Table3), "
      "(select B from Table1 where A = 'ABCDEFG')";  // codes without regard to case
  const struct {
    const char* file;
    const char* sql;
    Strings rows;
  } cases[] = {
      {"testV1997.mdb", "select * from Table1 order by A", table1},
      {"testV1997.mdb", other_tables, {"4:0;4:0;8:hijklmnop;"}},
      {"testV2003.mdb", "select * from Table1 order by A", table1},
      {"testV2003.mdb", other_tables, {"4:0;4:0;8:hijklmnop;"}},
      {"DateTestDatabase.mdb",
       "select * from DateTest order by IDCol",
       {"4:1;7:2021-12-02;7:2021-12-02;7:2021-12-02;8:Hello;8:Hello;",
        "4:2;7:9999-01-01;7:9999-01-01;7:9999-01-01;8:Year 9999;8:Year 1999;",
        "4:3;7:1898-01-01;7:1899-01-01;7:1900-01-01;8:Pre-1900 years;8:Pre-1900 years;",
        "4:4;7:0632-01-01;7:0633-01-01;7:0634-01-01;8:Pre-1000 years;8:Pre-1000 years;",
        "4:5;7:2021-12-02;7:2021-12-02;7:2021-12-02;8:Escaped new line \\r\\n in field;"
        "8:Escaped new line \\r\\n in field;",
        "4:6;7:2021-12-02;7:2021-12-02;7:2021-12-02;8:New line\r\nin field;8:No new line;"}},
      // Stored dates compare with date literals.
      {"DateTestDatabase.mdb",
       "select IDCol from DateTest where DateCol < #1/1/1900# order by 1",
       {"4:3;", "4:4;"}},
      {"testUnicodeCompV2003.mdb", "select count(*) from [Table]", {"4:8;"}},
      {"testUnicodeCompV2003.mdb",
       "select * from [Table] where ID between 2 and 5 order by ID",
       {"4:2;8:ääkkösiä;", "4:3;8:Мир;",
        "4:4;8:\u03f0\u03b1\u1f76 \u03c4\u1f79\u03c4' \u1f10\u03b3\u1f7c "
        "\u039a\u1f7b\u03f0\u03bb\u03c9\u03c0\u03b1;",
        "4:5;8:漢字仮名交じり文;"}},
      // The whole memo, past the 255 characters of a text.
      {"test2V2003.mdb",
       "select length(PROJ_PROP_AUTHOR), substr(PROJ_PROP_AUTHOR, 1, 9), "
       "substr(PROJ_PROP_AUTHOR, -12), PROJ_INFO_CURRENT_DATE from MSP_PROJECTS",
       {"4:348;8:Jon Iles ;8:jflksjadf as;7:2006-02-03 08:00:00;"}},
  };
  std::map<std::string, Database> imported;
  for (const auto& c : cases) {
    Database& db = imported[c.file];
    if (!db) db = Import(c.file);
    EXPECT_EQ(Rows(db, c.sql), c.rows) << c.file << ": " << c.sql;
  }
  auto ole = imported["test2V2003.mdb"]->OpenRecordset("select * from MSP_PROJECTS");
  EXPECT_EQ(ole->Field("RESERVED_BINARY_DATA").AsString().size(), 22970u);
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
  EXPECT_EQ(
      Rows(WrapSqliteDatabase(raw, "host"),
           "select name from sqlite_master where type in ('index', 'view') order by name"),
      (Strings{"8:disbursement_by_date;", "8:disbursement_by_owner;",
               "8:extra_fees_by_disbursement;", "8:extra_fees_view;", "8:tenancy_by_reference;"}));
}

// Whatever a file is called, its first bytes decide; a file that cannot be
// read fails naming it, and an import of it leaves nothing behind. libmdb
// trusts the file, so the import must also survive the reader crashing.
TEST_F(MdbImportTest, UnreadableFilesNameTheFileAndWhy) {
  const std::string renamed = folder_.File("property.dat");
  WriteFile(renamed, ReadFile(MdbFixture("testV1997.mdb")));
  EXPECT_EQ(Rows(Open(renamed), "select * from Table1").size(), 2u);

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
