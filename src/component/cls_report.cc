// clsReport: the parameter store, PrintReport, UseParameter, the print-button
// handler, and the public building blocks, which delegate to the sections.
#include "component/cls_report.h"

#include "component/report_run.h"
#include "component/transactions_section.h"

#include <algorithm>
#include <cctype>

#include "core/com_error.h"
#include "core/convert.h"
#include "data/general.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/object_factory.h"
#include "accounts/account_cache.h"
#include "sections/company_block.h"
#include "sections/memo.h"
#include "sections/property_list.h"
#include "rent/rent_periods.h"
#include "sections/record_fields.h"

namespace {

std::string FoldCase(const std::string& s) {
  std::string out = s;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

namespace component {

std::string DefinitionPath(const std::string& name) {
  return platform::JoinPath(platform::ComponentFolder(), name + ".rdn");
}

}  // namespace component

clsReport::~clsReport() {
  if (objReport) objReport->Advise(nullptr);
}

void clsReport::PrintReport(const std::string& ReportFilename) {
  sReportFilename = ReportFilename;
  last_outcome_ = component::RunOutcome();
  if (!platform::PlainFileExists(component::DefinitionPath(ReportFilename))) return;

  General::StartADO();

  auto report = platform::CreateObjectAs<contracts::Report>(contracts::kReportProgId);
  if (objReport) objReport->Advise(nullptr);
  objReport = std::move(report);
  objReport->Advise(this);

  ProduceReport(ReportFilename);
}

void clsReport::SetParam(const std::string& ParamName, const core::Variant& ParamValue) {
  const auto [it, inserted] = colParams.emplace(FoldCase(ParamName), ParamValue);
  if (!inserted) {
    throw core::ComError(core::kErrDuplicateKey,
                         "The parameter '" + ParamName + "' is already set");
  }
}

std::string clsReport::GetParam(const std::string& name, const core::Variant& default_value) const {
  try {
    auto it = colParams.find(FoldCase(name));
    if (it != colParams.end()) return core::ToText(it->second);
  } catch (const core::ComError&) {
    // A value without a text form (Null, an object) reads as the default.
  }
  try {
    return core::ToText(default_value);
  } catch (const core::ComError&) {
    return "";
  }
}

bool clsReport::UseParameter(const std::string& ParamName) {
  return ParamName == "bToEnabled" || ParamName == "bNotes" || ParamName == "bDetailed";
}

void clsReport::ProduceReport(const std::string& ReportFilename) {
  component::RunParameters parameters;
  parameters.date_to = GetParam("DateTo", platform::Now());
  parameters.notes = sections::ReadsTrue(GetParam("bNotes", false));
  parameters.detailed = sections::ReadsTrue(GetParam("bDetailed", false));
  parameters.keep_lines = keep_lines_;
  component::ReportRun run(*objReport, std::move(parameters), progress_);
  last_outcome_ = run.Produce(component::DefinitionPath(ReportFilename));
}

void clsReport::PrintToPrinterButton() {
  if (!objReport) return;
  objReport->SetDestination(contracts::kDestinationPrinter);
  ProduceReport(sReportFilename);
}

std::string clsReport::ReportLogoFilename() { return sections::ReportLogoFilename(); }

std::string clsReport::NumberFormatWithComma() { return sections::NumberFormatWithComma(); }

void clsReport::PrintMemoField(const std::string& sMemo, const std::string& sSection,
                               const std::string& sField) {
  if (sMemo.empty()) return;
  if (!objReport) throw core::ComError(core::kErrObjectNotSet, "No report is open to print on");
  sections::PrintMemoField(*objReport, sMemo, sSection, sField);
}

void clsReport::GetCompanyName(const std::shared_ptr<contracts::Report>& report) {
  if (!report) throw core::ComError(core::kErrObjectNotSet, "No report was given for the company block");
  sections::GetCompanyName(*report);
}

void clsReport::AddHeaderLine(contracts::ReportSection& section, const std::string& field_name,
                              const std::string& text) {
  sections::AddHeaderLine(objReport.get(), section, field_name, text);
}

void clsReport::PrintOwnerNotes(const std::string& owner_code) {
  sections::PrintOwnerNotes(*objReport, owner_code);
}

void clsReport::PrintOwnerPropertyList(const std::string& sOwner, const RecordsetPtr& OptionSet) {
  if (!objReport) throw core::ComError(core::kErrObjectNotSet, "No report is open to print on");
  sections::PrintOwnerPropertyList(*objReport, sOwner, OptionSet,
                                   sections::ReadsTrue(GetParam("bDetailed", false)));
}

std::string clsReport::FrequencyDescription(int16_t Number, const std::string& Every) {
  return sections::FrequencyDescription(Number, Every);
}

std::string clsReport::GLDescription(const std::string& sCode, int16_t iType) {
  return AccountCache::GLDescription(sCode, iType);
}

void clsReport::CacheAccounts() { AccountCache::CacheAccounts(); }

core::Currency clsReport::BalanceOwing(const std::string& sTenant, const RecordsetPtr& OptionSet) {
  return sections::BalanceOwing(sTenant, OptionSet);
}

clsReport::RecordsetPtr clsReport::GetJournals(const std::string& OwnerCode,
                                               const core::Date& DateFrom,
                                               const core::Date& DateTo) {
  return component::GetJournals(OwnerCode, DateFrom, DateTo);
}

core::Date clsReport::PaidToDate(const std::string& sTenant, const RecordsetPtr& OptionSet) {
  return RentPeriods::PaidToDate(sTenant, OptionSet, 0);
}
