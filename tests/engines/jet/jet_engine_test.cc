// The engine end to end on one real SQLite file, and the prepared statements
// that literals bound as parameters let it share.
#include "engines/jet/jet_engine.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "core/convert.h"
#include "engines/jet/host_database.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"
#include "test_support.h"

namespace jet {
namespace {

using testing_support::ExpectComError;
using testing_support::ReadFile;
using Database = std::shared_ptr<contracts::Database>;
using Strings = std::vector<std::string>;

class JetEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File("property.mdb");
    CreateHostDatabase(path_);
    ExecuteSql(path_, R"sql(
      INSERT INTO owner (code, name) VALUES ('SMITH', 'Jane Smith'), ('O''BRIEN', 'Pat O''Brien'),
        ('', 'Blank'), ('NULL', 'Word'), ('Zoë', 'Accent'), ('a''''b', 'Quotes');
      INSERT INTO property (code, ownercode, Address1) VALUES ('P1', 'smith', '1 High St'),
        ('P2', 'SMITH', '2 Low Rd');
      INSERT INTO disbursement (recordnumber, owner, date, amount, fees, tax, reserve_taken, note)
        VALUES (1, 'smith', '2009-04-17 23:59:59', 100.5, 10, 1, 0, NULL),
               (2, 'SMITH', '2009-04-18 00:00:00', 1234.56789, 20.25, 2.025, 150, 'memo'),
               (3, 'Smith', '2009-04-18 12:30:00', 0, 0, 0, -200, ''),
               (4, 'O''BRIEN', '2009-04-18 00:00:00', 50, 5, 0.5, 0, 'x');
      INSERT INTO disbursement (recordnumber, owner, date, amount, note) VALUES
        (5, '', '2009-04-18 00:00:00', -3, NULL), (6, 'NULL', '2009-05-01 00:00:00', 2, 'n'),
        (7, 'Zoë', '2009-04-18 00:00:00', 9, NULL), (8, 'a''''b', '2009-04-18 00:00:00', 1, NULL);
      INSERT INTO extra_fees (disburse_id, date, description, value, tax) VALUES
        (2, '2009-04-18 00:00:00', 'Inspection', 5, 0.5), (3, '2009-04-18 00:00:00', 'Keys', 1, 0);
      INSERT INTO glcodes (gl_code, description, taxable_yn, type, BankBalance, BalanceDate)
        VALUES ('RENT', 'Rent', -1, 1, 12.5, '2009-01-01 00:00:00');
      CREATE TABLE odd (d DATETIME TEXT, n SMALLINT, c CURRENCY REAL, y YESNO INTEGER);
      INSERT INTO odd VALUES ('next Tuesday', 40000, 'lots', 'yes');
    )sql");
    db_ = Open(path_, &raw_);
    // The engine leaves literals as written on a file with a partial index:
    // a copy with one on a table no check reads is the reference.
    const std::string copy = folder_.File("as_written.mdb");
    testing_support::WriteFile(copy, ReadFile(path_));
    ExecuteSql(copy, "CREATE INDEX as_written ON odd (n) WHERE n > 0");
    as_written_ = Open(copy, &as_written_raw_);
  }

  // The engine over a connection of our own, whose prepared statements
  // Prepared() lists; opening through the engine is the log test's.
  static Database Open(const std::string& path, sqlite3** raw) {
    sqlite3_open_v2(path.c_str(), raw, SQLITE_OPEN_READONLY, nullptr);
    return WrapSqliteDatabase(*raw, path);  // owns *raw, which the checks only inspect
  }

  // The first column of every row as text (Null as "").
  Strings Column(const std::string& sql) {
    Strings values;
    auto rs = db_->OpenRecordset(sql);
    for (; !rs->IsEOF(); rs->MoveNext())
      values.push_back(core::JoinText(rs->Field(rs->FieldName(0))));
    return values;
  }

  // Every row through the engine, on the fixture file or `db`, each value as
  // "name=type:text;" so that a changed name, type or value shows.
  Strings Rows(const std::string& sql, const Database& db = nullptr) {
    Strings rows;
    auto rs = (db ? db : db_)->OpenRecordset(sql);
    for (; !rs->IsEOF(); rs->MoveNext()) {
      std::string row;
      for (int i = 0; i < rs->FieldCount(); ++i) {
        const core::Variant value = rs->Field(rs->FieldName(i));
        row += rs->FieldName(i) + "=" + std::to_string(static_cast<int>(value.type())) + ":" +
               core::JoinText(value) + ";";
      }
      rows.push_back(row);
    }
    return rows;
  }
  Strings AsWritten(const std::string& sql) { return Rows(sql, as_written_); }

  // The texts of the statements `raw` holds prepared.
  static Strings Prepared(sqlite3* raw) {
    Strings texts;
    for (sqlite3_stmt* s = sqlite3_next_stmt(raw, nullptr); s; s = sqlite3_next_stmt(raw, s))
      texts.emplace_back(sqlite3_sql(s));
    return texts;
  }

  testing_support::ScratchFolder folder_;
  std::string path_;
  sqlite3* raw_ = nullptr;
  sqlite3* as_written_raw_ = nullptr;
  Database db_, as_written_;
};

// Values come with the host's types: by the declared type of their column,
// which a view keeps, or for expressions by their storage class.
TEST_F(JetEngineTest, ValuesHaveTheHostTypesAndColumnsAreFoundByName) {
  const std::pair<const char*, Strings> cases[] = {
      {"select * from disbursement where recordnumber = 2",
       {"recordnumber=4:2;owner=8:SMITH;date=7:2009-04-18;amount=5:1234.5679;fees=5:20.25;"
        "tax=5:2.025;reserve_taken=5:150;note=8:memo;"}},
      {"select taxable_yn, exclude_pl, type, BankBalance from glcodes",
       {"taxable_yn=2:True;exclude_pl=2:False;type=3:1;BankBalance=5:12.5;"}},
      {"select postal1 from owner where code = 'O''BRIEN'", {"postal1=1:;"}},
      {"select sum(amount)+0 as paid, 7 as n, 3000000000 as big, 'x' & 'y' as t, null as z, "
       "true as yes from disbursement",
       {"paid=6:1394.06789;n=4:7;big=6:3000000000;t=8:xy;z=1:;yes=4:-1;"}},
      {"select * from extra_fees_view where disburse_id = 2",
       {"disburse_id=4:2;date=7:2009-04-18;description=8:Inspection;value=5:5;tax=5:0.5;"}},
  };
  for (const auto& [sql, rows] : cases) EXPECT_EQ(Rows(sql), rows) << sql;
  auto join = db_->OpenRecordset(
      "select * from property inner join owner on property.ownercode = owner.code where "
      "property.code = 'P1'");
  EXPECT_EQ(join->Field("code").AsString(), "P1");  // the first of two "code" columns
  EXPECT_EQ(join->Field("property.code").AsString(), "P1");
  EXPECT_EQ(join->Field("owner.code").AsString(), "SMITH");
  EXPECT_EQ(join->Field("ADDRESS1").AsString(), "1 High St");  // names without regard to case
  const auto e = ExpectComError(core::kErrItemNotFound, "'no_such_column'",
                                [&] { join->Field("no_such_column"); });
  EXPECT_EQ(e.source(), "Dunmerrow.Jet");
}

// Dates are stored to the second: a date literal is midnight. Codes compare
// without regard to case, quotes and all; true and false are -1 and 0.
TEST_F(JetEngineTest, DatesCodesAndYesNoCompareAsTheHostDoes) {
  const std::pair<const char*, Strings> cases[] = {
      {"select recordnumber from disbursement where date = #04/18/2009# order by 1",
       {"2", "4", "5", "7", "8"}},
      {"select recordnumber from disbursement where date < #04/18/2009#", {"1"}},
      {"select recordnumber from disbursement where date <= #04/18/2009# order by 1",
       {"1", "2", "4", "5", "7", "8"}},
      {"select recordnumber from disbursement where date <= #04/18/2009 12:30:00# "
       "and date > #4/17/2009 23:59:59# order by 1",
       {"2", "3", "4", "5", "7", "8"}},
      {"select top 1 date as result from disbursement where owner = 'smith' and "
       "date < #04/18/2009# order by date desc",
       {"2009-04-17 23:59:59"}},
      {"select recordnumber from owner inner join disbursement on owner.code = "
       "disbursement.owner where disbursement.date = #04/18/2009# order by code",
       {"5", "8", "4", "2", "7"}},
      {"select code from property where ownercode in ('xydhgus','Smith') order by code",
       {"P1", "P2"}},
      {"select [gl_code] from glcodes where taxable_yn = true and exclude_pl = false", {"RENT"}},
  };
  for (const auto& [sql, rows] : cases) EXPECT_EQ(Column(sql), rows) << sql;
}

// Statements that cannot run name the statement; stored values that do not
// fit their column's type name the column.
TEST_F(JetEngineTest, BadStatementsAndBadValues) {
  const struct {
    const char* sql;
    int number;
    const char* mentions;
  } cases[] = {
      {"select * from nowhere", 3078, "no such table: nowhere in \"select * from nowhere\""},
      {"select nocol from owner", kErrSyntax, "no such column: nocol"},
      {"select * from owner where code = ?", kErrTooFewParameters, "Expected 1"},
      {"select * from owner where code = :who", kErrTooFewParameters, ":who"},
      {"delete from owner", kErrReadOnly, "read-only"},
      {"select abs(-9223372036854775807 - 1) as n", kErrQuery,
       "integer overflow in \"select abs(-9223372036854775807 - 1) as n\""},
      {"select d from odd", core::kErrTypeMismatch,
       "Column 'd' holds 'next Tuesday', which is not a date"},
      {"select n from odd", core::kErrOverflow, "Overflow in column 'n'"},
      {"select c from odd", core::kErrTypeMismatch,
       "Column 'c' holds an amount that is not currency"},
      {"select y from odd", core::kErrTypeMismatch,
       "Column 'y' holds 'yes', which is not a yes/no value"},
  };
  for (const auto& bad : cases) {
    const auto e = ExpectComError(bad.number, bad.mentions, [&] { Column(bad.sql); });
    EXPECT_EQ(e.source(), "Dunmerrow.Jet");
  }
}

TEST_F(JetEngineTest, TheFileIsNeverWrittenAndTheLogHasOneLinePerStatement) {
  db_.reset();
  const std::string before = ReadFile(path_);
  const std::string log = folder_.File("queries.log");
  {
    testing_support::ScopedEnvironment environment;
    environment.Set("DUNMERROW_QUERY_LOG", log);
    auto db = CreateDBEngine()->OpenDatabase(path_, true, false, "");
    environment.Unset("DUNMERROW_QUERY_LOG");
    db->OpenRecordset("select [name]\nfrom owner");
    for (int i = 0; i < 3; ++i) {
      auto rs = db->OpenRecordset("select * from disbursement where owner = 'SMITH'");
      while (!rs->IsEOF()) rs->MoveNext();
    }
    EXPECT_THROW(db->OpenRecordset("update owner set name = 'x'"), core::ComError);
  }
  EXPECT_EQ(ReadFile(path_), before);
  const std::string smith = "select * from disbursement where owner = 'SMITH'\n";
  EXPECT_EQ(ReadFile(log), "select \"name\"\\nfrom owner\n" + smith + smith + smith +
                               "update owner set name = 'x'\n");
}

TEST_F(JetEngineTest, BoundLiteralsReadAsTheTextAsWritten) {
  const Strings codes = {"SMITH", "smith",  "O''BRIEN",         "",      "NULL", "null",
                         "Zoë",   "a''''b", "x'' or ''1''=''1", "NOBODY"};
  const Strings dates = {"#04/18/2009#", "#4/17/2009 23:59:59#", "#2009-05-01#", "#1/1/29#"};
  const Strings shapes = {
      "select * from disbursement where owner = 'C' and date <= #D# order by recordnumber",
      "select top 1 date as result from disbursement where owner = 'C' and date < #D# "
      "order by date desc",
      "select sum(amount)+0 as paid, 'lit' as t, true as yes, 7 from disbursement where "
      "owner in ('xydhgus','C') and [date] <= #D#",
      "select * from owner inner join disbursement on owner.code = disbursement.owner where "
      "disbursement.date = #D# and owner.code <> 'C' order by code",
      "select recordnumber, note from disbursement where note = 'C' or date = #D# order by 1 desc",
  };
  for (const std::string& shape : shapes) {
    for (const std::string& code : codes) {
      for (const std::string& date : dates) {
        std::string sql = shape;
        sql.replace(sql.find("'C'") + 1, 1, code);
        sql.replace(sql.find("#D#"), 3, date);
        ASSERT_EQ(Rows(sql), AsWritten(sql)) << sql;
      }
    }
  }
  for (int id : {2, 3, 4, 0, 2}) {
    // An expression has no affinity: 2 and '2' would differ there.
    for (const char* column : {"disburse_id", "disburse_id + 0"}) {
      const std::string sql =
          "select * from extra_fees_view where " + std::string(column) + " = " + std::to_string(id);
      ASSERT_EQ(Rows(sql), AsWritten(sql)) << sql;
      EXPECT_EQ(Rows(sql).size(), id == 2 || id == 3 ? 1u : 0u) << sql;
    }
  }
  // One prepared statement per shape served every literal.
  EXPECT_EQ(Prepared(raw_).size(), shapes.size() + 2);
  for (const std::string& text : Prepared(raw_))
    EXPECT_NE(text.find("?1"), std::string::npos) << text;
  // The reference held a statement for each text, literals as written.
  EXPECT_EQ(Prepared(as_written_raw_).size(), kStatementCacheSize);
  for (const std::string& text : Prepared(as_written_raw_))
    EXPECT_EQ(text.find('?'), std::string::npos) << text;
}

// Two live recordsets of one text each keep their own place.
TEST_F(JetEngineTest, RecordsetPositions) {
  const std::string smith =
      "select * from disbursement where owner = 'SMITH' order by recordnumber";
  const std::string obrien =
      "select * from disbursement where owner = 'O''BRIEN' order by recordnumber";
  auto first = db_->OpenRecordset(smith);
  EXPECT_FALSE(first->IsBOF());
  first->MoveNext();
  EXPECT_EQ(Rows(obrien), AsWritten(obrien));  // the same parameterised text
  auto second = db_->OpenRecordset(smith);
  EXPECT_EQ(Rows(smith), AsWritten(smith));
  EXPECT_EQ(first->Field("recordnumber").AsLong(), 2);
  EXPECT_EQ(second->Field("recordnumber").AsLong(), 1);
  EXPECT_EQ(Prepared(raw_).size(), 3u);
  first->MoveNext();
  EXPECT_EQ(first->Field("recordnumber").AsLong(), 3);
  first->MoveNext();
  EXPECT_TRUE(first->IsEOF());
  EXPECT_FALSE(first->IsBOF());
  ExpectComError(kErrNoCurrentRecord, "", [&] { first->MoveNext(); });
  EXPECT_THROW(first->Field("recordnumber"), core::ComError);
  first->Close();
  ExpectComError(core::kErrObjectClosed, "", [&] { first->IsEOF(); });
  EXPECT_EQ(second->Field("recordnumber").AsLong(), 1);
  auto empty = db_->OpenRecordset("select * from owner where code = 'NOBODY'");
  EXPECT_TRUE(empty->IsEOF());
  EXPECT_TRUE(empty->IsBOF());
}

TEST_F(JetEngineTest, TheStatementCacheStaysBounded) {
  const auto shape = [](int i) {
    return "select recordnumber as c" + std::to_string(i) + " from disbursement";
  };
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(Rows(shape(i)).size(), 8u);
    if (i % 10 == 0) Rows(shape(0));  // used often, so never the least recently used
  }
  const Strings texts = Prepared(raw_);
  const auto cached = [&](int i) { return std::ranges::find(texts, shape(i)) != texts.end(); };
  EXPECT_TRUE(cached(0));
  EXPECT_TRUE(cached(199));
  EXPECT_FALSE(cached(1));
}

// Yes/no columns hold -1 or 0 only; dates only in the stored form.
TEST_F(JetEngineTest, TheHostSchemaTakesOnlyStoredFormsAndScriptsSplitIntoStatements) {
  EXPECT_THROW(ExecuteSql(path_, "INSERT INTO notes (on_owner) VALUES (1)"), core::ComError);
  EXPECT_THROW(ExecuteSql(path_, "INSERT INTO disbursement (date) VALUES ('18/04/2009')"),
               core::ComError);
  EXPECT_THROW(CreateHostDatabase(path_), core::ComError);  // never over an existing file
  EXPECT_EQ(SplitStatements("a ';' ; [x;y] -- c;\n ; b"), (Strings{"a ';'", "[x;y]", "b"}));
}

}  // namespace
}  // namespace jet
