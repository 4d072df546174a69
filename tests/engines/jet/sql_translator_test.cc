// The dialect translator, case by case: what the host's SQL becomes in SQLite.
#include "engines/jet/sql_translator.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace jet {
namespace {

struct Case {
  const char* jet;
  const char* sqlite;
};

// The journal of one owner, as the transactions section builds it.
constexpr char kJournal[] =
    "SELECT '' as tenant_code, Expenses.Date as [date], Expenses.Amount as debit, Expenses.Amount  "
    "as credit, Expenses.[Expense Group] as [debitaccount], Expenses.counter_gl as creditaccount, "
    "Expenses.description as description, Expenses.[Your Reference] as reference, Expenses.Payee "
    "as payee, Expenses.[property code] as property, true as expense, tax From Expenses inner join "
    "property on expenses.[property code] = property.code where ownercode ='SMITH' and date >= "
    "#03/19/2009# and date <= #04/18/2009#UNION ALL SELECT tenant_code, Revenues.Date, "
    "Revenues.Amount, Revenues.Amount, Revenues.counter_gl, Revenues.[Revenue Group], "
    "Revenues.description, Revenues.[Your Reference], '' AS Expr1, revenues.[property code] as "
    "property,false,tax From Revenues inner join property on revenues.[property code] = "
    "property.code where ownercode ='SMITH'  and date >= #03/19/2009# and date <= "
    "#04/18/2009#ORDER BY property, [date]; ";
constexpr char kJournalSqlite[] =
    "SELECT '' as tenant_code, Expenses.Date as \"date\", Expenses.Amount as debit, "
    "Expenses.Amount  as credit, Expenses.\"Expense Group\" as \"debitaccount\", "
    "Expenses.counter_gl as creditaccount, Expenses.description as description, "
    "Expenses.\"Your Reference\" as reference, Expenses.Payee as payee, Expenses.\"property "
    "code\" as property, -1 as expense, tax From Expenses inner join property on "
    "expenses.\"property code\" = property.code where ownercode ='SMITH' and date >= "
    "'2009-03-19 00:00:00' and date <= '2009-04-18 00:00:00' UNION ALL SELECT tenant_code, "
    "Revenues.Date, Revenues.Amount, Revenues.Amount, Revenues.counter_gl, "
    "Revenues.\"Revenue Group\", Revenues.description, Revenues.\"Your Reference\", '' AS Expr1, "
    "revenues.\"property code\" as property,0,tax From Revenues inner join property on "
    "revenues.\"property code\" = property.code where ownercode ='SMITH'  and date >= "
    "'2009-03-19 00:00:00' and date <= '2009-04-18 00:00:00' ORDER BY property, \"date\" ";

TEST(SqlTranslatorTest, ComponentQueries) {
  const Case cases[] = {
      {"select * from owner inner join disbursement on owner.code = disbursement.owner where "
       "disbursement.date = #04/18/2009# order by code",
       "select * from owner inner join disbursement on owner.code = disbursement.owner where "
       "disbursement.date = '2009-04-18 00:00:00' order by code"},
      {"select top 1 date as result from disbursement  where owner = 'SMITH' and date < "
       "#04/18/2009# order by date desc",
       "select  date as result from disbursement  where owner = 'SMITH' and date < "
       "'2009-04-18 00:00:00' order by date desc LIMIT 1"},
      {kJournal, kJournalSqlite},
      {"select * from disbursement where owner = 'SMITH' and date >= #03/19/2009# and date <= "
       "#04/18/2009# order by date",
       "select * from disbursement where owner = 'SMITH' and date >= '2009-03-19 00:00:00' and "
       "date <= '2009-04-18 00:00:00' order by date"},
      {"select * from property where ownercode = 'SMITH' and [sale value] = 0",
       "select * from property where ownercode = 'SMITH' and \"sale value\" = 0"},
      {"select * from tenancy where closed_yn = false and [property code] = 'P1'",
       "select * from tenancy where closed_yn = 0 and \"property code\" = 'P1'"},
      {"select * from tenancy where closed_yn = 0 and [property code] = 'P1'",
       "select * from tenancy where closed_yn = 0 and \"property code\" = 'P1'"},
      {"select * from notes where (note_type = 1 and parent_code = 'SMITH' and on_owner=true) or "
       "(note_type = 5 and on_owner=true)",
       "select * from notes where (note_type = 1 and parent_code = 'SMITH' and on_owner=-1) or "
       "(note_type = 5 and on_owner=-1)"},
      {"select [when ended] as result from tenancy  where reference = 'T1'",
       "select \"when ended\" as result from tenancy  where reference = 'T1'"},
      {"select sum(amount)+0 as paid from revenues where [revenue group] = 'RENT' and "
       "tenant_code = 'T1' and [date] <= #04/18/2009#",
       "select sum(amount)+0 as paid from revenues where \"revenue group\" = 'RENT' and "
       "tenant_code = 'T1' and \"date\" <= '2009-04-18 00:00:00'"},
      {"select sum(amount)+0 as paid from revenues where [revenue group] in "
       "('xydhgus','RENT','WATER')  and [revenue group]  <> 'RENT' and tenant_code = 'T1' and "
       "[date] <= #04/18/2009#",
       "select sum(amount)+0 as paid from revenues where \"revenue group\" in "
       "('xydhgus','RENT','WATER')  and \"revenue group\"  <> 'RENT' and tenant_code = 'T1' and "
       "\"date\" <= '2009-04-18 00:00:00'"},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateSql(c.jet), c.sqlite) << c.jet;
}

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
      {"x = '#04/18/2009#'", "x = '#04/18/2009#'"},
      {"x = 'a & b [c] \"d\" true; top 5'", "x = 'a & b [c] \"d\" true; top 5'"},
      {"x = 'it''s'", "x = 'it''s'"},
      // Double-quoted texts become apostrophe literals.
      {"x = \"O'Brien\"", "x = 'O''Brien'"},
      {"x = \"say \"\"hi\"\"\"", "x = 'say \"hi\"'"},
      // Names.
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

TEST(SqlTranslatorTest, UnreadableStatementsNameWhatAndWhere) {
  const Case cases[] = {
      {"select 'abc", "Unterminated text literal at position 8 in \"select 'abc\""},
      {"select \"abc", "Unterminated text literal at position 8 in \"select \"abc\""},
      {"select [abc from t", "Unterminated bracketed name at position 8 in \"select [abc from t\""},
      {"d = #04/18/2009", "Unterminated date literal at position 5 in \"d = #04/18/2009\""},
      {"d = #02/30/2009#",
       "Invalid date literal #02/30/2009# at position 5 in \"d = #02/30/2009#\""},
      {"d = #13/01/2009#",
       "Invalid date literal #13/01/2009# at position 5 in \"d = #13/01/2009#\""},
      {"d = #4/18/2009 25:00#",
       "Invalid date literal #4/18/2009 25:00# at position 5 in \"d = #4/18/2009 25:00#\""},
      {"d = #yesterday#", "Invalid date literal #yesterday# at position 5 in \"d = #yesterday#\""},
      {"select top x a from t",
       "TOP without a whole number of rows at position 8 in \"select top x a from t\""},
      {"select top 5 percent a from t",
       "TOP ... PERCENT is not supported at position 14 in \"select top 5 percent a from t\""},
      {"select top 1 a from t union select b from u",
       "TOP in a compound select at position 23 in \"select top 1 a from t union select b from "
       "u\""},
      {"select 1; select 2",
       "Characters found after the end of the statement at position 9 in \"select 1; select 2\""},
      {"select (1", "Missing ')' at position 10 in \"select (1\""},
      {"select 1)", "Unbalanced ')' at position 9 in \"select 1)\""},
  };
  for (const Case& c : cases) {
    const auto e = testing_support::ExpectComError(kErrSyntax, c.sqlite, [&] { TranslateSql(c.jet); });
    EXPECT_EQ(e.description(), c.sqlite);
    EXPECT_EQ(e.source(), "Dunmerrow.Jet");
  }
}

}  // namespace
}  // namespace jet
