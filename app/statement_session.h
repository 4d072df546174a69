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

#include "app/run_register.h"
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
  bool render = true;   // false: lay out and trace only, write no PDF or e-mail
  std::string printer;  // "" takes the setting Configure/Printer
  // Deliver again what an earlier run delivered with the same content.
  bool resend = false;
  // Write OUT/register-DATE.csv and .json after every run that reached its
  // owners; and OUT/journal-DATE.csv, every printed line, when asked.
  bool write_register = true;
  bool export_journal = false;
  // Keep a preview's laid-out pages for the review window
  // (report_engine::KeptPreview of the session's engine).
  bool keep_preview = false;
};

// What a run of the session did: the component's outcome, and the
// session's own work after it.
struct SessionOutcome {
  component::RunOutcome run;
  std::string register_path;  // the register's CSV; "" when none was written
  std::string journal_path;   // the export; "" when none was asked for
  Reconciliation reconciliation;
  // How many problems `dunmerrow check-database --date D` finds among the
  // owners and disbursements of the report date.
  int data_problems = 0;
};

// Names the database of every later run explicitly (the command's
// --database): a run first checks that it opens, and fails with the reason,
// before anything is printed, when it does not. "" forgets it: later runs
// find the database through the settings again, without the overrides of
// "Networkable" and "DatabaseLocation" that naming it had set.
void UseDatabase(const std::string& path);

// Tells the session that a setting that finds the database has changed, so
// that the next host operation opens the database afresh.
void DatabaseSettingsChanged();

// Opens the database for an operation a host calls outside a run, as a run
// opens it: a database named with UseDatabase must open, then StartADO.
// Does nothing, and returns false, when the calling thread has the database
// open already (from a run or an earlier call) and nothing that finds it
// has changed since; returns true when it opened it.
// Raises ComError 3024 "cannot open the database 'PATH': WHY" for a named
// database that does not open, and "cannot open the host's database: STATUS"
// when StartADO fails (StartADO has shown its own messages then).
bool OpenDatabaseForHost();

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
  // folder) to the output of this moment, holding the output folder's lock
  // (FolderLock) for the run, then writes the register. The run's failure is
  // the component's (its message was shown), 53 "there is no report
  // definition 'PATH'" when the file is missing (the component still
  // remembers the name for the print button), or that of an explicit
  // database that does not open, of a trace or a register that cannot be
  // written. Raises ComError, before anything is printed, when a setting the
  // engine needs cannot be read, the engine cannot be created, or the output
  // folder cannot be written or is in use by another run.
  SessionOutcome Print(const std::string& definition);

  // The print button of the last run's report: the observer is told, then
  // the same report runs again to the printer on the same engine object.
  // Raises ComError 91 when no report has run yet.
  SessionOutcome PressPrintButton();

  clsReport& component() { return *component_; }
  // The last run's report engine object; null before the first run.
  contracts::Report* engine() const { return component_->report().get(); }

 private:
  void PrintToPrinterButton() override;
  // The session's work after a run of the component.
  SessionOutcome Finish(component::RunOutcome run, const OutputOptions& output);

  std::shared_ptr<clsReport> component_;
  std::function<void()> print_button_observer_;
};

}  // namespace app

#endif  // DUNMERROW_APP_STATEMENT_SESSION_H_
