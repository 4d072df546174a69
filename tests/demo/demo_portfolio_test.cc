// The demo portfolio: deterministic, complete enough for a statement run, and
// every query of a statement run works on it through the engine.
#include "demo/demo_portfolio.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/convert.h"
#include "engines/jet/jet_engine.h"
#include "temp_folder.h"

namespace demo {
namespace {

using jet::CreateDBEngine;
using jet::ReadBytes;
using jet::TempFolder;

using core::Date;

std::string Literal(const Date& d) {  // the host's date literal, #MM/DD/YYYY#
  const core::CivilTime c = d.ToCivil();
  char text[16];
  std::snprintf(text, sizeof text, "#%02d/%02d/%04d#", c.month, c.day, c.year);
  return text;
}

class DemoPortfolioTest : public ::testing::Test {
 protected:
  DemoSummary Write(const std::string& name, uint64_t seed = 7, int properties = 60) {
    DemoOptions options;
    options.folder = folder_.File(name);
    options.properties = properties;
    options.seed = seed;
    options.today = Date::FromCivil(2026, 12, 6);
    return WriteDemoPortfolio(options);
  }
  std::shared_ptr<contracts::Database> Open(const std::string& name) {
    return CreateDBEngine()->OpenDatabase(folder_.File(name) + "/property.mdb", false, false, "");
  }
  // Number of rows of `sql`, each row's `columns` read (so that they exist).
  static int Walk(const std::shared_ptr<contracts::Database>& db, const std::string& sql,
                  std::initializer_list<const char*> columns) {
    int rows = 0;
    for (auto rs = db->OpenRecordset(sql); !rs->IsEOF(); rs->MoveNext(), ++rows) {
      for (const char* column : columns) rs->Field(column);
    }
    return rows;
  }
  TempFolder folder_;
};

TEST_F(DemoPortfolioTest, SameOptionsSameBytes) {
  const DemoSummary a = Write("a");
  Write("b");
  Write("c", 8);
  EXPECT_EQ(ReadBytes(folder_.File("a/property.mdb")), ReadBytes(folder_.File("b/property.mdb")));
  EXPECT_NE(ReadBytes(folder_.File("a/property.mdb")), ReadBytes(folder_.File("c/property.mdb")));
  EXPECT_EQ(ReadBytes(folder_.File("a/settings.ini")),
            "[Settings]\napppath=" + folder_.File("a") + "\nNetworkable=0\n");
  EXPECT_EQ(a.latest_disbursement, Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(a.properties, 60);
  EXPECT_EQ(a.owners, 24);
  const DemoSummary again = Write("a");  // an existing portfolio is replaced
  EXPECT_EQ(again.disbursements, a.disbursements);
}

TEST_F(DemoPortfolioTest, LatestDisbursementIsTheLastMonthEndSoFar) {
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 12, 6)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2026, 11, 30)), Date::FromCivil(2026, 11, 30));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2027, 1, 5)), Date::FromCivil(2026, 12, 31));
  EXPECT_EQ(LatestDisbursementDate(Date::FromCivil(2028, 3, 1)), Date::FromCivil(2028, 2, 29));
}

TEST_F(DemoPortfolioTest, EveryOwnerWithAnUnsoldPropertyIsPaidOnTheLatestDate) {
  Write("p", 3, 400);
  auto db = Open("p");
  const std::string latest = Literal(Date::FromCivil(2026, 11, 30));
  auto unpaid = db->OpenRecordset(
      "select count(*) as n from owner where code in (select ownercode from property where "
      "[sale value] = 0) and code not in (select owner from disbursement where date = " +
      latest + ")");
  EXPECT_EQ(unpaid->Field("n").AsLong(), 0);
  auto later = db->OpenRecordset("select count(*) as n from disbursement where date > " + latest);
  EXPECT_EQ(later->Field("n").AsLong(), 0);
  auto twice = db->OpenRecordset(
      "select count(*) as n from (select owner from disbursement where date = " + latest +
      " group by owner having count(*) = 2)");
  EXPECT_GT(twice->Field("n").AsLong(), 0);
  // What the statements need to show their variety.
  const std::map<std::string, std::string> present{
      {"an owner without e-mail", "select count(*) as n from owner where email is null"},
      {"an apostrophe in a name", "select count(*) as n from owner where name like '%''%'"},
      {"a postal address", "select count(*) as n from owner where postal1 like 'PO Box%'"},
      {"street address only", "select count(*) as n from owner where postal1 is null"},
      {"a sold property", "select count(*) as n from property where [sale value] > 0"},
      {"a closed tenancy", "select count(*) as n from tenancy where closed_yn = true"},
      {"a fortnightly rent", "select count(*) as n from tenancy where every_amt = 2"},
      {"a monthly rent", "select count(*) as n from tenancy where every_freq = 'month'"},
      {"excluded, to owner",
       "select count(*) as n from glcodes where exclude_disburse and pay_to_owner"},
      {"excluded, not to owner",
       "select count(*) as n from glcodes where exclude_disburse and not pay_to_owner"},
      {"a bank account", "select count(*) as n from glcodes where type = 300"},
      {"extra charges", "select count(*) as n from rent_periods where extra_charges > 0"},
      {"a reserve retained", "select count(*) as n from disbursement where reserve_taken > 0"},
      {"a reserve paid out", "select count(*) as n from disbursement where reserve_taken < 0"},
      {"a disbursement note", "select count(*) as n from disbursement where note <> ''"},
      {"a global note", "select count(*) as n from notes where note_type = 5 and on_owner"},
      {"an owner note", "select count(*) as n from notes where note_type = 1 and on_owner"},
      {"a taxed expense", "select count(*) as n from Expenses where tax > 0"},
  };
  for (const auto& [what, sql] : present)
    EXPECT_GT(db->OpenRecordset(sql)->Field("n").AsLong(), 0) << what;
}

TEST_F(DemoPortfolioTest, EveryStatementQueryRuns) {
  Write("q");
  auto db = Open("q");
  const Date report_date = Date::FromCivil(2026, 11, 30);
  EXPECT_EQ(Walk(db, "select * from options",
                 {"TaxExpense", "TaxIncome", "TaxDisburse", "Rent_Group", "WhatPaysFirst",
                  "PrintName", "PrintAddress", "CompanyName", "Address1", "Address2", "Address3"}),
            1);
  EXPECT_EQ(Walk(db, "select * from glcodes where type <> 300 order by gl_code",
                 {"gl_code", "description", "taxable_yn", "type", "BankBalance", "BalanceDate",
                  "exclude_cashflow", "exclude_pl", "exclude_disburse", "pay_to_owner",
                  "pay_extra_charges"}),
            12);
  int statements = 0, journal_lines = 0, tenancies = 0, periods = 0;
  auto owners = db->OpenRecordset(
      "select * from owner inner join disbursement on owner.code = disbursement.owner where "
      "disbursement.date = " +
      Literal(report_date) + " order by code");
  for (; !owners->IsEOF(); owners->MoveNext(), ++statements) {
    for (const char* column : {"date", "code", "name", "postal1", "postal2", "postal3", "street1",
                               "street2", "street3", "email"})
      owners->Field(column);
    const std::string code = owners->Field("code").AsString();
    auto previous =
        db->OpenRecordset("select top 1 date as result from disbursement  where owner = '" + code +
                          "' and date < " + Literal(report_date) + " order by date desc");
    ASSERT_FALSE(previous->IsEOF());
    const Date from = previous->Field("result").AsDate().AddDays(1);
    const std::string range =
        " and date >= " + Literal(from) + " and date <= " + Literal(report_date);
    journal_lines += Walk(
        db,
        "SELECT '' as tenant_code, Expenses.Date as [date], Expenses.Amount as debit, "
        "Expenses.Amount  as credit, Expenses.[Expense Group] as [debitaccount], "
        "Expenses.counter_gl as creditaccount, Expenses.description as description, "
        "Expenses.[Your Reference] as reference, Expenses.Payee as payee, Expenses.[property "
        "code] as property, true as expense, tax From Expenses inner join property on "
        "expenses.[property code] = property.code where ownercode ='" +
            code + "'" + range +
            "UNION ALL SELECT tenant_code, Revenues.Date, Revenues.Amount, Revenues.Amount, "
            "Revenues.counter_gl, Revenues.[Revenue Group], Revenues.description, Revenues.[Your "
            "Reference], '' AS Expr1, revenues.[property code] as property,false,tax From Revenues "
            "inner join property on revenues.[property code] = property.code where ownercode ='" +
            code + "' " + range + "ORDER BY property, [date]; ",
        {"date", "debit", "credit", "debitaccount", "creditaccount", "description", "property",
         "expense", "tax"});
    auto disbursements = db->OpenRecordset("select * from disbursement where owner = '" + code +
                                           "'" + range + " order by date");
    for (; !disbursements->IsEOF(); disbursements->MoveNext()) {
      for (const char* column : {"date", "amount", "fees", "tax", "reserve_taken", "note"})
        disbursements->Field(column);
      Walk(db,
           "select * from extra_fees_view where disburse_id = " +
               core::ToText(disbursements->Field("recordnumber")),
           {"date", "description", "value", "tax"});
    }
    auto properties = db->OpenRecordset("select * from property where ownercode = '" + code +
                                        "' and [sale value] = 0");
    for (; !properties->IsEOF(); properties->MoveNext()) {
      properties->Field("Address1");
      properties->Field("Address2");
      auto tenancy = db->OpenRecordset(
          "select * from tenancy where closed_yn = false and [property code] = '" +
          properties->Field("code").AsString() + "'");
      for (; !tenancy->IsEOF(); tenancy->MoveNext(), ++tenancies) {
        for (const char* column : {"name", "current rent", "every_amt", "every_freq"})
          tenancy->Field(column);
        const std::string tenant = tenancy->Field("reference").AsString();
        periods += Walk(
            db,
            "select * from rent_periods where tenant_code = '" + tenant + "' order by period_from",
            {"period_from", "period_to", "rent_due", "extra_charges"});
        auto ended = db->OpenRecordset(
            "select [when ended] as result from tenancy  where "
            "reference = '" +
            tenant + "'");
        EXPECT_EQ(ended->Field("result").type(), core::VarType::kDate);
        const std::string as_at = Literal(Date::FromCivil(2026, 12, 6));
        Walk(db,
             "select sum(amount)+0 as paid from revenues where [revenue group] = 'RENT' and "
             "tenant_code = '" +
                 tenant + "' and [date] <= " + as_at,
             {"paid"});
        Walk(db,
             "select sum(amount)+0 as paid from revenues where [revenue group] in "
             "('xydhgus','WATER','OUTGOINGS')  and [revenue group]  <> 'RENT' and tenant_code = '" +
                 tenant + "' and [date] <= " + as_at,
             {"paid"});
      }
    }
    Walk(db,
         "select * from notes where (note_type = 1 and parent_code = '" + code +
             "' and on_owner=true) or (note_type = 5 and on_owner=true)",
         {"note"});
  }
  EXPECT_GE(statements, 24 - 3);
  EXPECT_GT(journal_lines, statements);
  EXPECT_GT(tenancies, 0);
  EXPECT_GT(periods, tenancies);
}

}  // namespace
}  // namespace demo
