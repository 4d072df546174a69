// The report run: options, accounts, the disbursements of the report date,
// and each owner's header and opening block.
#include "component/report_run.h"

#include <exception>

#include "core/com_error.h"
#include "core/convert.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/regional.h"
#include "accounts/account_cache.h"
#include "sections/company_block.h"
#include "sections/memo.h"
#include "sections/property_list.h"
#include "sections/record_fields.h"

void clsReport::ProduceReport(const std::string& ReportFilename) {
  component::ReportRun run(*this);
  run.Produce(ReportFilename);
}

namespace component {

using sections::FieldOf;
using sections::TextOf;

ReportRun::ReportRun(clsReport& owner) : cls_(owner), report_(*owner.objReport) {}

void ReportRun::Produce(const std::string& ReportFilename) {
  try {
    Steps(ReportFilename);
  } catch (const core::ComError& e) {
    platform::MsgBox("Error printing report - " + e.description());
  } catch (const std::exception& e) {
    platform::MsgBox(std::string("Error printing report - ") + e.what());
  }
}

void ReportRun::Steps(const std::string& ReportFilename) {
  report_.LoadDefinition(platform::JoinPath(platform::ComponentFolder(), ReportFilename + ".rdn"));
  sections::GetCompanyName(report_);

  std::string options_sql = "select * from options";
  General::DataCreateSet(OptionSet, options_sql);
  AccountCache::CacheAccounts();

  const core::Date report_date =
      core::ToDate(core::Variant(cls_.GetParam("DateTo", platform::Now())));
  std::string owner_sql =
      "select * from owner inner join disbursement on owner.code = disbursement.owner where "
      "disbursement.date = " +
      General::SQLDate(report_date) + " order by code";
  General::DataCreateSet(OwnerSet, owner_sql);

  notes_ = sections::ReadsTrue(cls_.GetParam("bNotes", false));
  if (General::DataIsEmpty(OwnerSet)) {
    platform::MsgBox("There were no disbursements done on " +
                     cls_.GetParam("DateTo", platform::Now()));
  }
  if (cls_.progress_) {
    std::string count = General::LookupValue(
        "count(*)", "(select distinct owner from disbursement where date = " +
                        General::SQLDate(report_date) + ")", "", "0");
    owners_total_ = core::ToLong(core::Variant(count.empty() ? "0" : count));
  }

  std::string previous_owner;
  bool first_row = true;
  while (!General::DataEOF(OwnerSet)) {
    // The rows come in owner order, one per disbursement; an owner with two
    // disbursements on the date gets one statement that lists both.
    const std::string code = TextOf(OwnerSet, "code");
    if (first_row || code != previous_owner) {
      OwnerSteps();
      if (cls_.progress_) cls_.progress_(++owners_done_, owners_total_);
    }
    previous_owner = code;
    first_row = false;
    General::DataMoveNext(OwnerSet);
  }

  if (!contracts::IsEmailDestination(report_.Destination())) report_.EndReport();
}

void ReportRun::OwnerSteps() {
  DisburseDate = core::ToDate(FieldOf(OwnerSet, "date"));
  bOwnerStarted = false;
  OwnerIncome = OwnerExpense = OwnerTax = core::Currency();
  PropertyIncome = PropertyExpense = PropertyTax = core::Currency();
  TotalDisbursed = core::Currency();
  TotalFees = 0;
  owner_code_ = TextOf(OwnerSet, "code");

  const std::string previous = General::LookupValue(
      "top 1 date", "disbursement",
      " where owner = " + General::SQLText(owner_code_) +
          " and date < " + General::SQLDate(DisburseDate) + " order by date desc",
      "");
  DateFrom = previous.empty() ? platform::Now().AddYears(-100)
                              : core::ToDate(core::Variant(previous)).AddDays(1);
  // A first disbursement dated more than a hundred years back would fall
  // outside its own period, and its owner would get no statement at all.
  if (DisburseDate < DateFrom) DateFrom = DisburseDate;

  FillHeader();
  TransactionsSection();
  DisbursementSection();

  if (contracts::IsEmailDestination(report_.Destination())) {
    report_.SetEmailTo(TextOf(OwnerSet, "email"));
    report_.SetEmailSubject("Rental Summary");
    report_.EndReport();
  }
}

void ReportRun::FillHeader() {
  auto header = report_.Sections("Header");
  header->Fields("DateRange")
      ->SetText("Transaction from " + platform::FormatShortDate(DateFrom) + " to " +
                platform::FormatShortDate(DisburseDate));
  header->Fields("Owner")->SetText(TextOf(OwnerSet, "name"));

  const std::string postal[] = {TextOf(OwnerSet, "postal1"), TextOf(OwnerSet, "postal2"),
                                TextOf(OwnerSet, "postal3")};
  const bool use_street = (postal[0] + postal[1] + postal[2]).empty();
  const char* street_columns[] = {"street1", "street2", "street3"};
  const char* address_fields[] = {"Address1", "Address2", "Address3"};
  for (int i = 0; i < 3; ++i) {
    header->Fields(address_fields[i])
        ->SetText(use_street ? TextOf(OwnerSet, street_columns[i]) : postal[i]);
  }
}

void ReportRun::BeginOwner() {
  if (report_.PageHasOutput() != 0) report_.NewPage();
  report_.PrintSection("Header");
  sections::PrintOwnerPropertyList(report_, owner_code_, OptionSet,
                                   sections::ReadsTrue(cls_.GetParam("bDetailed", false)));
  sections::PrintOwnerNotes(report_, owner_code_);
  bOwnerStarted = true;
}

bool ReportRun::AnyTaxOption() {
  return sections::FlagOf(OptionSet, "TaxExpense") || sections::FlagOf(OptionSet, "TaxIncome") ||
         sections::FlagOf(OptionSet, "TaxDisburse");
}

std::string ReportRun::Amount(const core::Variant& value) {
  return platform::Format(value, sections::NumberFormatWithComma());
}

}  // namespace component
