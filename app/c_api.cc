// The C interface of include/dunmerrow/dunmerrow.h: report objects over
// clsReport, the process-wide settings and each thread's last error. Every
// entry point catches everything; no exception reaches a C caller.
#include <cctype>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

#include "app/engines.h"
#include "app/host_settings.h"
#include "component/cls_report.h"
#include "core/com_error.h"
#include "core/convert.h"
#include "core/date.h"
#include "core/variant.h"
#include "data/registry.h"
#include "dunmerrow/dunmerrow.h"
#include "engines/report/report_engine.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/object_factory.h"
#include "platform/regional.h"
#include "platform/trace.h"

// One report object: the component, its owner thread, and the relay of the
// engine's print-button event to the host's callback.
struct dunmerrow_report : public contracts::ReportEvents {
  std::thread::id thread;
  std::shared_ptr<clsReport> component;
  dunmerrow_print_button_callback print_button = nullptr;
  void* print_button_data = nullptr;
  bool busy = false;  // inside a run of this object
  // The "DateTo" parameter, which also names the run's output files.
  std::optional<core::Variant> date_to;

  void PrintToPrinterButton() override {
    if (print_button) print_button(this, print_button_data);
    component->PrintToPrinterButton();
  }
};

namespace {

// The run's handler shows its failure with this prefix; the report run
// returns normally after it, so the message is how a failure is recognised.
constexpr char kRunFailurePrefix[] = "Error printing report - ";

struct LastError {
  int number = DUNMERROW_OK;
  std::string description;
};
thread_local LastError t_last_error;
// While a call of this thread runs a report: where the run's failure message
// goes.
thread_local std::string* t_run_failure = nullptr;
// The report date ("YYYY-MM-DD") of the report this thread is starting.
thread_local std::string t_report_date;

// What every thread shares.
struct HostState {
  std::mutex mutex;
  report_engine::EngineOptions options;
  bool printer_set = false;  // else the host's setting Configure/Printer
  bool registered = false;
  dunmerrow_message_callback message_callback = nullptr;
  void* message_data = nullptr;
  std::unordered_set<const dunmerrow_report*> live;
};

HostState& Host() {
  static HostState state;
  return state;
}

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

// Runs `body`, turning whatever it raises into the thread's last error.
template <typename Body>
int Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const core::ComError& e) {
    return Fail(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    return Fail(DUNMERROW_E_OUT_OF_MEMORY, "out of memory");
  } catch (const std::exception& e) {
    return Fail(DUNMERROW_E_INTERNAL, e.what());
  } catch (...) {
    return Fail(DUNMERROW_E_INTERNAL, "an unexpected failure");
  }
}

std::string FoldCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int NullArgument(const char* function, const char* argument) {
  return Fail(DUNMERROW_E_INVALID_ARGUMENT, std::string(function) + ": " + argument + " is NULL");
}

void ShowMessage(const std::string& text, const std::string& title) {
  if (platform::TraceEnabled()) {
    platform::WriteTrace(
        platform::JsonLine().Add("op", "message").Add("title", title).Add("text", text));
  }
  if (t_run_failure && text.rfind(kRunFailurePrefix, 0) == 0) *t_run_failure = text;
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

// A report engine with the options of this moment: the host's choices, the
// printer and mail server from the host's settings (read at each run, as
// the command reads them), and the report date of the calling thread's run.
std::shared_ptr<core::Object> CreateEngine() {
  report_engine::EngineOptions options;
  bool printer_set;
  {
    std::lock_guard lock(Host().mutex);
    options = Host().options;
    printer_set = Host().printer_set;
  }
  if (!printer_set) options.printer = app::PrinterFromSettings();
  options.smtp = app::SmtpFromSettings();
  options.report_date = t_report_date;
  return report_engine::CreateReport(options);
}

// Registers the engines and routes the messages, once; the caller holds
// Host().mutex.
void RegisterLocked() {
  if (Host().registered) return;
  app::RegisterEngines(Host().options);
  platform::RegisterFactory(contracts::kReportProgId, CreateEngine);
  platform::SetMessageSink(ShowMessage);
  Host().registered = true;
}

void EnsureRegistered() {
  std::lock_guard lock(Host().mutex);
  RegisterLocked();
}

// The report date as the engine names files with it: "DateTo" read as the
// run reads it (its text, turned into a date), else today, which is also
// what the run then reports on.
std::string ReportDate(const dunmerrow_report& report) {
  if (report.date_to) {
    try {
      const core::Variant text(core::ToText(*report.date_to));
      return core::ToDate(text).ToIso().substr(0, 10);
    } catch (const core::ComError&) {
      // The run itself reports a date it cannot read.
    }
  }
  return platform::Today().ToIso().substr(0, 10);
}

// 0 when `report` is a live object of the calling thread that may be used
// now; otherwise the failure, recorded.
int Check(const dunmerrow_report* report, const char* function, bool allow_busy = false) {
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

// Runs `body` as one run of `report`: marks it busy, notes a failure the
// run shows, and connects the engine's print button to the relay.
template <typename Body>
int RunReport(dunmerrow_report& report, Body&& body) {
  std::string failure;
  struct Scope {
    dunmerrow_report& report;
    std::string* previous;
    ~Scope() {
      report.busy = false;
      t_run_failure = previous;
    }
  } scope{report, t_run_failure};
  report.busy = true;
  t_run_failure = &failure;
  t_report_date = ReportDate(report);
  body();
  if (const auto& engine = report.component->report()) engine->Advise(&report);
  if (!failure.empty()) return Fail(DUNMERROW_E_RUN_FAILED, failure);
  return Succeed();
}

int SetParam(dunmerrow_report* report, const char* function, const char* name,
             const core::Variant& value) {
  if (int error = Check(report, function)) return error;
  if (!name) return NullArgument(function, "name");
  if (!*name) return Fail(DUNMERROW_E_INVALID_ARGUMENT, std::string(function) + ": name is empty");
  report->component->SetParam(name, value);
  if (FoldCase(name) == "dateto") report->date_to = value;
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

}  // namespace

extern "C" {

int dunmerrow_last_error_number(void) { return t_last_error.number; }

const char* dunmerrow_last_error_description(void) { return t_last_error.description.c_str(); }

int dunmerrow_set_output(const char* folder, int destination) {
  return Guard([&] {
    if (!ValidDestination(destination)) {
      return Fail(DUNMERROW_E_INVALID_ARGUMENT, "dunmerrow_set_output: destination " +
                                                    std::to_string(destination) +
                                                    " is not one of -1 (none), 0, 2, 6, 7, 8");
    }
    std::lock_guard lock(Host().mutex);
    report_engine::EngineOptions& options = Host().options;
    options.output_folder = folder && *folder ? folder : "statements";
    options.render = destination != DUNMERROW_DESTINATION_NONE;
    options.destination = options.render ? destination : DUNMERROW_DESTINATION_PREVIEW;
    return Succeed();
  });
}

int dunmerrow_set_printer(const char* printer) {
  return Guard([&] {
    std::lock_guard lock(Host().mutex);
    Host().options.printer = printer ? printer : "";
    Host().printer_set = printer && *printer;
    return Succeed();
  });
}

int dunmerrow_set_trace(const char* path) {
  return Guard([&] {
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
    return Succeed();
  });
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
    handle->component = platform::CreateObjectAs<clsReport>(kComponentProgId);
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
    if (const auto& engine = report->component->report()) engine->Advise(nullptr);
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
    *wanted = report->component->UseParameter(name) ? 1 : 0;
    return Succeed();
  });
}

int dunmerrow_report_print(dunmerrow_report* report, const char* definition) {
  return Guard([&] {
    constexpr char kFunction[] = "dunmerrow_report_print";
    if (int error = Check(report, kFunction)) return error;
    if (!definition) return NullArgument(kFunction, "definition");
    const std::string name = definition;
    const std::string path = platform::JoinPath(platform::ComponentFolder(), name + ".rdn");
    const bool found = platform::PlainFileExists(path);
    // The component remembers the name even when its file is missing (a
    // later print-button press uses it), so it is always told.
    const int status = RunReport(*report, [&] { report->component->PrintReport(name); });
    if (!found) {
      return Fail(DUNMERROW_E_DEFINITION_NOT_FOUND,
                  std::string(kFunction) + ": there is no report definition '" + path + "'");
    }
    return status;
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
    const std::shared_ptr<contracts::Report> engine = report->component->report();
    if (!engine) {
      return Fail(DUNMERROW_E_NO_OBJECT,
                  std::string(kFunction) + ": no report has run on this object yet");
    }
    return RunReport(*report, [&] { report_engine::PressPrintButton(*engine); });
  });
}

}  // extern "C"
