// The dialect translator, case by case: what the host's SQL becomes in SQLite.
#include "engines/jet/sql_translator.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace jet {
namespace {

using testing_support::ExpectComError;

struct Case {
  const char* jet;
  const char* sqlite;
};

TEST(SqlTranslatorTest, DialectRewrites) {
  const Case cases[] = {
      // Date literals: with and without time, 12-hour clock, ISO, two-digit years.
      {"d = #4/8/2009#", "d = '2009-04-08 00:00:00'"},
      {"d = #04/18/2009 13:05:09#", "d = '2009-04-18 13:05:09'"},
      {"d = #4/18/2009 1:05 PM#", "d = '2009-04-18 13:05:00'"},
      {"d = #4/18/2009 12:00:00 AM#", "d = '2009-04-18 00:00:00'"},
      {"d = #2009-04-18#", "d = '2009-04-18 00:00:00'"},
      {"d = #12/31/99#", "d = '1999-12-31 00:00:00'"},
      {"d = #1/1/29#", "d = '2029-01-01 00:00:00'"},
      {"d = #2/29/2024#", "d = '2024-02-29 00:00:00'"},
      {"d = #10:30:00#", "d = '1899-12-30 10:30:00'"},
      {"d=#04/18/2009#and x=1", "d='2009-04-18 00:00:00' and x=1"},
      // Quoted literals are never touched.
      {"x = '#4/18/2009# & [c] \"d\" true; top 5'", "x = '#4/18/2009# & [c] \"d\" true; top 5'"},
      {"x = 'it''s'", "x = 'it''s'"},
      // Double-quoted texts become apostrophe literals.
      {"x = \"O'Brien\"", "x = 'O''Brien'"},
      {"x = \"say \"\"hi\"\"\"", "x = 'say \"hi\"'"},
      {"[Your Reference] = [a.b]", "\"Your Reference\" = \"a.b\""},
      {"[say \"x\"] = 1", "\"say \"\"x\"\"\" = 1"},
      // Concatenation, booleans, TOP.
      {"select a & ' ' & b from t", "select a || ' ' || b from t"},
      {"select TRUE, False, t.true from t", "select -1, 0, t.true from t"},
      {"SELECT DISTINCT TOP 10 a FROM t;", "SELECT DISTINCT  a FROM t LIMIT 10"},
      {"select x from (select top 2 a from t order by a) order by x",
       "select x from (select  a from t order by a LIMIT 2) order by x"},
      {"select 1 ;  ", "select 1   "},
      {"select 1-- 2", "select 1- - 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateSql(c.jet), c.sqlite) << c.jet;
}

// Each description ends with the statement: "... at position N in "<sql>"".
TEST(SqlTranslatorTest, UnreadableStatementsNameWhatAndWhere) {
  const Case cases[] = {
      {"select 'abc", "Unterminated text literal at position 8"},
      {"select \"abc", "Unterminated text literal at position 8"},
      {"select [abc from t", "Unterminated bracketed name at position 8"},
      {"d = #04/18/2009", "Unterminated date literal at position 5"},
      {"d = #02/30/2009#", "Invalid date literal #02/30/2009# at position 5"},
      {"d = #13/01/2009#", "Invalid date literal #13/01/2009# at position 5"},
      {"d = #4/18/2009 25:00#", "Invalid date literal #4/18/2009 25:00# at position 5"},
      {"d = #yesterday#", "Invalid date literal #yesterday# at position 5"},
      {"select top x a from t", "TOP without a whole number of rows at position 8"},
      {"select top 5 percent a from t", "TOP ... PERCENT is not supported at position 14"},
      {"select top 1 a from t union select b from u", "TOP in a compound select at position 23"},
      {"select 1; select 2", "Characters found after the end of the statement at position 9"},
      {"select (1", "Missing ')' at position 10"},
      {"select 1)", "Unbalanced ')' at position 9"},
  };
  for (const Case& c : cases) {
    const std::string expected = c.sqlite + std::string(" in \"") + c.jet + "\"";
    const auto e = ExpectComError(kErrSyntax, expected, [&] { TranslateSql(c.jet); });
    EXPECT_EQ(e.description(), expected);
    EXPECT_EQ(e.source(), "Dunmerrow.Jet");
  }
}

}  // namespace
}  // namespace jet
