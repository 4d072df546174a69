// The C interface of include/dunmerrow/dunmerrow.h: report objects over
// clsReport, the process-wide settings and each thread's last error. Every
// entry point catches everything; no exception reaches a C caller.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <unordered_set>

#include "app/c_api_internal.h"
#include "app/statement_session.h"
#include "component/cls_report.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "core/date.h"
#include "core/variant.h"
#include "data/registry.h"
#include "dunmerrow/dunmerrow.h"
#include "platform/message_box.h"
#include "platform/regional.h"
#include "platform/trace.h"

namespace capi {
namespace {

struct LastError {
  int number = DUNMERROW_OK;
  std::string description;
};
thread_local LastError t_last_error;
thread_local MessageWatch* t_message_watch = nullptr;

// Texts of the component carry CR LF line breaks; a description is one line.
std::string OneLine(const std::string& text) {
  std::string out;
  bool in_break = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      in_break = true;
      continue;
    }
    if (in_break && !out.empty() && out.back() != ' ') out += ' ';
    in_break = false;
    out += c;
  }
  return out;
}

}  // namespace

int Succeed() {
  t_last_error.number = DUNMERROW_OK;
  t_last_error.description.clear();
  return DUNMERROW_OK;
}

int Fail(int number, const std::string& description) noexcept {
  // A failure must never read as success, whatever number it came with.
  if (number == DUNMERROW_OK) number = DUNMERROW_E_INTERNAL;
  t_last_error.number = number;
  try {
    t_last_error.description = description;
  } catch (...) {
    t_last_error.description.clear();
  }
  return number;
}

MessageWatch::MessageWatch() : outer_(t_message_watch) { t_message_watch = this; }

MessageWatch::~MessageWatch() { t_message_watch = outer_; }

void MessageWatch::Record(const std::string& text, const std::string& title) {
  if (shown_) return;
  shown_ = true;
  first_ = OneLine(title + ": " + text);
}

int LastErrorNumber() { return t_last_error.number; }

const char* LastErrorDescription() { return t_last_error.description.c_str(); }

char* CopyOut(const std::string& text) {
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (!copy) throw std::bad_alloc();
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

int NullArgument(const char* function, const char* argument) {
  return Fail(DUNMERROW_E_INVALID_ARGUMENT, std::string(function) + ": " + argument + " is NULL");
}

}  // namespace capi

namespace {

using capi::Check;
using capi::Fail;
using capi::Guard;
using capi::NullArgument;
using capi::Succeed;

// What every thread shares.
struct HostState {
  std::mutex mutex;
  bool registered = false;
  dunmerrow_message_callback message_callback = nullptr;
  void* message_data = nullptr;
  std::unordered_set<const dunmerrow_report*> live;
};

HostState& Host() {
  static HostState state;
  return state;
}

void ShowMessage(const std::string& text, const std::string& title) {
  if (capi::t_message_watch) capi::t_message_watch->Record(text, title);
  dunmerrow_message_callback callback;
  void* data;
  {
    std::lock_guard lock(Host().mutex);
    callback = Host().message_callback;
    data = Host().message_data;
  }
  if (callback) {
    callback(text.c_str(), title.c_str(), data);
  } else {
    platform::WriteMessageToStderr(text, title);
  }
}

// Starts the session once; the caller holds Host().mutex.
void RegisterLocked() {
  if (Host().registered) return;
  app::StartSession(ShowMessage);
  Host().registered = true;
}

void EnsureRegistered() {
  std::lock_guard lock(Host().mutex);
  RegisterLocked();
}

// Runs `body`, which returns the run's outcome, as one run of `report`:
// marks it busy, keeps the outcome, and maps it to the interface's result.
template <typename Body>
int RunReport(dunmerrow_report& report, const char* function, Body&& body) {
  struct Busy {
    dunmerrow_report& report;
    ~Busy() { report.busy = false; }
  } busy{report};
  report.busy = true;
  report.register_path.clear();
  report.journal_path.clear();
  app::SessionOutcome session = body();
  report.outcome = std::move(session.run);
  report.register_path = std::move(session.register_path);
  report.journal_path = std::move(session.journal_path);
  const component::RunOutcome& outcome = report.outcome;
  if (!outcome.ran && outcome.failure) {
    return Fail(DUNMERROW_E_DEFINITION_NOT_FOUND,
                std::string(function) + ": " + outcome.failure->description);
  }
  if (outcome.failure && outcome.failure->shown) {
    return Fail(DUNMERROW_E_RUN_FAILED, "Error printing report - " + outcome.failure->description);
  }
  if (outcome.failure) {
    return Fail(outcome.failure->number, std::string(function) + ": " + outcome.failure->description);
  }
  return Succeed();
}

int SetParam(dunmerrow_report* report, const char* function, const char* name,
             const core::Variant& value) {
  if (int error = Check(report, function)) return error;
  if (!name) return NullArgument(function, "name");
  if (!*name) return Fail(DUNMERROW_E_INVALID_ARGUMENT, std::string(function) + ": name is empty");
  report->session->SetParam(name, value);
  return Succeed();
}

bool ValidDestination(int destination) {
  switch (destination) {
    case DUNMERROW_DESTINATION_NONE:
    case DUNMERROW_DESTINATION_PREVIEW:
    case DUNMERROW_DESTINATION_PRINTER:
    case DUNMERROW_DESTINATION_EMAIL:
    case DUNMERROW_DESTINATION_OUTBOX:
    case DUNMERROW_DESTINATION_EMAIL_AND_OUTBOX:
      return true;
    default:
      return false;
  }
}

// A date of the outcome; day 0 of the calendar stands for a date not known.
dunmerrow_date CDate(const core::Date& date) {
  if (date.DayNumber() == 0) return {0, 0, 0};
  const core::CivilTime civil = date.ToCivil();
  return {civil.year, civil.month, civil.day};
}

int CState(contracts::DeliveryState state) {
  switch (state) {
    case contracts::DeliveryState::kNone: return DUNMERROW_STATE_NONE;
    case contracts::DeliveryState::kPreviewed: return DUNMERROW_STATE_PREVIEWED;
    case contracts::DeliveryState::kPrinted: return DUNMERROW_STATE_PRINTED;
    case contracts::DeliveryState::kWritten: return DUNMERROW_STATE_WRITTEN;
    case contracts::DeliveryState::kSent: return DUNMERROW_STATE_SENT;
    case contracts::DeliveryState::kWaiting: return DUNMERROW_STATE_WAITING;
    case contracts::DeliveryState::kFailed: return DUNMERROW_STATE_FAILED;
  }
  return DUNMERROW_STATE_NONE;
}

}  // namespace

namespace capi {

int Check(const dunmerrow_report* report, const char* function, bool allow_busy) {
  if (!report) return NullArgument(function, "report");
  {
    std::lock_guard lock(Host().mutex);
    if (!Host().live.contains(report)) {
      return Fail(DUNMERROW_E_NO_OBJECT, std::string(function) +
                                             ": not a live report object (destroyed already, "
                                             "or never created)");
    }
    if (report->thread != std::this_thread::get_id()) {
      return Fail(DUNMERROW_E_WRONG_THREAD,
                  std::string(function) + ": the report object belongs to another thread");
    }
  }
  if (report->busy && !allow_busy) {
    return Fail(DUNMERROW_E_BUSY,
                std::string(function) + ": the report object is in the middle of a run");
  }
  return DUNMERROW_OK;
}

}  // namespace capi

namespace {

// Changes one run option of the output for every later run.
template <typename Change>
int ChangeOutput(Change&& change) {
  return Guard([&] {
    app::OutputOptions output = app::Output();
    change(output);
    app::SetOutput(output);
    return Succeed();
  });
}

// Stores in `*out` a copy of the path `path_of` gives of the last run.
template <typename PathOf>
int LastRunPath(dunmerrow_report* report, const char* function, char** out, PathOf&& path_of) {
  return Guard([&] {
    if (int error = Check(report, function)) return error;
    if (!out) return NullArgument(function, "path");
    *out = capi::CopyOut(path_of(*report));
    return Succeed();
  });
}

}  // namespace

extern "C" {

int dunmerrow_last_error_number(void) { return capi::LastErrorNumber(); }

const char* dunmerrow_last_error_description(void) { return capi::LastErrorDescription(); }

void dunmerrow_free(void* text) { std::free(text); }

int dunmerrow_set_output(const char* folder, int destination) {
  return Guard([&] {
    if (!ValidDestination(destination)) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT, "dunmerrow_set_output: destination " +
                                                    std::to_string(destination) +
                                                    " is not one of -1 (none), 0, 2, 6, 7, 8");
    }
    app::OutputOptions output = app::Output();
    output.folder = folder && *folder ? folder : "statements";
    output.render = destination != DUNMERROW_DESTINATION_NONE;
    output.destination = output.render ? destination : DUNMERROW_DESTINATION_PREVIEW;
    app::SetOutput(output);
    return Succeed();
  });
}

int dunmerrow_set_printer(const char* printer) {
  return Guard([&] {
    app::OutputOptions output = app::Output();
    output.printer = printer ? printer : "";
    app::SetOutput(output);
    return Succeed();
  });
}

int dunmerrow_set_trace(const char* path) {
  return Guard([&] {
    platform::CloseTrace();
    platform::OpenTrace(path ? path : "");
    return Succeed();
  });
}

int dunmerrow_set_locale(const char* name) {
  return Guard([&] {
    platform::SetLocale(name ? name : "");
    return Succeed();
  });
}

int dunmerrow_set_setting(const char* section, const char* key, const char* value) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_set_setting";
    if (!section) return NullArgument(kFunction, "section");
    if (!key) return NullArgument(kFunction, "key");
    if (!value) return NullArgument(kFunction, "value");
    if (!*section || !*key) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                  std::string(kFunction) + ": section and key must not be empty");
    }
    Registry::SetOverride(section, key, value);
    app::DatabaseSettingsChanged();
    return Succeed();
  });
}

int dunmerrow_set_database(const char* path) {
  return Guard([&] {
    app::UseDatabase(path ? path : "");
    return Succeed();
  });
}

int dunmerrow_set_resend(int resend) {
  return ChangeOutput([&](app::OutputOptions& output) { output.resend = resend != 0; });
}

int dunmerrow_set_run_register(int write) {
  return ChangeOutput([&](app::OutputOptions& output) { output.write_register = write != 0; });
}

int dunmerrow_set_journal_export(int write) {
  return ChangeOutput([&](app::OutputOptions& output) { output.export_journal = write != 0; });
}

int dunmerrow_set_message_callback(dunmerrow_message_callback callback, void* user_data) {
  return Guard([&] {
    std::lock_guard lock(Host().mutex);
    Host().message_callback = callback;
    Host().message_data = callback ? user_data : nullptr;
    RegisterLocked();
    return Succeed();
  });
}

int dunmerrow_report_create(dunmerrow_report** report) {
  return Guard([&] {
    if (!report) return NullArgument("dunmerrow_report_create", "report");
    EnsureRegistered();
    auto handle = std::make_unique<dunmerrow_report>();
    handle->thread = std::this_thread::get_id();
    handle->session = std::make_unique<app::StatementSession>();
    dunmerrow_report* self = handle.get();
    handle->session->SetPrintButtonObserver([self] {
      if (self->print_button) self->print_button(self, self->print_button_data);
    });
    std::lock_guard lock(Host().mutex);
    Host().live.insert(handle.get());
    *report = handle.release();
    return Succeed();
  });
}

int dunmerrow_report_destroy(dunmerrow_report* report) {
  return Guard([&] {
    if (!report) return Succeed();
    if (int error = Check(report, "dunmerrow_report_destroy")) return error;
    {
      std::lock_guard lock(Host().mutex);
      Host().live.erase(report);
    }
    delete report;
    return Succeed();
  });
}

int dunmerrow_report_set_text(dunmerrow_report* report, const char* name, const char* value) {
  return Guard([&] {
    if (!value) return NullArgument("dunmerrow_report_set_text", "value");
    return SetParam(report, "dunmerrow_report_set_text", name, core::Variant(std::string(value)));
  });
}

int dunmerrow_report_set_bool(dunmerrow_report* report, const char* name, int value) {
  return Guard([&] {
    return SetParam(report, "dunmerrow_report_set_bool", name, core::Variant(value != 0));
  });
}

int dunmerrow_report_set_number(dunmerrow_report* report, const char* name, double value) {
  return Guard([&] {
    if (!std::isfinite(value)) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                  "dunmerrow_report_set_number: the value is not a finite number");
    }
    return SetParam(report, "dunmerrow_report_set_number", name, core::Variant(value));
  });
}

int dunmerrow_report_set_date(dunmerrow_report* report, const char* name, int year, int month,
                              int day) {
  return Guard([&] {
    core::Date date;
    try {
      date = core::Date::FromCivil(year, month, day);
    } catch (const core::ComError&) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                  "dunmerrow_report_set_date: " + std::to_string(year) + "-" +
                      std::to_string(month) + "-" + std::to_string(day) +
                      " is not a date (years 100 to 9999)");
    }
    return SetParam(report, "dunmerrow_report_set_date", name, core::Variant(date));
  });
}

int dunmerrow_report_use_parameter(dunmerrow_report* report, const char* name, int* wanted) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_use_parameter";
    if (int error = Check(report, kFunction, /*allow_busy=*/true)) return error;
    if (!name) return NullArgument(kFunction, "name");
    if (!wanted) return NullArgument(kFunction, "wanted");
    *wanted = report->session->UseParameter(name) ? 1 : 0;
    return Succeed();
  });
}

int dunmerrow_report_print(dunmerrow_report* report, const char* definition) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_print";
    if (int error = Check(report, kFunction)) return error;
    if (!definition) return NullArgument(kFunction, "definition");
    const std::string name = definition;
    return RunReport(*report, kFunction, [&] { return report->session->Print(name); });
  });
}

int dunmerrow_report_set_print_button_callback(dunmerrow_report* report,
                                               dunmerrow_print_button_callback callback,
                                               void* user_data) {
  return Guard([&] {
    if (int error = Check(report, "dunmerrow_report_set_print_button_callback", true)) {
      return error;
    }
    report->print_button = callback;
    report->print_button_data = callback ? user_data : nullptr;
    return Succeed();
  });
}

int dunmerrow_report_press_print_button(dunmerrow_report* report) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_press_print_button";
    if (int error = Check(report, kFunction)) return error;
    if (!report->session->engine()) {
      return Fail(DUNMERROW_E_NO_OBJECT,
                  std::string(kFunction) + ": no report has run on this object yet");
    }
    return RunReport(*report, kFunction, [&] { return report->session->PressPrintButton(); });
  });
}

int dunmerrow_report_run_failure(dunmerrow_report* report, int* number,
                                 const char** description) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_run_failure";
    if (int error = Check(report, kFunction)) return error;
    if (!number) return NullArgument(kFunction, "number");
    const auto& failure = report->outcome.failure;
    *number = failure ? failure->number : 0;
    if (description) *description = failure ? failure->description.c_str() : "";
    return Succeed();
  });
}

int dunmerrow_report_statement_count(dunmerrow_report* report, int* count) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_statement_count";
    if (int error = Check(report, kFunction)) return error;
    if (!count) return NullArgument(kFunction, "count");
    *count = static_cast<int>(report->outcome.owners.size());
    return Succeed();
  });
}

int dunmerrow_report_statement(dunmerrow_report* report, int index,
                               dunmerrow_statement* statement) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_statement";
    if (int error = Check(report, kFunction)) return error;
    if (!statement) return NullArgument(kFunction, "statement");
    const auto& owners = report->outcome.owners;
    if (index < 0 || static_cast<size_t>(index) >= owners.size()) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT,
                  std::string(kFunction) + ": index " + std::to_string(index) +
                      " is not one of the " + std::to_string(owners.size()) + " statements");
    }
    const component::OwnerOutcome& owner = owners[static_cast<size_t>(index)];
    dunmerrow_statement out{};
    out.owner_code = owner.owner_code.c_str();
    out.owner_name = owner.owner_name.c_str();
    out.email = owner.email.c_str();
    out.period_from = CDate(owner.period_from);
    out.period_to = CDate(owner.period_to);
    out.first_page = owner.first_page;
    out.pages = owner.pages;
    out.income = owner.income.raw();
    out.expense = owner.expense.raw();
    out.tax = owner.tax.raw();
    out.fees = core::Currency::FromDouble(owner.fees).raw();
    out.disbursed = owner.disbursed.raw();
    out.destination = owner.destination;
    out.state = CState(owner.delivery.state);
    out.document = owner.delivery.file.c_str();
    out.reason = owner.delivery.reason.c_str();
    *statement = out;
    return Succeed();
  });
}

int dunmerrow_report_register_path(dunmerrow_report* report, char** path) {
  return LastRunPath(report, "dunmerrow_report_register_path", path,
                     [](const dunmerrow_report& r) { return r.register_path; });
}

int dunmerrow_report_journal_export_path(dunmerrow_report* report, char** path) {
  return LastRunPath(report, "dunmerrow_report_journal_export_path", path,
                     [](const dunmerrow_report& r) { return r.journal_path; });
}

}  // extern "C"
