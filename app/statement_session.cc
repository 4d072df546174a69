// The statement session: engines by ProgID, the engine's options, message
// routing, and runs of the component that return their outcome.
#include "app/statement_session.h"

#include <mutex>
#include <optional>

#include "app/host_settings.h"
#include "core/com_error.h"
#include "data/database_check.h"
#include "data/general.h"
#include "data/registry.h"
#include "engines/jet/jet_engine.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/object_factory.h"
#include "platform/trace.h"

namespace app {
namespace {

struct SessionState {
  std::mutex mutex;
  OutputOptions output;
  std::string database;  // named explicitly; "" when the settings find it
  bool registered = false;
  // Counts the changes of what finds the database.
  uint64_t database_version = 0;
};

// The database_version at which the calling thread's database was opened.
thread_local std::optional<uint64_t> t_database_version;

// How long a run waits for another run or send to leave the output folder.
constexpr double kFolderLockWaitSeconds = 3;

SessionState& State() {
  static SessionState state;
  return state;
}

// A run whose trace could not be written has not done what it was asked.
component::RunOutcome WithTraceFailure(component::RunOutcome outcome) {
  if (outcome.failure) return outcome;
  if (const auto failure = platform::TraceFailure()) {
    outcome.failure = component::RunFailure{failure->number(), failure->description()};
  }
  return outcome;
}

std::string ExplicitDatabase() {
  std::lock_guard lock(State().mutex);
  return State().database;
}

uint64_t DatabaseVersion() {
  std::lock_guard lock(State().mutex);
  return State().database_version;
}

// Raises 3024 naming the database named for the run when it does not open.
void CheckExplicitDatabase() {
  const std::string database = ExplicitDatabase();
  if (database.empty()) return;
  // A database named for the run must be that one: the settings' fallback
  // would print another database's statements.
  try {
    platform::CreateObjectAs<contracts::DBEngine>(contracts::kDBEngineProgId)
        ->OpenDatabase(database, false, true, "");
  } catch (const core::ComError& e) {
    throw core::ComError(e.number(),
                         "cannot open the database '" + database + "': " + e.description());
  }
}

}  // namespace

void StartSession(MessagePresenter present) {
  platform::SetMessageSink([present = std::move(present)](const std::string& text,
                                                          const std::string& title) {
    // A message is always shown; a trace that cannot be written is the run's
    // failure (TraceFailure), told with its outcome.
    try {
      if (platform::TraceEnabled()) {
        platform::WriteTrace(
            platform::JsonLine().Add("op", "message").Add("title", title).Add("text", text));
      }
    } catch (const core::ComError&) {
    }
    present(text, title);
  });
  std::lock_guard lock(State().mutex);
  if (State().registered) return;
  // The engine reads its options when it is made, at the start of a run, so
  // a run always goes to the output of its own moment.
  platform::RegisterFactory(contracts::kReportProgId,
                            [] { return report_engine::CreateReport(EngineOptionsNow()); });
  platform::RegisterFactory(contracts::kDBEngineProgId, [] { return jet::CreateDBEngine(); });
  platform::RegisterFactory(kComponentProgId, [] { return std::make_shared<clsReport>(); });
  State().registered = true;
}

void UseDatabase(const std::string& path) {
  bool was_named;
  {
    std::lock_guard lock(State().mutex);
    was_named = !State().database.empty();
    State().database = path;
    ++State().database_version;
  }
  if (path.empty()) {
    if (!was_named) return;
    Registry::ClearOverride("Settings", "Networkable");
    Registry::ClearOverride("Settings", "DatabaseLocation");
    return;
  }
  Registry::SetOverride("Settings", "Networkable", "1");
  Registry::SetOverride("Settings", "DatabaseLocation", path);
}

void DatabaseSettingsChanged() {
  std::lock_guard lock(State().mutex);
  ++State().database_version;
}

bool OpenDatabaseForHost() {
  const uint64_t version = DatabaseVersion();
  if (General::DataDb() && t_database_version == version) return false;
  CheckExplicitDatabase();
  if (!General::StartADO()) {
    throw core::ComError(core::kErrCannotOpen,
                         "cannot open the host's database: " + General::DbStatus());
  }
  t_database_version = version;
  return true;
}

void SetOutput(const OutputOptions& output) {
  std::lock_guard lock(State().mutex);
  State().output = output;
}

OutputOptions Output() {
  std::lock_guard lock(State().mutex);
  return State().output;
}

report_engine::EngineOptions EngineOptionsNow() {
  const OutputOptions output = Output();
  report_engine::EngineOptions options;
  options.output_folder = output.folder;
  options.destination = output.destination;
  options.render = output.render;
  options.resend = output.resend;
  options.worker = WorkerFromSettings();
  options.keep_preview = output.keep_preview;
  options.printer = output.printer.empty() ? PrinterFromSettings() : output.printer;
  // The mail server matters to the e-mail destinations only: a mistake in
  // its settings must not stop a preview or a print.
  try {
    options.smtp = SmtpFromSettings();
  } catch (const core::ComError&) {
    if (contracts::IsEmailDestination(output.destination)) throw;
  }
  return options;
}

StatementSession::StatementSession()
    : component_(platform::CreateObjectAs<clsReport>(kComponentProgId)) {}

StatementSession::~StatementSession() {
  if (contracts::Report* report = engine()) report->Advise(nullptr);
}

void StatementSession::SetParam(const std::string& name, const core::Variant& value) {
  component_->SetParam(name, value);
}

bool StatementSession::UseParameter(const std::string& name) {
  return component_->UseParameter(name);
}

void StatementSession::SetProgressSink(std::function<void(int, int)> sink) {
  component_->SetProgressSink(std::move(sink));
}

void StatementSession::SetPrintButtonObserver(std::function<void()> observer) {
  print_button_observer_ = std::move(observer);
}

SessionOutcome StatementSession::Print(const std::string& definition) {
  // A setting the engine cannot read is told before the database is opened.
  EngineOptionsNow();
  const OutputOptions output = Output();
  const platform::FolderLock lock(output.folder, kFolderLockWaitSeconds);
  const uint64_t version = DatabaseVersion();
  try {
    CheckExplicitDatabase();
  } catch (const core::ComError& e) {
    component::RunOutcome refused;
    refused.ran = true;
    refused.failure = component::RunFailure{e.number(), e.description()};
    SessionOutcome outcome;
    outcome.run = std::move(refused);
    return outcome;
  }
  component_->KeepPrintedLines(output.export_journal);
  const std::shared_ptr<contracts::Database> database_before = General::DataDb();
  component_->PrintReport(definition);
  // The run opened the database the settings of this moment find.
  if (General::DataDb() && General::DataDb() != database_before) t_database_version = version;
  // The engine's event comes here first, so the host hears of the button.
  if (contracts::Report* report = engine()) report->Advise(this);
  component::RunOutcome run = component_->LastOutcome();
  if (!run.ran) {
    run.failure = component::RunFailure{
        core::kErrFileNotFound,
        "there is no report definition '" + component::DefinitionPath(definition) + "'"};
    SessionOutcome outcome;
    outcome.run = std::move(run);
    return outcome;
  }
  return Finish(std::move(run), output);
}

SessionOutcome StatementSession::PressPrintButton() {
  contracts::Report* report = engine();
  if (!report) throw core::ComError(core::kErrObjectNotSet, "no report has run on this object yet");
  const OutputOptions output = Output();
  const platform::FolderLock lock(output.folder, kFolderLockWaitSeconds);
  report_engine::PressPrintButton(*report);
  return Finish(component_->LastOutcome(), output);
}

SessionOutcome StatementSession::Finish(component::RunOutcome run, const OutputOptions& output) {
  SessionOutcome outcome;
  outcome.run = WithTraceFailure(std::move(run));
  // A run that stopped before its owners has nothing to account for.
  if (!outcome.run.report_date) return outcome;
  try {
    outcome.reconciliation = Reconcile(outcome.run);
    if (output.write_register) {
      outcome.register_path = WriteRegister(output.folder, outcome.run, outcome.reconciliation);
    }
    if (output.export_journal) {
      outcome.journal_path = WriteJournalExport(output.folder, outcome.run);
    }
  } catch (const core::ComError& e) {
    if (!outcome.run.failure) {
      outcome.run.failure = component::RunFailure{e.number(), e.description()};
    }
  }
  try {
    outcome.data_problems =
        static_cast<int>(data::ProblemsForDate(*outcome.run.report_date).size());
  } catch (const core::ComError&) {
    // The data check reads what the run read; a table it cannot query is
    // check-database's to report.
  }
  return outcome;
}

void StatementSession::PrintToPrinterButton() {
  if (print_button_observer_) print_button_observer_();
  component_->PrintToPrinterButton();
}

}  // namespace app
