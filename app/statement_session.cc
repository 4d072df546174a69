// The statement session: engines by ProgID, the engine's options, message
// routing, and runs of the component that return their outcome.
#include "app/statement_session.h"

#include <mutex>

#include "app/host_settings.h"
#include "core/com_error.h"
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
  bool registered = false;
};

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

component::RunOutcome StatementSession::Print(const std::string& definition) {
  // A setting the engine cannot read is told before the database is opened.
  EngineOptionsNow();
  component_->PrintReport(definition);
  // The engine's event comes here first, so the host hears of the button.
  if (contracts::Report* report = engine()) report->Advise(this);
  component::RunOutcome outcome = WithTraceFailure(component_->LastOutcome());
  if (!outcome.ran) {
    outcome.failure = component::RunFailure{
        core::kErrFileNotFound,
        "there is no report definition '" + component::DefinitionPath(definition) + "'"};
  }
  return outcome;
}

component::RunOutcome StatementSession::PressPrintButton() {
  contracts::Report* report = engine();
  if (!report) throw core::ComError(core::kErrObjectNotSet, "no report has run on this object yet");
  report_engine::PressPrintButton(*report);
  return WithTraceFailure(component_->LastOutcome());
}

void StatementSession::PrintToPrinterButton() {
  if (print_button_observer_) print_button_observer_();
  component_->PrintToPrinterButton();
}

}  // namespace app
