// The engine end to end on real SQLite files: values and their types, the
// recordset's positions, date and code comparisons, and every failure path.
#include "engines/jet/jet_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "core/convert.h"
#include "engines/jet/host_database.h"
#include "engines/jet/sql_translator.h"
#include "test_support.h"

namespace jet {
namespace {

using core::VarType;
using testing_support::ExpectComError;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

class JetEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File("property.mdb");
    CreateHostDatabase(path_);
    ExecuteSql(path_, R"sql(
      INSERT INTO owner (code, name, postal1, email) VALUES
        ('SMITH', 'Jane Smith', 'PO Box 1', 'jane@example.com'),
        ('O''BRIEN', 'Pat O''Brien', NULL, NULL);
      INSERT INTO property (code, ownercode, Address1, Address2, [sale value]) VALUES
        ('P1', 'smith', '1 High St', 'Townsville', 0),
        ('P2', 'SMITH', '2 Low Rd', NULL, 250000);
      INSERT INTO disbursement (recordnumber, owner, date, amount, fees, tax, reserve_taken, note)
        VALUES (1, 'smith', '2009-04-17 23:59:59', 100.5, 10, 1, 0, NULL),
               (2, 'SMITH', '2009-04-18 00:00:00', 1234.56789, 20.25, 2.025, 150, 'memo'),
               (3, 'Smith', '2009-04-18 12:30:00', 0, 0, 0, -200, ''),
               (4, 'O''BRIEN', '2009-04-18 00:00:00', 50, 5, 0.5, 0, NULL);
      INSERT INTO extra_fees (disburse_id, date, description, value, tax)
        VALUES (2, '2009-04-18 00:00:00', 'Inspection', 5, 0.5);
      INSERT INTO tenancy (reference, [property code], name, [current rent], every_amt, every_freq,
                           closed_yn, [when ended])
        VALUES ('T1', 'p1', 'Tom Tenant', 350, 1, 'week', 0, '1234-01-01 00:00:00');
      INSERT INTO glcodes (gl_code, description, taxable_yn, type, BankBalance, BalanceDate)
        VALUES ('RENT', 'Rent', -1, 1, 12.5, '2009-01-01 00:00:00');
      INSERT INTO options (CompanyName, TaxExpense, Rent_Group, WhatPaysFirst)
        VALUES ('Acme Rentals', -1, 'RENT', 1);
    )sql");
    db_ = CreateDBEngine()->OpenDatabase(path_, false, false, "");
  }

  // Every row's `column` as text (Null as "").
  std::vector<std::string> Column(const std::string& sql, const std::string& column) {
    std::vector<std::string> values;
    auto rs = db_->OpenRecordset(sql);
    for (; !rs->IsEOF(); rs->MoveNext()) values.push_back(core::JoinText(rs->Field(column)));
    return values;
  }

  core::Variant First(const std::string& sql, const std::string& column) {
    return db_->OpenRecordset(sql)->Field(column);
  }

  ScratchFolder folder_;
  std::string path_;
  std::shared_ptr<contracts::Database> db_;
};

using Strings = std::vector<std::string>;

TEST_F(JetEngineTest, ValuesHaveTheHostTypes) {
  auto rs = db_->OpenRecordset("select * from disbursement where recordnumber = 2");
  EXPECT_EQ(rs->Field("recordnumber").type(), VarType::kLong);
  EXPECT_EQ(rs->Field("date").AsDate(), core::Date::FromCivil(2009, 4, 18));
  EXPECT_EQ(rs->Field("amount").AsCurrency(), core::Currency::FromRaw(12345679));  // 4 places
  EXPECT_EQ(rs->Field("tax").AsCurrency(), core::Currency::FromRaw(20250));
  EXPECT_EQ(rs->Field("note").AsString(), "memo");
  EXPECT_EQ(rs->Field("OWNER").AsString(), "SMITH");  // names without regard to case

  auto gl = db_->OpenRecordset("select * from glcodes");
  EXPECT_EQ(gl->Field("taxable_yn").AsBoolean(), true);
  EXPECT_EQ(gl->Field("exclude_pl").AsBoolean(), false);
  EXPECT_EQ(gl->Field("type").type(), VarType::kInteger);
  EXPECT_EQ(gl->Field("type").AsInteger(), 1);
  EXPECT_EQ(gl->Field("BankBalance").AsCurrency(), core::Currency::FromRaw(125000));

  auto nulls = db_->OpenRecordset("select * from owner where code = 'O''BRIEN'");
  EXPECT_TRUE(nulls->Field("postal1").IsNull());
  EXPECT_TRUE(nulls->Field("email").IsNull());
  EXPECT_TRUE(First("select * from disbursement where recordnumber = 1", "note").IsNull());
  EXPECT_TRUE(First("select * from tenancy", "closed_yn").type() == VarType::kBoolean);

  // Expressions without a declared type: by storage class.
  auto ex = db_->OpenRecordset(
      "select sum(amount)+0 as paid, 7 as n, 3000000000 as big, 'x' & 'y' as t, null as z, "
      "true as yes from disbursement");
  EXPECT_EQ(ex->Field("paid").type(), VarType::kDouble);
  EXPECT_NEAR(ex->Field("paid").AsDouble(), 1385.06789, 1e-9);
  EXPECT_EQ(ex->Field("n").AsLong(), 7);
  EXPECT_EQ(ex->Field("big").AsDouble(), 3e9);
  EXPECT_EQ(ex->Field("t").AsString(), "xy");
  EXPECT_TRUE(ex->Field("z").IsNull());
  EXPECT_EQ(ex->Field("yes").AsLong(), -1);

  // The view keeps the declared types of its table.
  auto fee = db_->OpenRecordset("select * from extra_fees_view where disburse_id = 2");
  EXPECT_EQ(fee->Field("value").AsCurrency(), core::Currency::FromUnits(5));
  EXPECT_EQ(fee->Field("date").type(), VarType::kDate);
}

TEST_F(JetEngineTest, RecordsetPositions) {
  auto empty = db_->OpenRecordset("select * from owner where code = 'NOBODY'");
  EXPECT_TRUE(empty->IsEOF());
  EXPECT_TRUE(empty->IsBOF());

  auto rs = db_->OpenRecordset("select * from owner order by code");
  EXPECT_FALSE(rs->IsEOF());
  EXPECT_FALSE(rs->IsBOF());
  EXPECT_EQ(rs->Field("code").AsString(), "O'BRIEN");
  rs->MoveNext();
  EXPECT_EQ(rs->Field("code").AsString(), "SMITH");
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEOF());
  EXPECT_FALSE(rs->IsBOF());
  ExpectComError(kErrNoCurrentRecord, "", [&] { rs->MoveNext(); });
  EXPECT_THROW(rs->Field("code"), core::ComError);
  rs->Close();
  ExpectComError(core::kErrObjectClosed, "", [&] { rs->IsEOF(); });
}

TEST_F(JetEngineTest, DateLiteralsCompareAsTheHostDoes) {
  // Stored: 17th 23:59:59, 18th midnight (twice), 18th 12:30.
  EXPECT_EQ(Column("select * from disbursement where date = #04/18/2009# order by recordnumber",
                   "recordnumber"),
            (Strings{"2", "4"}));
  EXPECT_EQ(Column("select * from disbursement where date < #04/18/2009#", "recordnumber"),
            (Strings{"1"}));
  EXPECT_EQ(Column("select * from disbursement where date <= #04/18/2009# order by recordnumber",
                   "recordnumber"),
            (Strings{"1", "2", "4"}));
  EXPECT_EQ(Column("select * from disbursement where date <= #04/18/2009 12:30:00# "
                   "and date > #4/17/2009 23:59:59# order by recordnumber",
                   "recordnumber"),
            (Strings{"2", "3", "4"}));
  EXPECT_EQ(Column("select top 1 date as result from disbursement where owner = 'smith' and "
                   "date < #04/18/2009# order by date desc",
                   "result"),
            (Strings{"2009-04-17 23:59:59"}));
}

TEST_F(JetEngineTest, CodesCompareWithoutRegardToCase) {
  EXPECT_EQ(Column("select * from owner where code = 'smith'", "name"), (Strings{"Jane Smith"}));
  EXPECT_EQ(Column("select * from owner inner join disbursement on owner.code = "
                   "disbursement.owner where disbursement.date = #04/18/2009# order by code",
                   "recordnumber"),
            (Strings{"4", "2"}));
  EXPECT_EQ(
      Column("select * from property where ownercode in ('xydhgus','Smith') order by code", "code"),
      (Strings{"P1", "P2"}));
  EXPECT_EQ(
      Column("select * from tenancy where closed_yn = false and [property code] = 'P1'", "name"),
      (Strings{"Tom Tenant"}));
}

TEST_F(JetEngineTest, ColumnsByNameInJoins) {
  auto rs = db_->OpenRecordset(
      "select * from property inner join owner on property.ownercode = owner.code where "
      "property.code = 'P1'");
  EXPECT_EQ(rs->Field("code").AsString(), "P1");  // the first of two "code" columns
  EXPECT_EQ(rs->Field("property.code").AsString(), "P1");
  EXPECT_EQ(rs->Field("owner.code").AsString(), "SMITH");
  EXPECT_EQ(rs->Field("Address1").AsString(), "1 High St");
  EXPECT_EQ(ExpectComError(core::kErrItemNotFound, "'no_such_column'", [&] {
              rs->Field("no_such_column");
            }).source(),
            "Dunmerrow.Jet");
}

TEST_F(JetEngineTest, BadStatementsNameTheStatement) {
  struct Bad {
    const char* sql;
    int number;
    const char* mentions;
  };
  const Bad cases[] = {
      {"select * from nowhere", 3078, "no such table: nowhere in \"select * from nowhere\""},
      {"select nocol from owner", kErrSyntax, "no such column: nocol"},
      {"select * from owner where code = ?", kErrTooFewParameters, "Expected 1"},
      {"select * from owner where code = :who", kErrTooFewParameters, ":who"},
      {"delete from owner", kErrReadOnly, "read-only"},
      {"select 1; select 2", kErrSyntax, "after the end of the statement"},
      {"select * from owner where d = #31/31/2009#", kErrSyntax, "Invalid date literal"},
      {"select abs(-9223372036854775807 - 1) as n", kErrQuery,
       "integer overflow in \"select abs(-9223372036854775807 - 1) as n\""},
  };
  for (const Bad& bad : cases) {
    const auto e = ExpectComError(bad.number, bad.mentions, [&] { db_->OpenRecordset(bad.sql); });
    EXPECT_EQ(e.source(), "Dunmerrow.Jet");
  }
  EXPECT_EQ(Column("select * from owner", "code").size(), 2u);  // nothing was deleted
}

TEST_F(JetEngineTest, BadFilesNameTheFile) {
  const std::string missing = folder_.File("missing.mdb");
  const std::string empty = folder_.File("empty.mdb");
  const std::string text = folder_.File("notes.mdb");
  const std::string truncated = folder_.File("truncated.mdb");
  WriteFile(empty, "");
  WriteFile(text, "This is not a database, only some text that is long enough.");
  WriteFile(truncated, ReadFile(path_).substr(0, 100));
  struct Bad {
    std::string path;
    int number;
    const char* says;
  };
  const Bad cases[] = {
      {missing, kErrCannotOpen, "Could not find file"},
      {folder_.File(""), kErrCannotOpen, "Cannot open the file"},
      {empty, kErrUnrecognizedFormat, "the file is empty"},
      {text, kErrUnrecognizedFormat, "not a SQLite or Jet database file"},
      {truncated, kErrUnrecognizedFormat, "Cannot read the database"},
  };
  auto engine = CreateDBEngine();
  for (const Bad& bad : cases) {
    const auto e = ExpectComError(bad.number, bad.says,
                                  [&] { engine->OpenDatabase(bad.path, false, false, ""); });
    EXPECT_NE(e.description().find(bad.path), std::string::npos) << e.description();
  }
}

TEST_F(JetEngineTest, StoredValuesThatDoNotFitTheirTypeNameTheColumn) {
  ExecuteSql(path_,
             "CREATE TABLE odd (d DATETIME TEXT, n SMALLINT, c CURRENCY REAL, y YESNO INTEGER);"
             "INSERT INTO odd VALUES ('next Tuesday', 40000, 'lots', 'yes')");
  auto rs =
      CreateDBEngine()->OpenDatabase(path_, false, false, "")->OpenRecordset("select * from odd");
  const struct {
    const char* column;
    int number;
    const char* description;
  } cases[] = {
      {"d", core::kErrTypeMismatch, "Column 'd' holds 'next Tuesday', which is not a date"},
      {"n", core::kErrOverflow, "Overflow in column 'n'"},
      {"c", core::kErrTypeMismatch, "Column 'c' holds an amount that is not currency"},
      {"y", core::kErrTypeMismatch, "Column 'y' holds 'yes', which is not a yes/no value"},
  };
  for (const auto& c : cases) {
    const auto e = ExpectComError(c.number, c.description, [&] { rs->Field(c.column); });
    EXPECT_EQ(e.description().rfind(c.description, 0), 0u) << e.description();
  }
}

TEST_F(JetEngineTest, TheFileIsNeverWritten) {
  db_.reset();
  const std::string before = ReadFile(path_);
  {
    auto db = CreateDBEngine()->OpenDatabase(path_, true, false, "");
    for (int i = 0; i < 3; ++i) {
      auto rs = db->OpenRecordset("select * from disbursement order by date");
      while (!rs->IsEOF()) rs->MoveNext();
    }
    EXPECT_THROW(db->OpenRecordset("update owner set name = 'x'"), core::ComError);
    EXPECT_THROW(db->OpenRecordset("create table t (a)"), core::ComError);
  }
  EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(JetEngineTest, QueryLogHasOneLinePerStatement) {
  const std::string log = folder_.File("queries.log");
  setenv("DUNMERROW_QUERY_LOG", log.c_str(), 1);
  auto db = CreateDBEngine()->OpenDatabase(path_, false, false, "");
  unsetenv("DUNMERROW_QUERY_LOG");
  db->OpenRecordset("select [name]\nfrom owner");
  db->OpenRecordset("select * from owner where code = 'SMITH'");
  EXPECT_EQ(ReadFile(log),
            "select \"name\"\\nfrom owner\nselect * from owner where code = 'SMITH'\n");
}

TEST(HostDatabaseTest, ScriptsRunAllOrNothing) {
  ScratchFolder folder;
  const std::string path = folder.File("host.sqlite");
  CreateHostDatabase(path);
  ExpectComError(kErrQuery, "\"INSERT INTO nowhere VALUES (1)\"", [&] {
    ExecuteSql(path,
               "INSERT INTO owner (code) VALUES ('A');\n"
               "INSERT INTO owner (code) VALUES ('B'); INSERT INTO nowhere VALUES (1);");
  });
  auto db = CreateDBEngine()->OpenDatabase(path, false, false, "");
  EXPECT_TRUE(db->OpenRecordset("select * from owner")->IsEOF());
  // Yes/no columns hold -1 or 0 only; dates only in the stored form.
  EXPECT_THROW(ExecuteSql(path, "INSERT INTO notes (on_owner) VALUES (1)"), core::ComError);
  EXPECT_THROW(ExecuteSql(path, "INSERT INTO disbursement (date) VALUES ('18/04/2009')"),
               core::ComError);
  EXPECT_THROW(CreateHostDatabase(path), core::ComError);  // never over an existing file
  EXPECT_EQ(SplitStatements("a ';' ; [x;y] -- c;\n ; b"), (Strings{"a ';'", "[x;y]", "b"}));
}

}  // namespace
}  // namespace jet
