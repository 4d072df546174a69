// The demo portfolio generator. Money is counted in cents while generating,
// so that the disbursements add up exactly to what was received and spent.
#include "demo/demo_portfolio.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "demo/demo_random.h"
#include "engines/jet/host_database.h"
#include "platform/files.h"

namespace demo {
namespace {

constexpr char kSource[] = "Dunmerrow.Demo";

using Cents = int64_t;
using Day = int64_t;  // serial day number of the host's calendar

constexpr int kWindows = 6;        // months of disbursements
constexpr Day kPeriodsAhead = 60;  // rent periods reach this far past today
constexpr char kNotEnded[] = "1234-01-01 00:00:00";

// Amounts are stored as the host keeps money: a number of dollars.
double Money(Cents cents) { return static_cast<double>(cents) / 100.0; }

std::string Iso(Day day) { return core::Date::FromSerial(static_cast<double>(day)).ToIso(); }
Day DayOf(int year, int month, int day) {
  return core::Date::FromCivil(year, month, day).DayNumber();
}
Day MonthEnd(int year, int month) {  // month may be 0 or 13: normalised
  const int index = year * 12 + (month - 1) + 1;
  return DayOf(index / 12, index % 12 + 1, 1) - 1;
}
Cents RoundDiv(Cents value, Cents divisor) {
  return (value >= 0 ? value + divisor / 2 : value - divisor / 2) / divisor;
}
std::string Upper(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::isalpha(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}
std::string Lower(const std::string& text) {  // letters and digits only
  std::string out;
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}
std::string Pad(int64_t number, int width) {
  std::string digits = std::to_string(number);
  return std::string(digits.size() < static_cast<size_t>(width) ? width - digits.size() : 0, '0') +
         digits;
}

using Statement = jet::HostDatabaseWriter::Statement;

struct Account {
  const char* code;
  const char* description;
  int type;
  bool taxable, exclude_disburse, pay_to_owner, pay_extra_charges;
};

// Income (1), expense (2) and bank (300) accounts, as an agency keeps them.
constexpr Account kAccounts[] = {
    {"ADVERT", "Advertising", 2, true, false, false, false},
    {"BOND", "Bond received", 1, false, true, false, false},
    {"BONDLODGE", "Bond lodged with the authority", 2, false, true, false, false},
    {"INSCLAIM", "Insurance claim received", 1, false, true, true, false},
    {"INSURE", "Landlord insurance", 2, true, false, false, false},
    {"LETFEE", "Letting fee", 2, true, false, false, false},
    {"OUTGOINGS", "Outgoings recovered", 1, true, false, false, true},
    {"RATES", "Council rates", 2, false, false, false, false},
    {"RENT", "Rent", 1, false, false, false, false},
    {"REPAIRS", "Repairs and maintenance", 2, true, false, false, false},
    {"STRATA", "Strata levies", 2, false, false, false, false},
    {"TRUST", "Trust account", 300, false, false, false, false},
    {"WATER", "Water usage", 1, false, false, false, true},
};

class PortfolioWriter {
 public:
  PortfolioWriter(jet::HostDatabaseWriter& db, const DemoOptions& options)
      : db_(db), random_(options.seed), options_(options) {
    today_ = options.today.DayNumber();
    const core::CivilTime latest = LatestDisbursementDate(options.today).ToCivil();
    for (int k = 0; k < kWindows; ++k)
      month_ends_.push_back(MonthEnd(latest.year, latest.month - (kWindows - 1 - k)));
    window_start_ = MonthEnd(latest.year, latest.month - kWindows) + 1;
    summary_.latest_disbursement = core::Date::FromSerial(static_cast<double>(month_ends_.back()));
  }

  DemoSummary Run() {
    WriteAccountsAndOptions();
    WriteOwners(std::max(1, options_.properties * 2 / 5));
    for (int i = 0; i < options_.properties; ++i) WriteProperty(i);
    WriteDisbursements();
    WriteNotes();
    return summary_;
  }

 private:
  struct Owner {
    std::string code;
    bool has_unsold = false;
    Cents income[kWindows] = {};
    Cents spent[kWindows] = {};
  };

  int WindowOf(Day day) const {
    if (day < window_start_ || day > month_ends_.back()) return -1;
    for (int k = 0; k < kWindows; ++k) {
      if (day <= month_ends_[static_cast<size_t>(k)]) return k;
    }
    return -1;
  }

  std::string PersonName() {
    return random_.Pick(DemoFirstNames()) + " " + random_.Pick(DemoSurnames());
  }
  std::string StreetLine() {
    return std::to_string(random_.Between(1, 240)) + " " + random_.Pick(DemoStreets()) + " " +
           random_.Pick(DemoStreetTypes());
  }
  Cents Amount(int64_t low_dollars, int64_t high_dollars) {
    return random_.Between(low_dollars * 100, high_dollars * 100);
  }

  void WriteAccountsAndOptions() {
    auto gl = db_.Prepare(
                "INSERT INTO glcodes (gl_code, description, taxable_yn, type, BankBalance, "
                "BalanceDate, exclude_cashflow, exclude_pl, exclude_disburse, pay_to_owner, "
                "pay_extra_charges) VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    for (const Account& a : kAccounts) {
      const bool bank = a.type == 300;
      gl->Row(a.code, a.description, a.taxable, a.type, Money(bank ? Amount(50000, 400000) : 0),
             Iso(month_ends_.back()), a.exclude_disburse, a.exclude_disburse, a.exclude_disburse,
             a.pay_to_owner, a.pay_extra_charges);
      ++summary_.accounts;
    }
    auto options = db_.Prepare(
                     "INSERT INTO options (CompanyName, Address1, Address2, Address3, PrintName, "
                     "PrintAddress, TaxExpense, TaxIncome, TaxDisburse, Rent_Group, WhatPaysFirst) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    options->Row("Harbourview Property Management", "Level 2, 41 Marine Parade", "PO Box 318",
                DemoTowns().front(), true, true, true, false, true, "RENT", 0);
  }

  void WriteOwners(int count) {
    auto insert = db_.Prepare(
                    "INSERT INTO owner (code, name, postal1, postal2, postal3, street1, street2, "
                    "street3, email) VALUES (?,?,?,?,?,?,?,?,?)");
    for (int i = 0; i < count; ++i) {
      const std::string first = random_.Pick(DemoFirstNames());
      const std::string surname = random_.Pick(DemoSurnames());
      Owner owner;
      owner.code = Upper(surname).substr(0, 6) + Pad(i + 1, 4);
      const bool trust = random_.Chance(0.08);
      const std::string name = trust ? surname + " Family Trust" : first + " " + surname;
      const std::string street = StreetLine();
      const std::string town = random_.Pick(DemoTowns());
      const double postal_kind = static_cast<double>(random_.Between(0, 99)) / 100.0;
      std::optional<std::string> email;
      if (random_.Chance(0.85))
        email = Lower(first) + "." + Lower(surname) + std::to_string(i % 97) + "@" +
                random_.Pick(DemoMailDomains());
      if (postal_kind < 0.35) {  // a postal address
        insert->Row(owner.code, name, "PO Box " + std::to_string(random_.Between(10, 9999)), town,
                   "Australia", street, town, std::nullopt, email);
      } else if (postal_kind < 0.38) {  // only the second postal line filled
        insert->Row(owner.code, name, "", "Locked Bag " + std::to_string(random_.Between(1, 99)),
                   std::nullopt, street, town, std::nullopt, email);
      } else {
        insert->Row(owner.code, name, std::nullopt, std::nullopt, std::nullopt, street, town, "Australia",
                   email);
      }
      owners_.push_back(std::move(owner));
    }
    summary_.owners = count;
  }

  void WriteProperty(int index) {
    if (!property_) {
      property_ = db_.Prepare(
          "INSERT INTO property (code, ownercode, Address1, Address2, [sale value]) "
          "VALUES (?,?,?,?,?)");
    }
    const size_t owner_index =
        static_cast<size_t>(index) < owners_.size()
            ? static_cast<size_t>(index)
            : static_cast<size_t>(random_.Between(0, static_cast<int64_t>(owners_.size()) - 1));
    Owner& owner = owners_[owner_index];
    const std::string code = "P" + Pad(index + 1, 5);
    const bool sold = random_.Chance(0.07);
    // Some hosts store codes in another letter case; the engine matches them.
    const std::string owner_code = random_.Chance(0.05) ? Lower(owner.code) : owner.code;
    const std::string unit =
        random_.Chance(0.2) ? "Unit " + std::to_string(random_.Between(1, 24)) + "/" : "";
    property_->Row(code, owner_code, unit + StreetLine(),
                   random_.Chance(0.03) ? std::string() : random_.Pick(DemoTowns()),
                   Money(sold ? Amount(350000, 1400000) : 0));
    ++summary_.properties;
    if (random_.Chance(0.3) || sold) WriteClosedTenancy(code);
    if (sold) return;
    owner.has_unsold = true;
    const int open = random_.Chance(0.05) ? 0 : (random_.Chance(0.03) ? 2 : 1);
    for (int t = 0; t < open; ++t) WriteOpenTenancy(code, owner);
    WriteExpenses(code, owner);
  }

  Statement& Tenancy() {
    if (!tenancy_) {
      tenancy_ = db_.Prepare(
          "INSERT INTO tenancy (reference, [property code], name, [current rent], every_amt, "
          "every_freq, closed_yn, [when ended]) VALUES (?,?,?,?,?,?,?,?)");
    }
    return *tenancy_;
  }
  Statement& Receipt() {
    if (!receipt_) {
      receipt_ = db_.Prepare(
          "INSERT INTO Revenues (tenant_code, [property code], Date, Amount, tax, "
          "counter_gl, [Revenue Group], description, [Your Reference]) "
          "VALUES (?,?,?,?,?,?,?,?,?)");
    }
    return *receipt_;
  }
  Statement& Expense() {
    if (!expense_) {
      expense_ = db_.Prepare(
          "INSERT INTO Expenses ([property code], Date, Amount, tax, [Expense Group], "
          "counter_gl, description, [Your Reference], Payee) VALUES (?,?,?,?,?,?,?,?,?)");
    }
    return *expense_;
  }

  std::string NextReference() { return "T" + Pad(++tenancy_count_, 6); }

  void WriteClosedTenancy(const std::string& property) {
    const Day ended = today_ - random_.Between(450, 1500);
    Tenancy().Row(NextReference(), property, PersonName(), Money(random_.Between(40, 120) * 500), 1,
                  "week", true, Iso(ended));
    ++summary_.tenancies;
  }

  void AddReceipt(const std::string& tenant, const std::string& property, Owner& owner, Day day,
                  Cents amount, const char* group, const std::string& description) {
    Receipt().Row(tenant, property, Iso(day), Money(amount), Money(0), "TRUST", group, description,
                  "RCPT" + Pad(++receipt_count_, 7));
    ++summary_.receipts;
    const int k = WindowOf(day);
    if (k >= 0 && std::string(group) != "BOND") owner.income[k] += amount;
  }

  void AddExpense(const std::string& property, Owner& owner, Day day, Cents amount, bool taxable,
                  const char* group, const std::string& description, const std::string& payee) {
    Expense().Row(property, Iso(day), Money(amount), Money(taxable ? RoundDiv(amount, 11) : 0),
                  group, "TRUST", description, "INV" + Pad(random_.Between(1000, 999999), 6),
                  payee);
    ++summary_.expenses;
    const int k = WindowOf(day);
    if (k >= 0 && std::string(group) != "BONDLODGE") owner.spent[k] += amount;
  }

  void WriteOpenTenancy(const std::string& property, Owner& owner) {
    const std::string reference = NextReference();
    const int64_t kind = random_.Between(0, 99);
    const int every_amt = kind >= 55 && kind < 75 ? 2 : 1;
    const char* every_freq = kind >= 75 ? "month" : "week";
    const Cents weekly = random_.Between(50, 156) * 500;
    Cents rent = weekly * every_amt;
    if (kind >= 75) rent = RoundDiv(weekly * 52 / 12, 1000) * 1000;
    Day start = today_ - random_.Between(30, 420);
    if (kind >= 75) {  // monthly tenancies start on a day every month has
      core::CivilTime c = core::Date::FromSerial(static_cast<double>(start)).ToCivil();
      start = DayOf(c.year, c.month, std::min(c.day, 28));
    }
    const bool ending = random_.Chance(0.05);
    const Day ends = ending ? today_ + random_.Between(5, 60) : 0;
    const std::string name =
        random_.Chance(0.2) ? PersonName() + " & " + random_.Pick(DemoFirstNames()) : PersonName();
    Tenancy().Row(reference, property, name, Money(rent), every_amt, every_freq, false,
                  ending ? Iso(ends) : std::string(kNotEnded));
    ++summary_.tenancies;

    const bool water = random_.Chance(0.2);
    const bool no_pro_rata = random_.Chance(0.02);
    const int64_t behaviour = random_.Between(0, 99);  // <70 on time, then arrears, part, over
    const int unpaid_tail =
        behaviour >= 70 && behaviour < 82 ? static_cast<int>(random_.Between(1, 3)) : 0;
    if (!periods_) {
      periods_ = db_.Prepare(
          "INSERT INTO rent_periods (tenant_code, period_from, period_to, rent_due, "
          "extra_charges) VALUES (?,?,?,?,?)");
    }
    std::vector<std::pair<Day, Cents>> started;  // start and rent of periods begun by today
    const core::CivilTime first = core::Date::FromSerial(static_cast<double>(start)).ToCivil();
    Day from = start;
    for (int n = 1; from <= today_ + kPeriodsAhead; ++n) {
      const Day next = kind >= 75 ? DayOf(first.year + (first.month - 1 + n) / 12,
                                          (first.month - 1 + n) % 12 + 1, first.day)
                                  : from + 7 * every_amt;
      const bool charge_water = water && (kind >= 75 || n % (every_amt == 2 ? 2 : 4) == 0);
      const Cents extra = charge_water ? Amount(40, 120) : 0;
      periods_->Row(reference, Iso(from), Iso(next - 1), Money(no_pro_rata ? -rent : rent),
                    Money(extra));
      ++summary_.rent_periods;
      if (from <= today_) {
        started.emplace_back(from, rent);
        if (extra > 0 && random_.Chance(0.8)) {
          AddReceipt(reference, property, owner, std::min(today_, from + random_.Between(3, 20)),
                     extra, "WATER", "Water usage");
        }
      }
      from = next;
    }
    if (start >= window_start_) {  // a new tenancy: bond in, bond lodged, advertising
      AddReceipt(reference, property, owner, start, weekly * 4, "BOND", "Bond");
      AddExpense(property, owner, start + 2, weekly * 4, false, "BONDLODGE", "Bond lodgement",
                 "Rental Bond Board");
      AddExpense(property, owner, std::max(window_start_, start - 10), Amount(150, 350), true,
                 "ADVERT", "Advertising for a new tenant", "Rentals Online");
      AddExpense(property, owner, start, weekly, true, "LETFEE", "Letting fee, one week's rent",
                 "Harbourview Property Management");
    }
    for (size_t p = 0; p < started.size(); ++p) {
      if (unpaid_tail > 0 && p + static_cast<size_t>(unpaid_tail) >= started.size()) break;
      Cents paid = started[p].second;
      if (behaviour >= 82 && behaviour < 92 && random_.Chance(0.3))
        paid = RoundDiv(paid * random_.Between(50, 95), 100);
      if (behaviour >= 92 && p + 1 == started.size()) paid += started[p].second;  // paid ahead
      const Day day = std::min(today_, started[p].first + random_.Between(0, 2));
      AddReceipt(reference, property, owner, day, paid, "RENT", "Rent");
    }
  }

  void WriteExpenses(const std::string& property, Owner& owner) {
    const int insurance_month = static_cast<int>(random_.Between(1, 12));
    const bool strata = random_.Chance(0.2);
    for (int k = 0; k < kWindows; ++k) {
      const Day end = month_ends_[static_cast<size_t>(k)];
      const int month = core::Date::FromSerial(static_cast<double>(end)).ToCivil().month;
      const auto some_day = [&] { return end - random_.Between(0, 26); };
      if (random_.Chance(0.25)) {
        static const char* const kJobs[] = {"Repair leaking tap",   "Replace smoke alarm battery",
                                            "Garden maintenance",   "Repair front door lock",
                                            "Clear blocked gutter", "Pest treatment"};
        AddExpense(property, owner, some_day(), Amount(80, 900), true, "REPAIRS",
                   kJobs[random_.Between(0, 5)], random_.Pick(DemoTradePayees()));
      }
      if (month % 3 == 0)
        AddExpense(property, owner, some_day(), Amount(350, 950), false, "RATES",
                   "Council rates instalment", "Merrowdale Council");
      if (strata && month % 3 == 1)
        AddExpense(property, owner, some_day(), Amount(600, 1800), false, "STRATA",
                   "Quarterly strata levy", "Body Corporate Services");
      if (month == insurance_month)
        AddExpense(property, owner, some_day(), Amount(800, 1600), true, "INSURE",
                   "Landlord insurance renewal", "Allsafe Insurance");
      if (random_.Chance(0.01))
        AddReceipt("", property, owner, some_day(), Amount(300, 4000), "INSCLAIM",
                   "Insurance claim for storm damage");
    }
  }

  void WriteDisbursements() {
    auto insert = db_.Prepare(
                    "INSERT INTO disbursement (recordnumber, owner, date, amount, fees, tax, "
                    "reserve_taken, note) VALUES (?,?,?,?,?,?,?,?)");
    auto fee = db_.Prepare(
                 "INSERT INTO extra_fees (disburse_id, date, description, value, tax) "
                 "VALUES (?,?,?,?,?)");
    int64_t record = 0;
    for (Owner& owner : owners_) {
      if (!owner.has_unsold) continue;
      Cents reserve_held = 0;
      for (int k = 0; k < kWindows; ++k) {
        const Day day = month_ends_[static_cast<size_t>(k)];
        const Cents income = owner.income[k];
        Cents fees = RoundDiv(income * 77, 1000);  // 7.7% management fee
        ++record;
        const int extra_count = random_.Chance(0.15) ? (random_.Chance(0.3) ? 2 : 1) : 0;
        static const struct {
          const char* description;
          Cents value;
        } kExtras[] = {{"Routine inspection fee", 5500}, {"Statement postage", 440}};
        for (int e = 0; e < extra_count; ++e) {
          fee->Row(record, Iso(day), kExtras[e].description, Money(kExtras[e].value),
                  Money(RoundDiv(kExtras[e].value, 11)));
          fees += kExtras[e].value;
          ++summary_.extra_fees;
        }
        Cents reserve = 0;
        if (random_.Chance(0.08)) reserve = random_.Chance(0.5) ? 20000 : 50000;
        if (reserve_held > 0 && random_.Chance(0.2)) reserve = -reserve_held;  // paid out
        reserve_held += reserve;
        const Cents amount = std::max<Cents>(0, income - owner.spent[k] - fees - reserve);
        const bool noted = random_.Chance(0.1);
        insert->Row(record, owner.code, Iso(day), Money(amount), Money(fees),
                   Money(RoundDiv(fees, 11)), Money(reserve),
                   noted ? std::string("Funds transferred to the owner's nominated account. "
                                       "Please contact our office if your banking details "
                                       "change.")
                         : std::string());
        ++summary_.disbursements;
      }
      if (random_.Chance(0.03)) {  // a second payment on the latest date
        insert->Row(++record, owner.code, Iso(month_ends_.back()), Money(Amount(100, 2000)),
                   Money(0), Money(0), Money(0), "Additional payment of funds held in trust.");
        ++summary_.disbursements;
      }
    }
  }

  void WriteNotes() {
    auto insert = db_.Prepare(
                    "INSERT INTO notes (note_type, parent_code, on_owner, note) VALUES (?,?,?,?)");
    insert->Row(5, "", true,
               "Our office will be closed from 24 December to 2 January. For urgent repairs "
               "please call the after-hours line.");
    insert->Row(5, "", false, "Internal: review the management agreements before March.");
    summary_.notes += 2;
    for (const Owner& owner : owners_) {
      if (random_.Chance(0.12)) {
        insert->Row(1, owner.code, true,
                   "Owner has asked for a copy of every invoice over $500 with the statement.");
        ++summary_.notes;
      }
      if (random_.Chance(0.04)) {
        insert->Row(1, owner.code, false, "Prefers contact by phone after 5pm.");
        ++summary_.notes;
      }
    }
    for (int t = 1; t <= tenancy_count_; t += 20) {
      insert->Row(2, "T" + Pad(t, 6), false, "Tenant has a dog; pet bond paid.");
      ++summary_.notes;
    }
  }

  jet::HostDatabaseWriter& db_;
  DemoRandom random_;
  const DemoOptions& options_;
  Day today_ = 0;
  Day window_start_ = 0;
  std::vector<Day> month_ends_;
  std::vector<Owner> owners_;
  DemoSummary summary_;
  int tenancy_count_ = 0;
  int64_t receipt_count_ = 0;
  std::unique_ptr<Statement> property_, tenancy_, receipt_, expense_, periods_;
};

}  // namespace

core::Date LatestDisbursementDate(const core::Date& today) {
  const core::CivilTime c = today.ToCivil();
  const Day end = MonthEnd(c.year, c.month);
  const Day day = today.DayNumber() == end ? end : MonthEnd(c.year, c.month - 1);
  return core::Date::FromSerial(static_cast<double>(day));
}

DemoSummary WriteDemoPortfolio(const DemoOptions& options) {
  if (options.properties < 1)
    throw core::ComError(core::kErrSubscript, "The number of properties must be 1 or more.",
                         kSource);
  std::error_code ec;
  std::filesystem::create_directories(options.folder, ec);
  if (ec || !std::filesystem::is_directory(options.folder, ec))
    throw core::ComError(core::kErrCannotOpen,
                         "Cannot create the folder '" + options.folder + "'" +
                             (ec ? ": " + ec.message() : std::string()),
                         kSource);
  const std::string folder = std::filesystem::absolute(options.folder).lexically_normal().string();
  const std::string path = platform::JoinPath(folder, "property.mdb");
  const std::string temp = path + ".writing";
  std::filesystem::remove(temp, ec);
  DemoSummary summary;
  try {
    jet::HostDatabaseWriter db(temp);
    summary = PortfolioWriter(db, options).Run();
    db.Commit();
    std::filesystem::rename(temp, path);
  } catch (const std::filesystem::filesystem_error& e) {
    std::filesystem::remove(temp, ec);
    throw core::ComError(core::kErrCannotOpen, "Cannot write '" + path + "': " + e.code().message(),
                         kSource);
  } catch (...) {
    std::filesystem::remove(temp, ec);
    throw;
  }
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  platform::WriteFileAtomically(platform::JoinPath(folder, "settings.ini"),
                                "[Settings]\napppath=" + trimmed + "\nNetworkable=0\n");
  return summary;
}

}  // namespace demo
