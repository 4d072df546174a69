// The rent arrears engine end to end on a real SQLite host database: loading
// and allocating schedules, the summaries as of today, and their failures.
#include "rent/rent_periods.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>

#include "accounts/account_cache.h"
#include "core/com_error.h"
#include "data/general.h"
#include "engines/jet/host_database.h"
#include "engines/jet/jet_engine.h"
#include "test_support.h"

namespace RentPeriods {
namespace {

using testing_support::ExpectComError;

core::Currency Money(double units) { return core::Currency::FromDouble(units); }
core::Date Day(int year, int month, int day) { return core::Date::FromCivil(year, month, day); }

// Income accounts: WATER and O'B settle extra charges, RENT and BOND do not;
// the expense account FEES is flagged too but is no income group.
constexpr char kAccounts[] =
    "insert into glcodes (gl_code, description, type, pay_extra_charges) values"
    " ('RENT', 'Rent', 1, 0), ('WATER', 'Water', 1, -1), ('BOND', 'Bond', 1, 0),"
    " ('O''B', 'Other', 1, -1), ('FEES', 'Fees', 2, -1);"
    "update glcodes set BalanceDate = '2026-01-01 00:00:00';";

// Rows of the host database; `tenant`, `rent` and `when` are SQL, days are
// "YYYY-MM-DD".
std::string Period(const std::string& tenant, const std::string& from, const std::string& to,
                   const std::string& rent, int extras = 0) {
  return "insert into rent_periods (tenant_code, period_from, period_to, rent_due, extra_charges)"
         " values (" +
         tenant + ", '" + from + " 00:00:00', '" + to + " 00:00:00', " + rent + ", " +
         std::to_string(extras) + ");";
}

std::string Payment(const std::string& tenant, const std::string& group, const std::string& day,
                    double amount) {
  return "insert into revenues (tenant_code, [Revenue Group], Date, Amount) values (" + tenant +
         ", '" + group + "', '" + day + " 00:00:00', " + std::to_string(amount) + ");";
}

std::string Ended(const std::string& tenant, const std::string& when) {
  return "insert into tenancy (reference, [when ended]) values (" + tenant + ", " + when + ");";
}

// The description of the ComError `call` raises; "" when it raises none.
std::string FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const core::ComError& e) {
    return e.description();
  }
  return "";
}

class RentDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Set("DUNMERROW_NOW", "2026-06-15");
    General::AppFolder() = dir_;
  }

  void TearDown() override {
    General::DataClose(options_);
    General::DataDb().reset();
    AccountCache::Accounts().clear();
  }

  // A new host database holding `sql`, the accounts and the options row.
  void OpenDatabase(const std::string& options_row, const std::string& sql) {
    const std::string path = dir_ + "/host" + std::to_string(++databases_) + ".sqlite";
    jet::CreateHostDatabase(path);
    jet::ExecuteSql(path, std::string(kAccounts) +
                              "insert into options (Rent_Group, WhatPaysFirst) values (" +
                              options_row + ");" + sql);
    // Opened as the run opens it: the account cache loaded, the options at hand.
    General::DataClose(options_);
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

  testing_support::ScratchFolder folder_;
  testing_support::ScopedEnvironment env_;
  testing_support::MessageCapture shown_;
  const std::string dir_ = folder_.path().string();
  int databases_ = 0;
  General::RecordsetPtr options_;
};

TEST_F(RentDatabaseTest, RentFirstWithOtherGroupsPayingExtrasAndCutSchedules) {
  EXPECT_EQ(ExtraChargeGroupList(), "('xydhgus')");  // cache never loaded
  OpenDatabase(
      "'RENT', 0",
      Ended("'T1'", "'1234-01-01 00:00:00'") +
          Period("'T1'", "2026-04-01", "2026-04-30", "300", 20) +
          Period("'T1'", "2026-06-01", "2026-06-30", "300") +
          Period("'T1'", "2026-05-01", "2026-05-31", "310", 20) +
          Period("'T1'", "2026-07-01", "2026-07-31", "310") +
          Period("'T2'", "2026-04-01", "2026-04-30", "999") +
          Payment("'T1'", "RENT", "2026-04-03", 300) + Payment("'T1'", "rent", "2026-05-05", 400) +
          Payment("'T1'", "RENT", "2026-06-20", 100) +  // after today
          Payment("'T1'", "WATER", "2026-05-10", 30) + Payment("'T1'", "BOND", "2026-04-01", 500) +
          Payment("'T2'", "RENT", "2026-04-01", 50) + Payment("'T9'", "RENT", "2026-01-01", 100) +
          Ended("'O''Neil'", "'2026-05-10 00:00:00'") + Ended("'FIXED'", "'2026-05-10 00:00:00'") +
          Period("'O''Neil'", "2026-05-01", "2026-05-31", "310") +
          Period("'O''Neil'", "2026-06-01", "2026-06-30", "300", 15) +
          Payment("'O''Neil'", "RENT", "2026-05-02", 50) +
          Period("'FIXED'", "2026-05-01", "2026-05-31", "-250") +
          // No tenancy row: the tenancy runs to today plus ten years.
          Period("'OPEN'", "2036-06-01", "2036-06-30", "300") +
          Period("'OPEN'", "2036-07-01", "2036-07-31", "310", 4));
  EXPECT_EQ(ExtraChargeGroupList(), "('xydhgus','O''B','WATER')");
  Schedule periods = Load("T1");
  ASSERT_EQ(periods.size(), 5u);  // periods not yet begun count too
  // Oldest first, the rent group's 700 pays 300, 310 and 90 (9 days of June);
  // WATER's 30 pays the extras.
  EXPECT_EQ(TotalOwing(periods), Money(530));
  EXPECT_EQ(PaidToDate("T1", options_, 0), Day(2026, 6, 10));
  // A deduction comes off the rent group's payments only.
  EXPECT_EQ(TotalOwing(Load("T1", 100)), Money(630));
  // A tenant with payments but no periods owes nothing and has no paid-to date.
  EXPECT_EQ(TotalOwing(Load("T9")), core::Currency());
  EXPECT_EQ(PaidToDate("T9", options_, 0), core::Date());
  // Cut to 10 days of May at 100, the June extras moved to May, 50 paid.
  periods = Load("O'Neil");
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_EQ(periods[1].PeriodTo, Day(2026, 5, 10));
  EXPECT_EQ(TotalOwing(periods), Money(65));
  EXPECT_EQ(PaidToDate("O'Neil", options_, 0), Day(2026, 5, 6));
  // A negative rent is a fixed one: cut short, never pro rata.
  periods = Load("FIXED");
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_TRUE(periods[1].NoProRata);
  EXPECT_EQ(periods[1].RentDue, Money(250));
  EXPECT_EQ(periods[1].PeriodTo, Day(2026, 5, 10));
  periods = Load("OPEN");
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_EQ(periods[1].PeriodTo, Day(2036, 6, 15));
  EXPECT_EQ(periods[1].RentDue, Money(150));
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
  OpenDatabase("'water', 1", Period("'T1'", "2026-04-01", "2026-04-30", "100", 20) +
                                 Period("'T1'", "2026-05-01", "2026-05-31", "100", 20) +
                                 Payment("'T1'", "WATER", "2026-04-03", 130) +
                                 Payment("'T1'", "RENT", "2026-04-03", 1000));
  const Schedule periods = Load("T1");
  ASSERT_EQ(periods.size(), 3u);
  // 130 pays the first rent, its extras, then 10 of the second rent.
  EXPECT_EQ(periods[2].RentPaid, Money(10));
  EXPECT_EQ(TotalOwing(periods), Money(110));
}

// Bad data: the balance fails naming the tenant, the paid-to date carries on
// with the schedule as far as it was built.
TEST_F(RentDatabaseTest, BadDataFailsTheBalanceNotThePaidToDate) {
  OpenDatabase("'RENT', 0", Ended("'NOEND'", "NULL") +
                                Period("'NOEND'", "2026-04-01", "2026-04-30", "300") +
                                Period("'NOEND'", "2026-05-01", "2026-05-31", "300") +
                                Payment("'NOEND'", "RENT", "2026-04-03", 450) +
                                Period("'GAP'", "2026-03-01", "2026-03-31", "300") +
                                Period("'GAP'", "2026-04-01", "2026-04-30", "NULL") +
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
}

TEST_F(RentDatabaseTest, MissingRentGroupFailsTheBalance) {
  OpenDatabase("NULL, 0", Period("'T1'", "2026-04-01", "2026-04-30", "300") +
                              Payment("'T1'", "RENT", "2026-04-03", 300));
  const std::pair<General::RecordsetPtr, int> cases[] = {{options_, core::kErrInvalidNull},
                                                         {nullptr, core::kErrObjectNotSet}};
  for (const auto& [options, number] : cases) {
    SCOPED_TRACE(options ? "null group" : "no options row");
    Schedule periods;
    const auto e = ExpectComError(
        number, "'T1'", [&] { LoadRentPeriods("T1", periods, 0, options, Day(2026, 6, 15)); });
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
  int failures = 0;
  int credits = 0;
  int debts = 0;
  for (const char* options_row : {"'RENT', 0", "'WATER', 1", "'RENT', 1", "NULL, NULL"}) {
    std::string sql;
    for (int t = 0; t < 40; ++t) {
      const std::string tenant = "'T" + std::to_string(t) + "'";
      const core::Date start = Day(2025, 1, 1).AddDays(pick(0, 500));
      for (int p = 0, count = pick(0, 6); p < count; ++p) {
        const core::Date from = start.AddDays(int64_t{30} * p);
        const core::Date to = from.AddDays(pick(-1, 40));
        const std::string rent = pick(0, 20) == 0 ? "NULL" : std::to_string(pick(-400, 900));
        sql += Period(tenant, from.ToIso().substr(0, 10), to.ToIso().substr(0, 10), rent,
                      pick(0, 3) == 0 ? pick(0, 50) : 0);
      }
      const int end_kind = pick(0, 19);
      if (end_kind < 4) sql += Ended(tenant, "'1234-05-05 00:00:00'");
      if (end_kind >= 4 && end_kind < 12) {
        sql += Ended(tenant, "'" + start.AddDays(pick(-20, 200)).ToIso() + "'");
      }
      if (end_kind == 12) sql += Ended(tenant, "NULL");
      for (int n = pick(0, 5); n > 0; --n) {
        static const char* const kGroups[] = {"RENT", "WATER", "BOND"};
        sql += Payment(tenant, kGroups[pick(0, 2)],
                       start.AddDays(pick(0, 700)).ToIso().substr(0, 10), pick(0, 120000) / 100.0);
      }
    }
    SCOPED_TRACE(options_row);
    OpenDatabase(options_row, sql);
    for (int t = 0; t < 40; ++t) {
      const std::string tenant = "T" + std::to_string(t);
      SCOPED_TRACE(tenant);
      core::Currency balance;
      const std::string failure = FailureOf([&] { balance = TotalOwing(Load(tenant)); });
      const TenancySummary summary = SummariseTenancy(tenant, options_);
      EXPECT_EQ(FailureOf([&] {
                  if (summary.balance_failure) std::rethrow_exception(summary.balance_failure);
                }),
                failure);
      EXPECT_EQ(summary.paid_to, PaidToDate(tenant, options_, 0));
      if (!failure.empty()) {
        ++failures;
        continue;
      }
      EXPECT_EQ(summary.balance, balance);
      credits += balance < core::Currency();
      debts += balance > core::Currency();
    }
  }
  // The generated data reaches every kind of outcome.
  EXPECT_GT(failures, 5);
  EXPECT_GT(credits, 5);
  EXPECT_GT(debts, 5);
}

}  // namespace
}  // namespace RentPeriods
