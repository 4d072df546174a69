// The statement session: the one way into a run, for the `dunmerrow` command
// and the C API alike. It registers the engines, builds the report engine's
// options from the host's settings and the host's output choice, routes the
// messages to the trace and to the host, creates the component, sets its
// parameters, runs it and returns the run's outcome.
#ifndef DUNMERROW_APP_STATEMENT_SESSION_H_
#define DUNMERROW_APP_STATEMENT_SESSION_H_

#include <functional>
#include <memory>
#include <string>

#include "component/cls_report.h"
#include "component/run_outcome.h"
#include "contracts/report.h"
#include "core/variant.h"
#include "engines/report/report_engine.h"

namespace app {

// Where the statements go. One choice for the process: every run started
// after SetOutput, in any thread, uses it.
struct OutputOptions {
  std::string folder = "statements";
  int32_t destination = contracts::kDestinationPreview;
  bool render = true;   // false: lay out and trace only, write no files
  std::string printer;  // "" takes the setting Configure/Printer
};

// Shows one message to the user and returns when it has been seen.
using MessagePresenter = std::function<void(const std::string& text, const std::string& title)>;

// Registers the report engine, the database engine and the component by
// their ProgIDs (the first call does; later ones only change the presenter)
// and makes `present` the way messages reach the user. Every message is
// written to the trace, when one is open, before it is shown.
void StartSession(MessagePresenter present);

void SetOutput(const OutputOptions& output);
OutputOptions Output();

// The report engine's options for a run that starts now: the output, the
// printer (the output's, else the setting Configure/Printer) and the mail
// server of the settings section "Mail". Raises ComError naming a setting
// that cannot be read; a mail setting only for the e-mail destinations.
report_engine::EngineOptions EngineOptionsNow();

// One report object of a host: the component and its parameters, run as
// often as the host likes, always on the thread that created it.
class StatementSession : private contracts::ReportEvents {
 public:
  // Raises ComError 429 when the component cannot be created.
  StatementSession();
  ~StatementSession() override;
  StatementSession(const StatementSession&) = delete;
  StatementSession& operator=(const StatementSession&) = delete;

  // The component's SetParam: raises 457 for a name already stored.
  void SetParam(const std::string& name, const core::Variant& value);
  bool UseParameter(const std::string& name);
  // Told after each statement with (statements done, statements of the date).
  void SetProgressSink(std::function<void(int, int)> sink);
  // Told when the print button is pressed, before the report runs again.
  void SetPrintButtonObserver(std::function<void()> observer);

  // Runs the report `definition` (definition + ".rdn" in the component's
  // folder) to the output of this moment. The outcome's failure is the run's
  // (its message was shown), or 53 "there is no report definition 'PATH'"
  // when the file is missing (the component still remembers the name for the
  // print button). Raises ComError, before anything is printed, when a
  // setting the engine needs cannot be read or the engine cannot be created.
  component::RunOutcome Print(const std::string& definition);

  // The print button of the last run's report: the observer is told, then
  // the same report runs again to the printer on the same engine object.
  // Raises ComError 91 when no report has run yet.
  component::RunOutcome PressPrintButton();

  clsReport& component() { return *component_; }
  // The last run's report engine object; null before the first run.
  contracts::Report* engine() const { return component_->report().get(); }

 private:
  void PrintToPrinterButton() override;

  std::shared_ptr<clsReport> component_;
  std::function<void()> print_button_observer_;
};

}  // namespace app

#endif  // DUNMERROW_APP_STATEMENT_SESSION_H_
