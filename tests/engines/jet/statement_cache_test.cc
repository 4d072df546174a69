// Statements with their literals bound: the same rows, names and types as the
// text as written, a statement of its own for each live recordset, and a
// bounded cache. The connection's prepared statements are counted through
// SQLite itself.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/convert.h"
#include "engines/jet/column_values.h"
#include "engines/jet/host_database.h"
#include "engines/jet/literal_params.h"
#include "engines/jet/sql_translator.h"
#include "engines/jet/sqlite_database.h"
#include "test_support.h"

namespace jet {
namespace {

using Strings = std::vector<std::string>;

// One row as "name=type:text;..." so that a changed name, type or value shows.
std::string Cell(const std::string& name, const core::Variant& value) {
  return name + "=" + std::to_string(static_cast<int>(value.type())) + ":" + core::JoinText(value) +
         ";";
}

class StatementCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File("host.sqlite");
    CreateHostDatabase(path_);
    ExecuteSql(path_, R"sql(
      INSERT INTO owner (code, name) VALUES ('SMITH', 'Jane'), ('O''BRIEN', 'Pat'), ('', 'Blank'),
        ('NULL', 'Word'), ('Zoë', 'Accent'), ('a''''b', 'Quotes');
      INSERT INTO disbursement (recordnumber, owner, date, amount, note) VALUES
        (1, 'smith', '2009-04-17 23:59:59', 100.5, NULL), (2, 'SMITH', '2009-04-18 00:00:00', 7, ''),
        (3, 'O''BRIEN', '2009-04-18 12:30:00', 0, 'x'), (4, '', '2009-04-18 00:00:00', -3, NULL),
        (5, 'NULL', '2009-05-01 00:00:00', 2, 'n'), (6, 'Zoë', '2009-04-18 00:00:00', 9, NULL),
        (7, 'a''''b', '2009-04-18 00:00:00', 1, NULL);
      INSERT INTO extra_fees (disburse_id, date, description, value) VALUES
        (2, '2009-04-18 00:00:00', 'Inspection', 5), (3, '2009-04-18 00:00:00', 'Keys', 1);
    )sql");
    Reopen();
  }

  void Reopen() {
    db_.reset();
    sqlite3_open_v2(path_.c_str(), &raw_, SQLITE_OPEN_READONLY, nullptr);
    db_ = WrapSqliteDatabase(raw_, path_);  // owns raw_, which the checks only inspect
  }

  // Every row through the engine.
  Strings Rows(const std::string& sql) {
    Strings rows;
    auto rs = db_->OpenRecordset(sql);
    for (; !rs->IsEOF(); rs->MoveNext()) {
      std::string row;
      for (int i = 0; i < rs->FieldCount(); ++i)
        row += Cell(rs->FieldName(i), rs->Field(rs->FieldName(i)));
      rows.push_back(row);
    }
    return rows;
  }

  // Every row of the translated text prepared afresh, literals as written.
  Strings FreshRows(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, TranslateSql(sql).c_str(), -1, &stmt, nullptr), SQLITE_OK);
    Strings rows;
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const std::string name = sqlite3_column_name(stmt, i);
        const ColumnKind kind = KindOfDeclaredType(sqlite3_column_decltype(stmt, i));
        row += Cell(name, ReadColumn(stmt, i, kind, name));
      }
      rows.push_back(row);
    }
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    return rows;
  }

  // The texts of the statements the connection holds prepared.
  Strings Prepared() const {
    Strings texts;
    for (sqlite3_stmt* s = sqlite3_next_stmt(raw_, nullptr); s; s = sqlite3_next_stmt(raw_, s))
      texts.emplace_back(sqlite3_sql(s));
    return texts;
  }

  testing_support::ScratchFolder folder_;
  std::string path_;
  sqlite3* raw_ = nullptr;
  std::shared_ptr<contracts::Database> db_;
};

TEST_F(StatementCacheTest, BoundLiteralsReadAsTheTextAsWritten) {
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
        ASSERT_EQ(Rows(sql), FreshRows(sql)) << sql;
      }
    }
  }
  for (int id : {2, 3, 4, 0, 2}) {
    // An expression has no affinity: 2 and '2' would differ there.
    for (const char* column : {"disburse_id", "disburse_id + 0"}) {
      const std::string sql =
          "select * from extra_fees_view where " + std::string(column) + " = " + std::to_string(id);
      ASSERT_EQ(Rows(sql), FreshRows(sql)) << sql;
      EXPECT_EQ(Rows(sql).size(), id == 2 || id == 3 ? 1u : 0u) << sql;
    }
  }
  // One prepared statement per shape served every literal.
  EXPECT_EQ(Prepared().size(), shapes.size() + 2);
  for (const std::string& text : Prepared()) EXPECT_NE(text.find("?1"), std::string::npos) << text;
}

TEST_F(StatementCacheTest, LiteralsThatCannotBeLiftedStillWork) {
  const Strings cases = {
      "select 'x' as a, 'it''s', 1 + 2, -1 from owner where code = 'SMITH'",
      "select recordnumber from disbursement where owner = 'SMITH' order by 1 desc",
      "select owner, count(*) as n from disbursement where amount >= 0 group by 1 order by 2, 1",
      "select * from owner where 'owner'.code = 'SMITH'",
      "select * from owner where code = 'Zoë' collate 'binary'",
      "select recordnumber from disbursement where amount = 100.5 or amount = 7e0",
  };
  for (const std::string& sql : cases) {
    EXPECT_EQ(Rows(sql), FreshRows(sql)) << sql;
    EXPECT_FALSE(FreshRows(sql).empty()) << sql;
  }
  // A partial index is matched against literals as written: such a file is
  // queried without lifting.
  ExecuteSql(path_, "CREATE INDEX smith_only ON disbursement (date) WHERE owner = 'SMITH'");
  Reopen();
  const std::string sql = "select recordnumber from disbursement where owner = 'SMITH'";
  EXPECT_EQ(Rows(sql), FreshRows(sql));
  EXPECT_EQ(Prepared(), Strings{TranslateSql(sql)});
}

TEST_F(StatementCacheTest, LiveRecordsetsOfOneTextEachHaveTheirOwnStatement) {
  const std::string smith =
      "select * from disbursement where owner = 'SMITH' order by recordnumber";
  const std::string obrien =
      "select * from disbursement where owner = 'O''BRIEN' order by recordnumber";
  auto first = db_->OpenRecordset(smith);
  first->MoveNext();
  EXPECT_EQ(Rows(obrien), FreshRows(obrien));  // the same parameterised text
  auto second = db_->OpenRecordset(smith);
  EXPECT_EQ(Rows(smith), FreshRows(smith));
  EXPECT_EQ(first->Field("recordnumber").AsLong(), 2);
  EXPECT_EQ(second->Field("recordnumber").AsLong(), 1);
  first->MoveNext();
  EXPECT_TRUE(first->IsEOF());
  EXPECT_EQ(second->Field("recordnumber").AsLong(), 1);
  EXPECT_EQ(Prepared().size(), 3u);
}

TEST_F(StatementCacheTest, TheCacheStaysBounded) {
  const auto shape = [](int i) {
    return "select recordnumber as c" + std::to_string(i) +
           " from disbursement where owner = 'SMITH'";
  };
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(Rows(shape(i)).size(), 2u);
    if (i % 10 == 0) Rows(shape(0));  // used often, so never the least recently used
  }
  const Strings texts = Prepared();
  EXPECT_EQ(texts.size(), kStatementCacheSize);
  const auto cached = [&](int i) {
    const std::string text = LiftLiterals(TranslateSql(shape(i)))->text;
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  };
  EXPECT_TRUE(cached(0));
  EXPECT_TRUE(cached(199));
  EXPECT_FALSE(cached(1));
}

}  // namespace
}  // namespace jet
