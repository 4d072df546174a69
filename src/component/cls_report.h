// clsReport: the component's one creatable class. The host stores named
// parameters with SetParam and starts a run with PrintReport; the other
// public operations are the run's building blocks, offered to the host too.
// Every call, and the engine's print-button event, arrives on the thread that
// created the object.
#ifndef DUNMERROW_COMPONENT_CLS_REPORT_H_
#define DUNMERROW_COMPONENT_CLS_REPORT_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "component/run_outcome.h"
#include "contracts/database.h"
#include "contracts/report.h"
#include "core/currency.h"
#include "core/date.h"
#include "core/variant.h"

// The ProgID the host creates the component by.
inline constexpr char kComponentProgId[] = "Dunmerrow.clsReport";

namespace component {

// The report definition NAME.rdn in the component's folder: where PrintReport
// and every run look for the definition `name` (used unchanged).
std::string DefinitionPath(const std::string& name);

}  // namespace component

class clsReport : public core::Object, public contracts::ReportEvents {
 public:
  using RecordsetPtr = std::shared_ptr<contracts::Recordset>;

  clsReport() = default;
  ~clsReport() override;
  clsReport(const clsReport&) = delete;
  clsReport& operator=(const clsReport&) = delete;

  // Public operations, in interface order.

  // Runs the report named `ReportFilename` (the definition NAME.rdn in the
  // component's folder). Returns silently when there is no such plain file.
  // Raises only when the report engine cannot be created.
  void PrintReport(const std::string& ReportFilename);
  // Stores a parameter; a name already stored (in any letter case) raises
  // 457 and keeps the first value.
  void SetParam(const std::string& ParamName, const core::Variant& ParamValue);
  std::string ReportLogoFilename();
  std::string NumberFormatWithComma();
  void PrintMemoField(const std::string& sMemo, const std::string& sSection,
                      const std::string& sField);
  void GetCompanyName(const std::shared_ptr<contracts::Report>& objReport);
  bool UseParameter(const std::string& ParamName);
  void PrintOwnerPropertyList(const std::string& sOwner, const RecordsetPtr& OptionSet);
  std::string FrequencyDescription(int16_t Number, const std::string& Every);
  std::string GLDescription(const std::string& sCode, int16_t iType);
  void CacheAccounts();
  core::Currency BalanceOwing(const std::string& sTenant, const RecordsetPtr& OptionSet);
  RecordsetPtr GetJournals(const std::string& OwnerCode, const core::Date& DateFrom,
                           const core::Date& DateTo);

  // The engine's print-button event: the same report again, to the printer.
  void PrintToPrinterButton() override;

  // Host conveniences of this platform (not part of the host's interface).

  // The date to which the tenant's rent is paid as of today, as the
  // property list prints it beside the balance owing; the zero date for a
  // tenant without rent periods. Never raises.
  core::Date PaidToDate(const std::string& sTenant, const RecordsetPtr& OptionSet);
  const std::shared_ptr<contracts::Report>& report() const { return objReport; }
  const std::string& report_filename() const { return sReportFilename; }
  // Called after each statement with (statements done, statements of the date).
  void SetProgressSink(std::function<void(int, int)> sink) { progress_ = std::move(sink); }
  // What the last run (of PrintReport or the print button) did. Before the
  // first run, and after a PrintReport that found no definition, an outcome
  // whose `ran` is false.
  const component::RunOutcome& LastOutcome() const { return last_outcome_; }
  // Whether later runs keep every journal and disbursement line they print
  // in their outcome (for an export); off at first.
  void KeepPrintedLines(bool keep) { keep_lines_ = keep; }

 private:
  friend class ClsReportPeer;  // tests read GetParam

  // The stored value as text, or `default_value`'s text when absent or
  // without a text form. Never raises.
  std::string GetParam(const std::string& name, const core::Variant& default_value) const;
  void ProduceReport(const std::string& ReportFilename);
  void AddHeaderLine(contracts::ReportSection& section, const std::string& field_name,
                     const std::string& text);
  void PrintOwnerNotes(const std::string& owner_code);

  // Keys folded to lower case; values stored unchanged.
  std::map<std::string, core::Variant> colParams;
  std::string sReportFilename;
  std::shared_ptr<contracts::Report> objReport;
  std::function<void(int, int)> progress_;
  component::RunOutcome last_outcome_;
  bool keep_lines_ = false;
};

#endif  // DUNMERROW_COMPONENT_CLS_REPORT_H_
