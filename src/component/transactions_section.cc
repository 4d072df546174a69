// The transactions section: the owner's journal of the period by property,
// with property subtotals, the owner total and the tax they include.
#include "component/report_run.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "platform/regional.h"
#include "accounts/account_cache.h"
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

void ReportRun::TransactionsSection() {
  section_set_ = GetJournals(owner_code_, DateFrom, DisburseDate);
  auto& journal = section_set_;
  while (!General::DataEOF(journal)) {
    const bool expense = sections::FlagOf(journal, "expense");
    const std::string account = TextOf(journal, expense ? "debitaccount" : "creditaccount");
    const std::optional<bool> decision = AccountCache::ExclusionDecision(expense, account);
    if (!decision || *decision) PrintJournalLine();

    LastProperty = TextOf(journal, "property");
    General::DataMoveNext(journal);

    const bool at_end = General::DataEOF(journal);
    if (bOwnerStarted && (at_end || TextOf(journal, "property") != LastProperty)) {
      PrintTransFooter("Total for " + LastProperty, PropertyIncome, PropertyExpense, PropertyTax);
      PropertyIncome = PropertyExpense = PropertyTax = core::Currency();
    }
    if (at_end && bOwnerStarted) {
      PrintTransFooter("Total for " + owner_code_, OwnerIncome, OwnerExpense, OwnerTax);
    }
  }
}

ReportRun::JournalFields& ReportRun::JournalLineFields() {
  if (!journal_fields_) {
    auto section = report_.Sections("TransDetail");
    journal_fields_ = JournalFields{section,
                                    section->Fields("Date"),
                                    section->Fields("Property"),
                                    section->Fields("Details"),
                                    section->Fields("Expense"),
                                    section->Fields("Income")};
  }
  return *journal_fields_;
}

void ReportRun::PrintJournalLine() {
  auto& journal = section_set_;
  if (!bOwnerStarted) {
    BeginOwner();
    report_.PrintSection("TransHeader");
    bOwnerStarted = true;
  }
  JournalFields& detail = JournalLineFields();
  detail.section->Clear();
  const core::Date date = core::ToDate(FieldOf(journal, "date"));
  const std::string property = TextOf(journal, "property");
  detail.date->SetText(platform::FormatShortDate(date));
  detail.property->SetText(property);

  const std::string what =
      "the journal line of property " + property + " on " + platform::FormatShortDate(date);
  if (sections::FlagOf(journal, "expense")) {
    detail.details->SetText(AccountCache::GLDescription(TextOf(journal, "debitaccount"),
                                                        AccountCache::kExpenseAccount));
    const core::Currency debit = core::ToCurrency(sections::RequiredValueOf(journal, "debit", what));
    detail.expense->SetText(Amount(debit));
    OwnerExpense += debit;
    PropertyExpense += debit;
    const core::Currency tax = core::ToCurrency(sections::RequiredValueOf(journal, "tax", what));
    OwnerTax -= tax;
    PropertyTax -= tax;
  } else {
    detail.details->SetText(AccountCache::GLDescription(TextOf(journal, "creditaccount"),
                                                        AccountCache::kIncomeAccount));
    const core::Currency credit = core::ToCurrency(sections::RequiredValueOf(journal, "credit", what));
    detail.income->SetText(Amount(credit));
    OwnerIncome += credit;
    PropertyIncome += credit;
    const core::Currency tax = core::ToCurrency(sections::RequiredValueOf(journal, "tax", what));
    OwnerTax += tax;
    PropertyTax += tax;
  }
  report_.PrintSection(detail.section->Name());

  if (notes_) {
    sections::PrintMemoField(report_, TextOf(journal, "description"), "Notes", "Notes");
  }
}

void ReportRun::PrintTransFooter(const std::string& total_text, core::Currency income,
                                 core::Currency expense, core::Currency tax) {
  auto footer = report_.Sections("TransFooter");
  footer->Fields("Total")->SetText(total_text);
  footer->Fields("Income")->SetText(Amount(income));
  footer->Fields("Expense")->SetText(Amount(expense));
  footer->Fields("TotalValue")->SetText(Amount(income - expense));
  if (AnyTaxOption()) footer->Fields("Tax")->SetText("Includes tax of " + Amount(tax));
  report_.PrintSection("TransFooter");
}

}  // namespace component
