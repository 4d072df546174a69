// Query text helpers: date and code literals, and the rewriting of query
// texts (boolean words, stray apostrophes).
#include <gtest/gtest.h>

#include <string>

#include "core/date.h"
#include "data/general.h"

namespace {

TEST(SqlTextTest, FixSqlRewritesQueryTexts) {
  const struct {
    const char* given;
    const char* expected;
  } cases[] = {
      // Even apostrophe counts: only the boolean words change.
      {"from tenancy where closed_yn = false", "from tenancy where closed_yn = 0"},
      {"where a=true and b=false", "where a=-1 and b=0"},
      {"where (a = true)", "where (a = -1)"},
      {"select * from owner", "select * from owner"},
      {"select true, false", "select -1, 0"},
      // Only lower-case whole words outside literals and bracketed names.
      {"where note = 'falsely' and y = false", "where note = 'falsely' and y = 0"},
      {"where code = 'TRUE' or code = 'true'", "where code = 'TRUE' or code = 'true'"},
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
  for (const auto& c : cases) {
    std::string sql = c.given;
    const std::string returned = General::FixSQL(sql);
    EXPECT_EQ(sql, c.expected) << "given: " << c.given;
    EXPECT_EQ(returned, sql);
  }
}

TEST(SqlTextTest, CodesAndDatesBecomeLiterals) {
  EXPECT_EQ(General::SQLText("A1"), "'A1'");
  EXPECT_EQ(General::SQLText(""), "''");
  EXPECT_EQ(General::SQLText("O'Brien"), "'O''Brien'");
  EXPECT_EQ(General::SQLText("''"), "''''''");
  // A code holding a boolean word survives the rewriting untouched.
  std::string sql = "select * from owner where code = " + General::SQLText("true'false");
  EXPECT_EQ(General::FixSQL(sql), "select * from owner where code = 'true''false'");

  EXPECT_EQ(General::SQLDate(core::Date::FromCivil(2009, 4, 18)), "#04/18/2009#");
  EXPECT_EQ(General::SQLDate(core::Date::FromCivil(2026, 12, 6, 13, 45, 0)), "#12/06/2026#");
  EXPECT_EQ(General::SQLDate(core::Date::FromCivil(100, 1, 1)), "#01/01/0100#");
}

}  // namespace
