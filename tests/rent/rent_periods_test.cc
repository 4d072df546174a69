// The rent arrears engine end to end on a real SQLite host database: loading
// and allocating schedules, the summaries as of today, and their failures.
#include "rent/rent_periods.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "accounts/account_cache.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "data/general.h"
#include "demo/demo_portfolio.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "platform/clock.h"
#include "test_support.h"

namespace RentPeriods {
namespace {

using testing_support::ExpectComError;

core::Currency Money(double units) { return core::Currency::FromDouble(units); }
core::Date Day(int year, int month, int day) { return core::Date::FromCivil(year, month, day); }

// Income accounts: WATER settles extra charges, RENT and BOND do not; the
// expense account FEES is flagged too but is no income group.
constexpr char kAccounts[] =
    "insert into glcodes (gl_code, description, type, pay_extra_charges) values"
    " ('RENT', 'Rent', 1, 0), ('WATER', 'Water', 1, -1), ('BOND', 'Bond', 1, 0),"
    " ('FEES', 'Fees', 2, -1);"
    "update glcodes set BalanceDate = '2026-01-01 00:00:00';";

class RentDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Set("DUNMERROW_NOW", "2026-06-15");
    General::AppFolder() = dir_;
    AccountCache::Accounts().clear();
  }

  void TearDown() override {
    General::DataClose(options_);
    General::DataDb().reset();
    AccountCache::Accounts().clear();
  }

  // A new host database holding `sql` and the accounts, opened as the run
  // opens it: the account cache loaded and the options row at hand.
  void OpenDatabase(const std::string& options_row, const std::string& sql) {
    General::DataClose(options_);
    const std::string path = dir_ + "/host" + std::to_string(++databases_) + ".sqlite";
    jet::CreateHostDatabase(path);
    jet::ExecuteSql(path, std::string(kAccounts) +
                              "insert into options (Rent_Group, WhatPaysFirst) values (" +
                              options_row + ");" + sql);
    General::DataDb() = jet::CreateDBEngine()->OpenDatabase(path, false, false, "");
    AccountCache::CacheAccounts();
    std::string options_sql = "select * from options";
    General::DataCreateSet(options_, options_sql);
  }

  Schedule Load(const std::string& tenant, double deduction = 0) {
    Schedule periods;
    LoadRentPeriods(tenant, periods, deduction, options_, Day(2026, 6, 15));
    return periods;
  }

  // Checks that the one-load summary of `tenant` gives what loading for the
  // balance and again for the paid-to date gives, and counts the outcome.
  void CompareSummaryWithSeparateLoads(const std::string& tenant) {
    core::Currency balance;
    std::string failure;
    try {
      Schedule periods;
      LoadRentPeriods(tenant, periods, 0, options_, platform::Today());
      balance = TotalOwing(periods);
    } catch (const core::ComError& e) {
      failure = e.description();
    }
    const core::Date paid_to = PaidToDate(tenant, options_, 0);

    const TenancySummary summary = SummariseTenancy(tenant, options_);
    std::string summary_failure;
    try {
      if (summary.balance_failure) std::rethrow_exception(summary.balance_failure);
    } catch (const core::ComError& e) {
      summary_failure = e.description();
    }
    EXPECT_EQ(summary_failure, failure);
    if (failure.empty()) {
      EXPECT_EQ(summary.balance, balance);
    }
    EXPECT_EQ(summary.paid_to, paid_to);
    failures_ += !failure.empty();
    credits_ += failure.empty() && balance < core::Currency();
    debts_ += failure.empty() && balance > core::Currency();
  }

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  testing_support::MessageCapture shown_;
  const std::string dir_ = folder_.path().string();
  int databases_ = 0;
  int failures_ = 0;
  int credits_ = 0;
  int debts_ = 0;
  General::RecordsetPtr options_;
};

std::string PeriodRow(const std::string& tenant, const std::string& from, const std::string& to,
                      const std::string& rent, const std::string& extras) {
  return "insert into rent_periods (tenant_code, period_from, period_to, rent_due, extra_charges)"
         " values (" +
         tenant + ", " + from + ", " + to + ", " + rent + ", " + extras + ");";
}

std::string Payment(const std::string& tenant, const std::string& group, const std::string& date,
                    double amount) {
  return "insert into revenues (tenant_code, [Revenue Group], Date, Amount) values (" + tenant +
         ", '" + group + "', '" + date + " 00:00:00', " + std::to_string(amount) + ");";
}

TEST_F(RentDatabaseTest, RentFirstWithOtherGroupsPayingExtras) {
  OpenDatabase(
      "'RENT', 0",
      "insert into tenancy (reference, [when ended]) values ('T1', '1234-01-01 00:00:00');" +
          PeriodRow("'T1'", "'2026-04-01 00:00:00'", "'2026-04-30 00:00:00'", "300", "20") +
          PeriodRow("'T1'", "'2026-06-01 00:00:00'", "'2026-06-30 00:00:00'", "300", "0") +
          PeriodRow("'T1'", "'2026-05-01 00:00:00'", "'2026-05-31 00:00:00'", "310", "20") +
          PeriodRow("'T1'", "'2026-07-01 00:00:00'", "'2026-07-31 00:00:00'", "310", "0") +
          PeriodRow("'T2'", "'2026-04-01 00:00:00'", "'2026-04-30 00:00:00'", "999", "0") +
          Payment("'T1'", "RENT", "2026-04-03", 300) + Payment("'T1'", "rent", "2026-05-05", 400) +
          Payment("'T1'", "RENT", "2026-06-20", 100) +  // after today
          Payment("'T1'", "WATER", "2026-05-10", 30) + Payment("'T1'", "BOND", "2026-04-01", 500) +
          Payment("'T2'", "RENT", "2026-04-01", 50));
  const Schedule periods = Load("T1");
  ASSERT_EQ(periods.size(), 5u);  // periods not yet begun count too
  EXPECT_EQ(periods[2].PeriodFrom, Day(2026, 5, 1));
  EXPECT_EQ(periods[4].PeriodTo, Day(2026, 7, 31));
  const std::vector<double> rent_paid = {300, 310, 90, 0};
  const std::vector<double> extras_paid = {20, 10, 0, 0};
  const std::vector<double> owing = {0, 10, 210, 310};
  for (size_t i = 1; i < periods.size(); ++i) {
    SCOPED_TRACE("period " + std::to_string(i));
    EXPECT_EQ(periods[i].RentPaid, Money(rent_paid[i - 1]));
    EXPECT_EQ(periods[i].ExtrasPaid, Money(extras_paid[i - 1]));
    EXPECT_EQ(periods[i].Owing, Money(owing[i - 1]));
  }
  EXPECT_EQ(TotalOwing(periods), Money(530));
  // 90 of 300 on a 30-day period pays 9 days.
  EXPECT_EQ(PaidToDate("T1", options_, 0), Day(2026, 6, 10));
  // A deduction comes off the rent group's payments only.
  EXPECT_EQ(TotalOwing(Load("T1", 100)), Money(630));
  const TenancySummary summary = SummariseTenancy("T1", options_);
  EXPECT_EQ(summary.balance, Money(530));
  EXPECT_EQ(summary.paid_to, Day(2026, 6, 10));
  EXPECT_FALSE(summary.balance_failure);
  // The summaries are as of today: ten days on, the payment of the 20th counts.
  env_.Set("DUNMERROW_NOW", "2026-06-25");
  const TenancySummary later = SummariseTenancy("T1", options_);
  EXPECT_EQ(later.balance, Money(430));
  EXPECT_EQ(later.paid_to, Day(2026, 6, 19));
  EXPECT_EQ(PaidToDate("T1", options_, 0), Day(2026, 6, 19));
  EXPECT_TRUE(shown_.messages.empty()) << shown_.Lines().front();
}

TEST_F(RentDatabaseTest, InterleavedWhenTheRentGroupPaysExtras) {
  // The rent group in lower case still matches the account WATER.
  OpenDatabase(
      "'water', 1",
      PeriodRow("'T1'", "'2026-04-01 00:00:00'", "'2026-04-30 00:00:00'", "100", "20") +
          PeriodRow("'T1'", "'2026-05-01 00:00:00'", "'2026-05-31 00:00:00'", "100", "20") +
          Payment("'T1'", "WATER", "2026-04-03", 130) +
          Payment("'T1'", "RENT", "2026-04-03", 1000));
  const Schedule periods = Load("T1");
  ASSERT_EQ(periods.size(), 3u);
  EXPECT_EQ(periods[1].ExtrasPaid, Money(20));
  EXPECT_EQ(periods[2].RentPaid, Money(10));
  EXPECT_EQ(periods[2].ExtrasPaid, Money(0));
  EXPECT_EQ(TotalOwing(periods), Money(110));
}

TEST_F(RentDatabaseTest, EndOfTenancyCutsTheSchedule) {
  OpenDatabase(
      "'RENT', 0",
      "insert into tenancy (reference, [when ended]) values ('O''Neil', '2026-05-10 00:00:00');"
      "insert into tenancy (reference, [when ended]) values ('FIXED', '2026-05-10 00:00:00');" +
          PeriodRow("'O''Neil'", "'2026-05-01 00:00:00'", "'2026-05-31 00:00:00'", "310", "0") +
          PeriodRow("'O''Neil'", "'2026-06-01 00:00:00'", "'2026-06-30 00:00:00'", "300", "15") +
          Payment("'O''Neil'", "RENT", "2026-05-02", 50) +
          PeriodRow("'FIXED'", "'2026-05-01 00:00:00'", "'2026-05-31 00:00:00'", "-250", "0") +
          // No tenancy row: the tenancy runs to today plus ten years.
          PeriodRow("'OPEN'", "'2036-06-01 00:00:00'", "'2036-06-30 00:00:00'", "300", "0") +
          PeriodRow("'OPEN'", "'2036-07-01 00:00:00'", "'2036-07-31 00:00:00'", "310", "4"));

  Schedule periods = Load("O'Neil");
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_EQ(periods[1].PeriodTo, Day(2026, 5, 10));
  EXPECT_EQ(periods[1].RentDue, Money(100));
  EXPECT_EQ(periods[1].ExtraCharges, Money(15));
  EXPECT_EQ(TotalOwing(periods), Money(65));
  EXPECT_EQ(PaidToDate("O'Neil", options_, 0), Day(2026, 5, 6));

  periods = Load("FIXED");
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_TRUE(periods[1].NoProRata);
  EXPECT_EQ(periods[1].RentDue, Money(250));
  EXPECT_EQ(periods[1].PeriodTo, Day(2026, 5, 10));

  periods = Load("OPEN");
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_EQ(periods[1].PeriodTo, Day(2036, 6, 15));
  EXPECT_EQ(periods[1].RentDue, Money(150));
  EXPECT_EQ(periods[1].ExtraCharges, Money(4));
  EXPECT_TRUE(shown_.messages.empty()) << shown_.Lines().front();
}

TEST_F(RentDatabaseTest, ExtraChargeGroupList) {
  EXPECT_EQ(ExtraChargeGroupList(), "('xydhgus')");  // cache never loaded
  OpenDatabase("'RENT', 0",
               "insert into glcodes (gl_code, description, type, BalanceDate, pay_extra_charges)"
               " values ('O''B', 'Other', 1, '2026-01-01 00:00:00', -1);");
  EXPECT_EQ(ExtraChargeGroupList(), "('xydhgus','O''B','WATER')");
}

TEST_F(RentDatabaseTest, TenantWithoutPeriods) {
  OpenDatabase("'RENT', 0", Payment("'T9'", "RENT", "2026-01-01", 100));
  EXPECT_EQ(Load("T9").size(), 1u);
  EXPECT_EQ(TotalOwing(Load("T9")), core::Currency());
  EXPECT_EQ(PaidToDate("T9", options_, 0), core::Date());
}

// Bad data: the balance fails naming the tenant, the paid-to date carries on
// with the schedule as far as it was built.
TEST_F(RentDatabaseTest, BadDataFailsTheBalanceNotThePaidToDate) {
  OpenDatabase(
      "'RENT', 0",
      "insert into tenancy (reference, [when ended]) values ('NOEND', NULL);" +
          PeriodRow("'NOEND'", "'2026-04-01 00:00:00'", "'2026-04-30 00:00:00'", "300", "0") +
          PeriodRow("'NOEND'", "'2026-05-01 00:00:00'", "'2026-05-31 00:00:00'", "300", "0") +
          Payment("'NOEND'", "RENT", "2026-04-03", 450) +
          PeriodRow("'GAP'", "'2026-03-01 00:00:00'", "'2026-03-31 00:00:00'", "300", "0") +
          PeriodRow("'GAP'", "'2026-04-01 00:00:00'", "'2026-04-30 00:00:00'", "NULL", "0") +
          Payment("'GAP'", "RENT", "2026-04-03", 450));

  Schedule periods;
  const auto gap = ExpectComError(core::kErrInvalidNull, "'GAP'", [&] {
    LoadRentPeriods("GAP", periods, 0, options_, Day(2026, 6, 15));
  });
  EXPECT_NE(gap.description().find("rent_due"), std::string::npos) << gap.description();
  ASSERT_EQ(periods.size(), 3u);  // the failing period was begun
  EXPECT_EQ(periods[2].PeriodTo, Day(2026, 4, 30));
  EXPECT_EQ(periods[1].RentPaid, core::Currency());
  // Nothing allocated: the first period is unpaid from its first day.
  EXPECT_EQ(PaidToDate("GAP", options_, 0), Day(2026, 3, 1));

  const auto no_end = ExpectComError(core::kErrTypeMismatch, "'NOEND'", [&] { Load("NOEND"); });
  EXPECT_NE(no_end.description().find("end of the tenancy"), std::string::npos);
  EXPECT_EQ(PaidToDate("NOEND", options_, 0), Day(2026, 4, 1));
  const TenancySummary summary = SummariseTenancy("NOEND", options_);
  EXPECT_TRUE(summary.balance_failure);
  EXPECT_EQ(summary.paid_to, Day(2026, 4, 1));
}

TEST_F(RentDatabaseTest, MissingRentGroupFailsTheBalance) {
  OpenDatabase("NULL, 0",
               PeriodRow("'T1'", "'2026-04-01 00:00:00'", "'2026-04-30 00:00:00'", "300", "0") +
                   Payment("'T1'", "RENT", "2026-04-03", 300));
  const std::pair<General::RecordsetPtr, int> cases[] = {{options_, core::kErrInvalidNull},
                                                        {nullptr, core::kErrObjectNotSet}};
  for (const auto& [options, number] : cases) {
    SCOPED_TRACE(options ? "null group" : "no options row");
    Schedule periods;
    const auto e = ExpectComError(number, "'T1'", [&] {
      LoadRentPeriods("T1", periods, 0, options, Day(2026, 6, 15));
    });
    EXPECT_NE(e.description().find("Rent_Group"), std::string::npos) << e.description();
    EXPECT_EQ(PaidToDate("T1", options, 0), Day(2026, 4, 1));
  }
}

// The one-load summary gives exactly what the balance and the paid-to date
// give separately, over many generated tenancies, failing ones included.
TEST_F(RentDatabaseTest, SummaryMatchesSeparateComputations) {
  std::mt19937 random(20261206);
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const std::vector<std::string> option_rows = {"'RENT', 0", "'WATER', 1", "'RENT', 1",
                                                "NULL, NULL"};
  for (const std::string& options_row : option_rows) {
    std::string sql;
    std::vector<std::string> tenants;
    for (int t = 0; t < 40; ++t) {
      const std::string tenant = "T" + std::to_string(t);
      tenants.push_back(tenant);
      const std::string quoted = "'" + tenant + "'";
      const core::Date start = Day(2025, 1, 1).AddDays(pick(0, 500));
      const int count = pick(0, 6);
      for (int p = 0; p < count; ++p) {
        const core::Date from = start.AddDays(int64_t{30} * p);
        const core::Date to = from.AddDays(pick(-1, 40));
        const std::string rent = pick(0, 20) == 0 ? "NULL" : std::to_string(pick(-400, 900));
        sql += PeriodRow(quoted, "'" + from.ToIso() + "'", "'" + to.ToIso() + "'", rent,
                         std::to_string(pick(0, 3) == 0 ? pick(0, 50) : 0));
      }
      const int end_kind = pick(0, 4);
      if (end_kind == 1) {
        sql += "insert into tenancy (reference, [when ended]) values (" + quoted +
               ", '1234-05-05 00:00:00');";
      } else if (end_kind == 2 || end_kind == 3) {
        sql += "insert into tenancy (reference, [when ended]) values (" + quoted + ", '" +
               start.AddDays(pick(-20, 200)).ToIso() + "');";
      } else if (end_kind == 4 && pick(0, 3) == 0) {
        sql += "insert into tenancy (reference, [when ended]) values (" + quoted + ", NULL);";
      }
      for (int n = pick(0, 5); n > 0; --n) {
        static const char* const kGroups[] = {"RENT", "WATER", "BOND"};
        sql += Payment(quoted, kGroups[pick(0, 2)],
                       start.AddDays(pick(0, 700)).ToIso().substr(0, 10), pick(0, 120000) / 100.0);
      }
    }
    SCOPED_TRACE(options_row);
    OpenDatabase(options_row, sql);
    for (const std::string& tenant : tenants) {
      SCOPED_TRACE(tenant);
      CompareSummaryWithSeparateLoads(tenant);
    }
  }
  // The generated data reaches every kind of outcome.
  EXPECT_GT(failures_, 5);
  EXPECT_GT(credits_, 5);
  EXPECT_GT(debts_, 5);
}

TEST_F(RentDatabaseTest, SummaryMatchesSeparateLoadsOnTheDemoPortfolio) {
  env_.Set("DUNMERROW_NOW", "2026-12-06");
  const std::string folder = dir_ + "/demo";
  demo::WriteDemoPortfolio({folder, 200, 1, Day(2026, 12, 6)});
  General::DataDb() =
      jet::CreateDBEngine()->OpenDatabase(folder + "/property.mdb", false, false, "");
  AccountCache::CacheAccounts();
  std::string sql = "select * from options";
  General::DataCreateSet(options_, sql);
  General::RecordsetPtr tenancies;
  sql = "select reference from tenancy";
  General::DataCreateSet(tenancies, sql);
  int count = 0;
  for (; !General::DataEOF(tenancies); General::DataMoveNext(tenancies), ++count) {
    const std::string tenant = core::ToText(tenancies->Field("reference"));
    SCOPED_TRACE(tenant);
    CompareSummaryWithSeparateLoads(tenant);
  }
  General::DataClose(tenancies);
  EXPECT_GT(count, 100);
  EXPECT_GT(debts_, 50);
  EXPECT_TRUE(shown_.messages.empty()) << shown_.Lines().front();
}

}  // namespace
}  // namespace RentPeriods
