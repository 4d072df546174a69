// The report run: options, accounts, the disbursements of the report date,
// each owner's header and sections, and the outcome of it all.
#include "component/report_run.h"

#include <algorithm>
#include <exception>

#include "accounts/account_cache.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/regional.h"
#include "sections/company_block.h"
#include "sections/record_fields.h"

namespace component {

using sections::FieldOf;
using sections::TextOf;

ReportRun::ReportRun(contracts::Report& report, RunParameters parameters, ProgressSink progress)
    : context_{report, dynamic_cast<contracts::StatementDocuments*>(&report), nullptr,
               parameters.notes, parameters.detailed, parameters.keep_lines},
      parameters_(std::move(parameters)),
      progress_(std::move(progress)),
      transactions_(context_),
      disbursements_(context_) {}

RunOutcome ReportRun::Produce(const std::string& definition_path) {
  outcome_ = RunOutcome();
  outcome_.ran = true;
  try {
    Steps(definition_path);
    return outcome_;
  } catch (const core::ComError& e) {
    outcome_.failure = RunFailure{e.number(), e.description(), true};
  } catch (const std::exception& e) {
    outcome_.failure = RunFailure{core::kErrInternal, e.what(), true};
  }
  // The statements ended before the failure are still delivered; when one
  // of them fails, that failure is where the run stopped.
  std::string behind;
  if (context_.documents) {
    try {
      context_.documents->Settle();
    } catch (const core::ComError& e) {
      outcome_.failure = RunFailure{e.number(), e.description(), true};
    } catch (const std::exception& e) {
      outcome_.failure = RunFailure{core::kErrInternal, e.what(), true};
    }
    behind = context_.documents->FailedStatement();
  }
  platform::MsgBox("Error printing report - " + outcome_.failure->description);
  const contracts::Delivery failed{contracts::DeliveryState::kFailed, "",
                                   outcome_.failure->description};
  // A statement that failed behind the run, while later owners were laid
  // out: the run stopped in that one, and the later ones were not delivered.
  if (!behind.empty()) {
    auto stopped = std::find_if(outcome_.owners.rbegin(), outcome_.owners.rend(),
                                [&behind](const OwnerOutcome& o) { return o.owner_code == behind; });
    if (stopped != outcome_.owners.rend()) {
      stopped->delivery = failed;
      outcome_.owners.erase(stopped.base(), outcome_.owners.end());
      owner_.reset();
      return outcome_;
    }
  }
  // The owner the run stopped in failed, with what it had printed so far; so
  // did every owner waiting for the one document, when that one failed.
  if (owner_) {
    RecordOwner(*owner_);
    outcome_.owners.back().delivery = failed;
  } else {
    for (OwnerOutcome& owner : outcome_.owners) {
      if (owner.delivery.state == contracts::DeliveryState::kNone) owner.delivery = failed;
    }
  }
  return outcome_;
}

void ReportRun::Steps(const std::string& definition_path) {
  contracts::Report& report = context_.report;
  report.LoadDefinition(definition_path);
  sections::GetCompanyName(report);

  std::string options_sql = "select * from options";
  General::DataCreateSet(context_.option_set, options_sql);
  AccountCache::CacheAccounts();

  const core::Date report_date = core::ToDate(core::Variant(parameters_.date_to));
  outcome_.report_date = report_date;
  if (context_.documents) context_.documents->SetReportDate(report_date);
  std::string owner_sql =
      "select * from owner inner join disbursement on owner.code = disbursement.owner where "
      "disbursement.date = " +
      General::SQLDate(report_date) + " order by code";
  General::DataCreateSet(owner_set_, owner_sql);

  if (General::DataIsEmpty(owner_set_)) {
    platform::MsgBox("There were no disbursements done on " + parameters_.date_to);
  }
  if (progress_) {
    std::string count = General::LookupValue(
        "count(*)", "(select distinct owner from disbursement where date = " +
                        General::SQLDate(report_date) + ")", "", "0");
    owners_total_ = core::ToLong(core::Variant(count.empty() ? "0" : count));
  }

  std::string previous_owner;
  bool first_row = true;
  while (!General::DataEOF(owner_set_)) {
    // The rows come in owner order, one per disbursement; an owner with two
    // disbursements on the date gets one statement that lists both.
    const std::string code = TextOf(owner_set_, "code");
    if (first_row || code != previous_owner) {
      OwnerSteps();
      if (progress_) progress_(static_cast<int>(outcome_.owners.size()), owners_total_);
    }
    previous_owner = code;
    first_row = false;
    General::DataMoveNext(owner_set_);
  }

  if (contracts::IsEmailDestination(report.Destination())) {
    // The engine may still be writing the last statements.
    if (context_.documents) context_.documents->Settle();
    return;
  }
  report.EndReport();
  // Every statement of the run is in the one document just delivered.
  const contracts::Delivery delivery = LastDelivery();
  for (OwnerOutcome& owner : outcome_.owners) owner.delivery = delivery;
}

void ReportRun::OwnerSteps() {
  contracts::Report& report = context_.report;
  outcome_.owners.emplace_back();
  OwnerStatement& owner = owner_.emplace();
  owner.disburse_date = core::ToDate(FieldOf(owner_set_, "date"));
  owner.code = TextOf(owner_set_, "code");
  if (context_.documents) context_.documents->BeginStatement(owner.code);

  const std::string previous = General::LookupValue(
      "top 1 date", "disbursement",
      " where owner = " + General::SQLText(owner.code) +
          " and date < " + General::SQLDate(owner.disburse_date) + " order by date desc",
      "");
  owner.date_from = previous.empty() ? platform::Now().AddYears(-100)
                                     : core::ToDate(core::Variant(previous)).AddDays(1);
  // A first disbursement dated more than a hundred years back would fall
  // outside its own period, and its owner would get no statement at all.
  if (owner.disburse_date < owner.date_from) owner.date_from = owner.disburse_date;

  FillHeader(owner);
  General::RecordsetPtr section_set = transactions_.Print(owner);
  disbursements_.Print(owner, std::move(section_set));
  RecordOwner(owner);

  if (contracts::IsEmailDestination(report.Destination())) {
    report.SetEmailTo(TextOf(owner_set_, "email"));
    report.SetEmailSubject("Rental Summary");
    report.EndReport();
    outcome_.owners.back().delivery = LastDelivery();
  }
  owner_.reset();
}

void ReportRun::FillHeader(OwnerStatement& owner) {
  auto header = context_.report.Sections("Header");
  header->Fields("DateRange")
      ->SetText("Transaction from " + platform::FormatShortDate(owner.date_from) + " to " +
                platform::FormatShortDate(owner.disburse_date));
  owner.name = TextOf(owner_set_, "name");
  header->Fields("Owner")->SetText(owner.name);

  const std::string postal[] = {TextOf(owner_set_, "postal1"), TextOf(owner_set_, "postal2"),
                                TextOf(owner_set_, "postal3")};
  const bool use_street = (postal[0] + postal[1] + postal[2]).empty();
  const char* street_columns[] = {"street1", "street2", "street3"};
  const char* address_fields[] = {"Address1", "Address2", "Address3"};
  for (int i = 0; i < 3; ++i) {
    header->Fields(address_fields[i])
        ->SetText(use_street ? TextOf(owner_set_, street_columns[i]) : postal[i]);
  }
}

void ReportRun::RecordOwner(const OwnerStatement& owner) {
  OwnerOutcome& out = outcome_.owners.back();
  out.owner_code = owner.code;
  out.owner_name = owner.name;
  // The address is the e-mail destinations' business; for the others it is
  // only noted, and a database without the column still prints.
  try {
    out.email = TextOf(owner_set_, "email");
  } catch (const core::ComError&) {
    out.email.clear();
  }
  out.period_from = owner.date_from;
  out.period_to = owner.disburse_date;
  if (owner.started && owner.first_page > 0) {
    out.first_page = owner.first_page;
    out.pages = PageCount() - owner.first_page + 1;
  }
  out.income = owner.income;
  out.expense = owner.expense;
  out.tax = owner.tax;
  out.fees = owner.total_fees;
  out.disbursed = owner.total_disbursed;
  out.destination = context_.report.Destination();
  out.lines = owner.lines;
}

contracts::Delivery ReportRun::LastDelivery() const {
  return context_.documents ? context_.documents->LastDelivery() : contracts::Delivery{};
}

int32_t ReportRun::PageCount() const {
  return context_.documents ? context_.documents->PageCount() : 0;
}

}  // namespace component
