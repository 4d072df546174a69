// The transactions section: the journal query, the exclusion of lines on
// excluded accounts, and the printing of lines, subtotals and the total.
#include "component/transactions_section.h"

#include "accounts/account_cache.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "platform/regional.h"
#include "sections/memo.h"
#include "sections/record_fields.h"

namespace component {

using sections::FieldOf;
using sections::TextOf;

General::RecordsetPtr GetJournals(const std::string& OwnerCode, const core::Date& DateFrom,
                                  const core::Date& DateTo) {
  std::string sql =
      "SELECT '' as tenant_code, Expenses.Date as [date], Expenses.Amount as debit, "
      "Expenses.Amount  as credit, Expenses.[Expense Group] as [debitaccount], "
      "Expenses.counter_gl as creditaccount, Expenses.description as description, "
      "Expenses.[Your Reference] as reference, Expenses.Payee as payee, Expenses.[property code] "
      "as property, true as expense, tax From Expenses inner join property on "
      "expenses.[property code] = property.code where ownercode =" +
      General::SQLText(OwnerCode) + " and date >= " + General::SQLDate(DateFrom) +
      " and date <= " + General::SQLDate(DateTo) +
      "UNION ALL SELECT tenant_code, Revenues.Date, Revenues.Amount, Revenues.Amount, "
      "Revenues.counter_gl, Revenues.[Revenue Group], Revenues.description, "
      "Revenues.[Your Reference], '' AS Expr1, revenues.[property code] as property,false,tax "
      "From Revenues inner join property on revenues.[property code] = property.code where "
      "ownercode =" +
      General::SQLText(OwnerCode) + "  and date >= " + General::SQLDate(DateFrom) +
      " and date <= " + General::SQLDate(DateTo) + "ORDER BY property, [date]; ";
  General::RecordsetPtr journal;
  General::DataCreateSet(journal, sql);
  return journal;
}

General::RecordsetPtr TransactionsSection::Print(OwnerStatement& owner) {
  General::RecordsetPtr journal = GetJournals(owner.code, owner.date_from, owner.disburse_date);
  PropertyTotals property;
  std::string last_property;
  while (!General::DataEOF(journal)) {
    const bool expense = sections::FlagOf(journal, "expense");
    const std::string account = TextOf(journal, expense ? "debitaccount" : "creditaccount");
    const std::optional<bool> decision = AccountCache::ExclusionDecision(expense, account);
    if (!decision || *decision) PrintLine(owner, journal, property);

    last_property = TextOf(journal, "property");
    General::DataMoveNext(journal);

    // The subtotal follows every line, printed or not, once the owner has
    // printed anything: a property whose lines were all excluded still gets
    // its line of zeros after an earlier property printed.
    const bool at_end = General::DataEOF(journal);
    if (owner.started && (at_end || TextOf(journal, "property") != last_property)) {
      PrintFooter("Total for " + last_property, property.income, property.expense, property.tax);
      property = PropertyTotals();
    }
    if (at_end && owner.started) {
      PrintFooter("Total for " + owner.code, owner.income, owner.expense, owner.tax);
    }
  }
  return journal;
}

TransactionsSection::LineFields& TransactionsSection::Fields() {
  if (!line_fields_) {
    auto section = run_.report.Sections("TransDetail");
    line_fields_ = LineFields{section,
                              section->Fields("Date"),
                              section->Fields("Property"),
                              section->Fields("Details"),
                              section->Fields("Expense"),
                              section->Fields("Income")};
  }
  return *line_fields_;
}

void TransactionsSection::PrintLine(OwnerStatement& owner, const General::RecordsetPtr& journal,
                                    PropertyTotals& property) {
  if (!owner.started) {
    BeginOwner(run_, owner);
    run_.report.PrintSection("TransHeader");
  }
  LineFields& detail = Fields();
  detail.section->Clear();
  const core::Date date = core::ToDate(FieldOf(journal, "date"));
  const std::string property_code = TextOf(journal, "property");
  detail.date->SetText(platform::FormatShortDate(date));
  detail.property->SetText(property_code);

  const std::string what =
      "the journal line of property " + property_code + " on " + platform::FormatShortDate(date);
  const bool expense = sections::FlagOf(journal, "expense");
  // Where a total that overflows was being added up, for the message.
  const std::string where = " of owner " + owner.code + " (table " +
                            (expense ? "Expenses" : "Revenues") + ") at " + what;
  PrintedLine line;
  line.date = date;
  line.property = property_code;
  if (expense) {
    line.details = AccountCache::GLDescription(TextOf(journal, "debitaccount"),
                                               AccountCache::kExpenseAccount);
    const core::Currency debit =
        core::ToCurrency(sections::RequiredValueOf(journal, "debit", what));
    line.expense = FormatAmount(debit);
    owner.expense = AddToTotal(owner.expense, debit, "the expense" + where);
    property.expense = AddToTotal(property.expense, debit, "the property's expense" + where);
    const core::Currency tax = core::ToCurrency(sections::RequiredValueOf(journal, "tax", what));
    line.tax = FormatAmount(-tax);
    owner.tax = AddToTotal(owner.tax, -tax, "the tax" + where);
    property.tax = AddToTotal(property.tax, -tax, "the property's tax" + where);
    detail.details->SetText(line.details);
    detail.expense->SetText(line.expense);
  } else {
    line.details = AccountCache::GLDescription(TextOf(journal, "creditaccount"),
                                               AccountCache::kIncomeAccount);
    const core::Currency credit =
        core::ToCurrency(sections::RequiredValueOf(journal, "credit", what));
    line.income = FormatAmount(credit);
    owner.income = AddToTotal(owner.income, credit, "the income" + where);
    property.income = AddToTotal(property.income, credit, "the property's income" + where);
    const core::Currency tax = core::ToCurrency(sections::RequiredValueOf(journal, "tax", what));
    line.tax = FormatAmount(tax);
    owner.tax = AddToTotal(owner.tax, tax, "the tax" + where);
    property.tax = AddToTotal(property.tax, tax, "the property's tax" + where);
    detail.details->SetText(line.details);
    detail.income->SetText(line.income);
  }
  run_.report.PrintSection(detail.section->Name());
  if (run_.keep_lines) owner.lines.push_back(std::move(line));

  if (run_.notes) {
    sections::PrintMemoField(run_.report, TextOf(journal, "description"), "Notes", "Notes");
  }
}

void TransactionsSection::PrintFooter(const std::string& total_text, core::Currency income,
                                      core::Currency expense, core::Currency tax) {
  auto footer = run_.report.Sections("TransFooter");
  footer->Fields("Total")->SetText(total_text);
  footer->Fields("Income")->SetText(FormatAmount(income));
  footer->Fields("Expense")->SetText(FormatAmount(expense));
  footer->Fields("TotalValue")->SetText(FormatAmount(income - expense));
  if (AnyTaxOption()) footer->Fields("Tax")->SetText("Includes tax of " + FormatAmount(tax));
  run_.report.PrintSection("TransFooter");
}

bool TransactionsSection::AnyTaxOption() const {
  return sections::FlagOf(run_.option_set, "TaxExpense") ||
         sections::FlagOf(run_.option_set, "TaxIncome") ||
         sections::FlagOf(run_.option_set, "TaxDisburse");
}

}  // namespace component
